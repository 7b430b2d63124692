#include "servicing/dism_exe_output.h"

#include <cctype>
#include <cstdlib>

#include "platform/text.h"

namespace DismCpp {

namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// The output's lines, trimmed; the bar's redraws ("\r[...]") count as line breaks.
std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : output) {
    if (c == '\n' || c == '\r') {
      lines.push_back(Trimmed(line));
      line.clear();
    } else {
      line += c;
    }
  }
  lines.push_back(Trimmed(line));
  return lines;
}

// "Name : value" -> true with the two trimmed parts.
bool Field(const std::string& line, std::string& name, std::string& value) {
  std::size_t colon = line.find(" : ");
  if (colon == std::string::npos) return false;
  name = Trimmed(line.substr(0, colon));
  value = Trimmed(line.substr(colon + 3));
  return true;
}

// The figure of one bar's inside ("====   40.0%   "), in tenths; -1 when it holds none.
int BarFigure(const std::string& inside) {
  std::size_t percent = inside.find('%');
  if (percent == std::string::npos) return -1;
  std::size_t start = percent;
  while (start > 0 && (std::isdigit(static_cast<unsigned char>(inside[start - 1])) || inside[start - 1] == '.'))
    --start;
  std::string number = inside.substr(start, percent - start);
  if (number.empty() || !std::isdigit(static_cast<unsigned char>(number[0]))) return -1;
  int whole = 0;
  int tenths = 0;
  std::size_t i = 0;
  for (; i < number.size() && number[i] != '.'; ++i) whole = whole * 10 + (number[i] - '0');
  if (i + 1 < number.size()) tenths = number[i + 1] - '0';
  if (whole > 100 || (whole == 100 && tenths > 0)) return -1;
  return whole * 10 + tenths;
}

}  // namespace

std::vector<int> DismExeOutput::Add(const std::string& piece) {
  m_Text += piece;
  std::vector<int> figures;
  for (;;) {
    std::size_t open = m_Text.find('[', m_Scanned);
    if (open == std::string::npos) {
      m_Scanned = m_Text.size();
      break;
    }
    std::size_t close = m_Text.find(']', open + 1);
    if (close == std::string::npos) {
      m_Scanned = open;  // the bar's end has not arrived yet
      break;
    }
    int value = BarFigure(m_Text.substr(open + 1, close - open - 1));
    if (value >= 0) figures.push_back(value);
    m_Scanned = close + 1;
  }
  return figures;
}

std::wstring DismExeErrorText(const std::string& output) {
  std::vector<std::string> lines = Lines(output);
  std::string text;
  bool inError = false;
  for (const std::string& line : lines) {
    if (!inError) {
      inError = line.rfind("Error:", 0) == 0;
      continue;
    }
    if (line.rfind("The DISM log file can be found at", 0) == 0) break;
    if (line.empty()) continue;
    if (!text.empty()) text += ' ';
    text += line;
  }
  return platform::AnsiToWide(text);
}

std::uint32_t DismExeImageCount(const std::string& output) {
  std::uint32_t count = 0;
  std::string name, value;
  for (const std::string& line : Lines(output))
    if (Field(line, name, value) && name == "Index" && !value.empty() &&
        std::isdigit(static_cast<unsigned char>(value[0])))
      ++count;
  return count;
}

std::vector<platform::DismImage> DismExeImages(const std::string& output) {
  std::vector<platform::DismImage> images;
  std::string name, value;
  for (const std::string& line : Lines(output)) {
    if (!Field(line, name, value)) continue;
    if (name == "Index" && !value.empty() && std::isdigit(static_cast<unsigned char>(value[0]))) {
      images.push_back({static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10)), L"",
                        platform::kDismArchitectureUnknown});
    } else if (images.empty()) {
      continue;
    } else if (name == "Name") {
      images.back().imageName = platform::AnsiToWide(value);
    } else if (name == "Size") {
      std::uint64_t bytes = 0;  // "1,234,567 bytes"
      for (char c : value) {
        if (c == ',' || c == '.') continue;
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        bytes = bytes * 10 + static_cast<std::uint64_t>(c - '0');
      }
      images.back().imageSize = bytes;
    } else if (name == "Architecture") {
      std::string arch;
      for (char c : value) arch += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      images.back().architecture = arch == "x86"                     ? platform::kDismArchitectureX86
                                   : arch == "x64" || arch == "amd64" ? platform::kDismArchitectureAmd64
                                   : arch == "ia64"                   ? platform::kDismArchitectureIa64
                                                                      : platform::kDismArchitectureUnknown;
    }
  }
  return images;
}

std::vector<platform::DismMountedImage> DismExeMountedImages(const std::string& output) {
  std::vector<platform::DismMountedImage> images;
  std::string name, value;
  for (const std::string& line : Lines(output)) {
    if (!Field(line, name, value)) continue;
    if (name == "Mount Dir") {
      images.push_back({});
      images.back().mountPath = platform::AnsiToWide(value);
      continue;
    }
    if (images.empty()) continue;
    platform::DismMountedImage& image = images.back();
    if (name == "Image File") {
      image.imageFilePath = platform::AnsiToWide(value);
    } else if (name == "Image Index") {
      image.imageIndex = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (name == "Mounted Read/Write") {
      image.mountMode = value == "Yes" ? platform::kDismReadWrite : platform::kDismReadOnly;
    } else if (name == "Status") {
      image.mountStatus = value == "Ok"            ? platform::kDismMountStatusOk
                          : value == "Needs Remount" ? platform::kDismMountStatusNeedsRemount
                                                     : platform::kDismMountStatusInvalid;
    }
  }
  return images;
}

platform::DismResult DismExeResult(std::uint32_t exitCode) {
  if (exitCode == 0) return platform::kDismOk;
  if (exitCode <= 0xFFFF) return static_cast<platform::DismResult>(0x80070000u | exitCode);
  return static_cast<platform::DismResult>(exitCode);
}

}  // namespace DismCpp
