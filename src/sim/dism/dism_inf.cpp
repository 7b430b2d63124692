#include "sim/dism/dism_inf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "sim/machine/machine.h"

namespace fs = std::filesystem;

namespace platform::host::inf {

namespace {

// Setup API and Win32 HRESULTs that DISM passes on for driver packages.
constexpr std::int32_t kExpectedSectionName = static_cast<std::int32_t>(0x800F0000u);
constexpr std::int32_t kGeneralSyntax = static_cast<std::int32_t>(0x800F0003u);
constexpr std::int32_t kWrongInfStyle = static_cast<std::int32_t>(0x800F0100u);
constexpr std::int32_t kSectionNotFound = static_cast<std::int32_t>(0x800F0101u);
constexpr std::int32_t kLineNotFound = static_cast<std::int32_t>(0x800F0102u);
constexpr std::int32_t kFileNotFound = static_cast<std::int32_t>(0x80070002u);
constexpr std::int32_t kNotSupported = static_cast<std::int32_t>(0x80070032u);

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::string Unquote(const std::string& text) {
  std::string t = Trim(text);
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return t.substr(1, t.size() - 2);
  return t;
}

struct Line {
  std::string key;                  // empty for a line without "="
  std::vector<std::string> values;  // comma-separated fields, trimmed and unquoted
};
using Sections = std::map<std::string, std::vector<Line>>;  // by lower-case section name

// INF text is UTF-16LE with a byte-order mark, or 8-bit.
std::string Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return ToUtf8(wide);
  }
  return bytes;
}

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      fields.push_back(Unquote(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(Unquote(field));
  return fields;
}

// Parses the sections; false with the HRESULT on a syntax error.
bool Parse(const std::string& text, Sections& sections, std::int32_t& hr, std::string& why) {
  std::istringstream in(text);
  std::string raw;
  std::vector<Line>* current = nullptr;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    std::string line;
    bool quoted = false;
    for (char c : raw) {
      if (c == '"') quoted = !quoted;
      if (c == ';' && !quoted) break;
      line += c;
    }
    line = Trim(line);
    if (line.empty()) continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      if (close == std::string::npos || close == 1) {
        hr = kGeneralSyntax;
        why = "line " + std::to_string(number) + ": malformed section name";
        return false;
      }
      current = &sections[Lower(Trim(line.substr(1, close - 1)))];
      continue;
    }
    if (!current) {
      hr = kExpectedSectionName;
      why = "line " + std::to_string(number) + ": text before the first section";
      return false;
    }
    Line entry;
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entry.values = SplitFields(line);
    } else {
      entry.key = Lower(Unquote(line.substr(0, equals)));
      entry.values = SplitFields(line.substr(equals + 1));
    }
    current->push_back(entry);
  }
  return true;
}

const Line* Find(const std::vector<Line>& section, const std::string& key) {
  for (const auto& line : section)
    if (line.key == key) return &line;
  return nullptr;
}

const std::vector<Line>* Section(const Sections& sections, const std::string& name) {
  auto it = sections.find(Lower(name));
  return it == sections.end() ? nullptr : &it->second;
}

// The architecture of a Manufacturer decoration ("NTamd64", "NTx86.6.1"), empty for others.
std::string DecorationArch(const std::string& decoration) {
  std::string d = Lower(Trim(decoration));
  if (d.rfind("nt", 0) != 0) return {};
  d = d.substr(2);
  d = d.substr(0, d.find('.'));
  return d == "x86" || d == "amd64" || d == "ia64" ? d : std::string();
}

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

std::wstring JoinWindows(const std::wstring& folder, const std::string& relative) {
  std::wstring out = folder;
  for (char c : relative) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

StageResult Fail(std::int32_t hr, const std::string& text) { return StageResult{hr, FromUtf8(text), {}}; }

// A path below the package folder ("/" separated): not rooted, no ".." and no drive, so a
// malformed INF can neither read from nor write to anywhere outside the package and its staged
// copy.
bool StaysInsidePackage(const std::string& relative) {
  if (relative.empty() || relative.front() == '/' || relative.back() == '/') return false;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    const std::string part = Trim(relative.substr(start, end - start));
    if (part == ".." || part.find(':') != std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

StageResult StagePackage(const std::wstring& infPath, const std::wstring& mountPath, const std::string& imageArch) {
  const std::string infHost = Machine::HostPath(infPath);
  std::ifstream in(infHost, std::ios::binary);
  if (infHost.empty() || !in || fs::is_directory(infHost))
    return Fail(kFileNotFound, "The driver package " + ToUtf8(infPath) + " could not be found.");
  std::ostringstream raw;
  raw << in.rdbuf();
  const std::string bytes = raw.str();

  Sections sections;
  std::int32_t hr = 0;
  std::string why;
  if (!Parse(Decode(bytes), sections, hr, why)) return Fail(hr, "The INF file is not valid: " + why + ".");

  const auto* version = Section(sections, "Version");
  const Line* signature = version ? Find(*version, "signature") : nullptr;
  std::string sig = signature && !signature->values.empty() ? Lower(signature->values[0]) : std::string();
  if (sig != "$windows nt$" && sig != "$chicago$")
    return Fail(kWrongInfStyle, "The INF file is not a Windows NT driver package (no $Windows NT$ signature).");
  if (!Find(*version, "class") && !Find(*version, "classguid"))
    return Fail(kLineNotFound, "The INF file names no device class.");

  const auto* manufacturer = Section(sections, "Manufacturer");
  if (!manufacturer || manufacturer->empty()) return Fail(kSectionNotFound, "The INF file has no [Manufacturer] section.");

  // The package's architectures come from the Manufacturer decorations; undecorated models are
  // for x86 only, as Windows reads them, so such a package is refused by a 64-bit image.
  std::vector<std::string> archs;
  for (const auto& line : *manufacturer)
    for (std::size_t i = 1; i < line.values.size(); ++i)
      if (auto arch = DecorationArch(line.values[i]); !arch.empty() && std::find(archs.begin(), archs.end(), arch) == archs.end())
        archs.push_back(arch);
  const bool decorated = !archs.empty();
  if (!decorated) archs.push_back("x86");
  std::string arch = imageArch;
  if (arch.empty()) arch = archs.front();
  if (std::find(archs.begin(), archs.end(), arch) == archs.end())
    return Fail(kNotSupported, "The driver package has no models for the image's architecture (" + arch + ").");
  for (const auto& line : *manufacturer) {
    if (line.values.empty() || line.values[0].empty()) return Fail(kGeneralSyntax, "A [Manufacturer] entry names no models section.");
    std::string models = line.values[0] + (decorated ? ".NT" + arch : std::string());
    if (!Section(sections, models)) return Fail(kSectionNotFound, "The INF file has no [" + models + "] section.");
  }

  // The files to stage: SourceDisksFiles (decorated for the architecture when present), placed
  // by their SourceDisksNames path and sub-folder.
  const auto* names = Section(sections, "SourceDisksNames." + arch);
  if (!names) names = Section(sections, "SourceDisksNames");
  const auto* files = Section(sections, "SourceDisksFiles." + arch);
  if (!files) files = Section(sections, "SourceDisksFiles");
  std::vector<std::string> relatives;
  if (files) {
    if (!names) return Fail(kSectionNotFound, "The INF file has no [SourceDisksNames] section.");
    for (const auto& line : *files) {
      std::string file = line.key.empty() && !line.values.empty() ? Lower(line.values[0]) : line.key;
      std::string disk = line.key.empty() || line.values.empty() ? std::string() : line.values[0];
      const Line* diskLine = Find(*names, Lower(disk));
      if (file.empty() || !diskLine) return Fail(kLineNotFound, "The source disk of " + file + " is not listed.");
      std::string relative = diskLine->values.size() > 3 ? diskLine->values[3] : std::string();
      if (line.values.size() > 1 && !line.values[1].empty()) relative += "\\" + line.values[1];
      relative += "\\" + file;
      std::replace(relative.begin(), relative.end(), '\\', '/');
      while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
      if (!StaysInsidePackage(relative))
        return Fail(kGeneralSyntax, "The INF file names a file outside its package: " + relative + ".");
      relatives.push_back(relative);
    }
  }
  const Line* catalog = Find(*version, "catalogfile.nt" + arch);
  if (!catalog) catalog = Find(*version, "catalogfile");

  const std::wstring infFolder = infPath.substr(0, infPath.rfind(L'\\') + 1);
  std::string infName = Lower(ToUtf8(infPath.substr(infPath.rfind(L'\\') + 1)));
  char id[17];
  std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>(Fnv1a(bytes)));
  std::wstring mount = mountPath;
  if (!mount.empty() && mount.back() != L'\\') mount += L'\\';
  const std::wstring staged =
      mount + L"Windows\\System32\\DriverStore\\FileRepository\\" + FromUtf8(infName + "_" + arch + "_" + id) + L"\\";

  std::vector<std::pair<std::string, std::string>> copies;  // host source, path below the package folder
  for (const auto& relative : relatives) {
    std::string source = Machine::HostPath(JoinWindows(infFolder, relative));
    if (source.empty() || !fs::is_regular_file(source))
      return Fail(kFileNotFound, "The system cannot find the file specified: " + relative + ".");
    copies.emplace_back(source, relative);
  }
  if (catalog && !catalog->values.empty() && !catalog->values[0].empty()) {
    std::string relative = catalog->values[0];
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (!StaysInsidePackage(relative))
      return Fail(kGeneralSyntax, "The INF file names a catalog outside its package: " + catalog->values[0] + ".");
    std::string source = Machine::HostPath(JoinWindows(infFolder, catalog->values[0]));
    if (!source.empty() && fs::is_regular_file(source)) copies.emplace_back(source, catalog->values[0]);
  }
  copies.emplace_back(infHost, infName);

  const std::string target = Machine::HostPath(staged);
  std::error_code ec;
  for (const auto& [source, relative] : copies) {
    fs::path to = fs::path(target) / relative;
    fs::create_directories(to.parent_path(), ec);
    if (!fs::copy_file(source, to, fs::copy_options::overwrite_existing, ec))
      return Fail(static_cast<std::int32_t>(0x80070005u), "The package could not be staged: " + ec.message() + ".");
  }
  return StageResult{0, {}, staged};
}

}  // namespace platform::host::inf
