#include "servicing/driver_files.h"

#include <algorithm>
#include <sstream>

namespace driver_files {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string Unquote(std::string value) {
  value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
  return Trim(value);
}

std::string Hex(std::uint32_t value) {
  std::ostringstream out;
  out << "0x" << std::uppercase << std::hex << value;
  return out.str();
}

std::uint32_t ReadLe(const Bytes& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
  return value;
}

std::optional<std::string> InfText(const Bytes& bytes, std::string& error) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    if (bytes.size() % 2 != 0) {
      error = "UTF-16 text with an odd number of bytes";
      return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
      const std::uint32_t unit = ReadLe(bytes, i, 2);
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    error = "UTF-16 big-endian text (Windows setup reads UTF-16 LE or ANSI)";
    return std::nullopt;
  }
  if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
    error = "NUL bytes in the text (UTF-16 needs its byte order mark)";
    return std::nullopt;
  }
  std::size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
}

InfSections ParseInf(const std::string& text) {
  InfSections sections;
  InfSection* current = nullptr;
  std::istringstream in(text);
  std::string line, pending;
  while (std::getline(in, line)) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == ';' && !quoted) {
        line.erase(i);
        break;
      }
    }
    line = Trim(line);
    if (!line.empty() && line.back() == '\\') {
      pending += line.substr(0, line.size() - 1);
      continue;
    }
    line = Trim(pending + line);
    pending.clear();
    if (line.empty()) continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      current = &sections[Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)))];
      continue;
    }
    if (current == nullptr) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
      current->emplace_back("", line);
    } else {
      current->emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
  }
  return sections;
}

std::vector<std::string> Fields(const std::string& value) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(value);
  while (std::getline(in, field, ',')) fields.push_back(Unquote(field));
  return fields;
}

std::optional<std::string> Value(const InfSection& section, const std::string& key) {
  for (const auto& [k, v] : section)
    if (Lower(k) == key) return Unquote(v);
  return std::nullopt;
}

std::optional<std::string> CheckSignature(const InfSections& sections) {
  const auto version = sections.find("version");
  if (version == sections.end()) return "has no [Version] section";
  const auto signature = Value(version->second, "signature");
  if (!signature || Lower(*signature) != "$windows nt$")
    return "[Version] Signature is " + (signature ? "\"" + *signature + "\"" : std::string("missing")) +
           ", not \"$Windows NT$\"";
  return std::nullopt;
}

std::vector<SourceFile> SourceFiles(const InfSections& sections) {
  const std::string prefix = "sourcedisksfiles";
  std::vector<SourceFile> files;
  for (const auto& [name, section] : sections) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string decoration = name.substr(prefix.size());
    if (!decoration.empty() && decoration[0] != '.') continue;
    for (const auto& [file, value] : section) {
      const std::string fileName = file.empty() ? Unquote(value) : file;
      const auto fields = Fields(value);
      const std::string disk = fields.empty() || file.empty() ? "" : fields[0];
      std::string diskPath;
      for (const std::string& names : {"sourcedisksnames" + decoration, std::string("sourcedisksnames")}) {
        const auto found = sections.find(names);
        if (found == sections.end()) continue;
        if (const auto entry = Value(found->second, Lower(disk))) {
          const auto diskFields = Fields(*entry);
          if (diskFields.size() >= 4) diskPath = diskFields[3];
          break;
        }
      }
      const std::string subdir = fields.size() >= 2 && !file.empty() ? fields[1] : "";
      std::string relative;
      for (const std::string& part : {diskPath, subdir, fileName}) {
        const auto begin = part.find_first_not_of("\\/");
        if (begin == std::string::npos) continue;
        if (!relative.empty()) relative += '\\';
        relative.append(part, begin, part.find_last_not_of("\\/") - begin + 1);
      }
      files.push_back({decoration.empty() ? "" : decoration.substr(1), relative});
    }
  }
  return files;
}

std::optional<std::uint32_t> PeMachine(const Bytes& bytes, std::size_t& peAt, std::string& error) {
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
    error = "is not a PE image (no MZ header)";
    return std::nullopt;
  }
  const std::uint32_t at = ReadLe(bytes, 0x3C, 4);
  if (std::size_t{at} + 24 > bytes.size() || ReadLe(bytes, at, 4) != 0x00004550) {
    error = "is not a PE image (no PE signature at e_lfanew " + Hex(at) + ")";
    return std::nullopt;
  }
  peAt = at;
  return ReadLe(bytes, at + 4, 2);
}

std::optional<std::string> CheckX64EfiApplication(const Bytes& bytes) {
  if (bytes.empty()) return "is empty";
  std::size_t peAt = 0;
  std::string error;
  const auto machine = PeMachine(bytes, peAt, error);
  if (!machine) return error;
  if (*machine != kMachineAmd64) return "is built for machine " + Hex(*machine) + ", not x64 (0x8664)";
  // The magic and the subsystem (at 68 in both optional header forms) must lie inside the
  // optional header the file header announces, and inside the file.
  constexpr std::size_t kSubsystemAt = 68;
  const std::size_t optionalAt = peAt + 24;
  if (ReadLe(bytes, peAt + 20, 2) < kSubsystemAt + 2 || optionalAt + kSubsystemAt + 2 > bytes.size())
    return "has no complete optional header";
  if (const std::uint32_t magic = ReadLe(bytes, optionalAt, 2); magic != kPe32PlusMagic)
    return "has optional header magic " + Hex(magic) + ", not PE32+ (0x20B)";
  if (const std::uint32_t subsystem = ReadLe(bytes, optionalAt + kSubsystemAt, 2); subsystem != kSubsystemEfiApplication)
    return "has subsystem " + std::to_string(subsystem) + ", not an EFI application (10)";
  return std::nullopt;
}

}  // namespace driver_files
