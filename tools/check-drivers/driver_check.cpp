#include "driver_check.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace check_drivers {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

// ---- INF ------------------------------------------------------------------------------------

// The INF's text: UTF-16 LE with its byte order mark, or ANSI/UTF-8 (with or without a mark).
// Characters beyond ASCII become '?': the keys and file names the check reads are ASCII.
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

// A section's lines as (key, value) pairs, as written; a line without '=' has an empty key.
using Section = std::vector<std::pair<std::string, std::string>>;

// Sections by lower-case name. Comments (';' outside quotes) and line continuations ('\' at a
// line's end) are handled as Windows setup does.
std::map<std::string, Section> ParseInf(const std::string& text) {
  std::map<std::string, Section> sections;
  Section* current = nullptr;
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

std::string Unquote(std::string value) {
  value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
  return Trim(value);
}

std::vector<std::string> Fields(const std::string& value) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(value);
  while (std::getline(in, field, ',')) fields.push_back(Unquote(field));
  return fields;
}

std::optional<std::string> Value(const Section& section, const std::string& key) {
  for (const auto& [k, v] : section)
    if (Lower(k) == key) return Unquote(v);
  return std::nullopt;
}

// `relative` ('\' or '/' separated) below `dir`, each part matched without regard to case as
// Windows does; nothing when a part is missing.
std::optional<fs::path> FindCaseBlind(const fs::path& dir, const std::string& relative) {
  fs::path at = dir;
  std::string part;
  std::string normal = relative;
  std::replace(normal.begin(), normal.end(), '\\', '/');
  std::istringstream in(normal);
  while (std::getline(in, part, '/')) {
    if (part.empty() || part == ".") continue;
    std::error_code ec;
    std::optional<fs::path> found;
    for (const auto& entry : fs::directory_iterator(at, ec))
      if (Lower(entry.path().filename().string()) == Lower(part)) found = entry.path();
    if (!found) return std::nullopt;
    at = *found;
  }
  return at;
}

// The files named in the [SourceDisksFiles] sections that do not lie beside the INF: each under
// the path its disk has in the [SourceDisksNames] section of the same decoration (or the plain
// one), then the entry's own subfolder.
std::vector<std::string> MissingSourceFiles(const fs::path& inf, const std::map<std::string, Section>& sections) {
  const std::string prefix = "sourcedisksfiles";
  std::vector<std::string> missing;
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
        relative += (relative.empty() ? "" : "\\") + part.substr(begin, part.find_last_not_of("\\/") - begin + 1);
      }
      if (!FindCaseBlind(inf.parent_path(), relative)) missing.push_back(relative);
    }
  }
  return missing;
}

// ---- DER --------------------------------------------------------------------------------------

// One DER element at `at`: its tag, where its contents begin and how long they are. DER allows
// only the definite, shortest length form.
struct DerElement {
  unsigned char tag = 0;
  std::size_t contents = 0;
  std::size_t length = 0;
};

std::optional<DerElement> ReadDer(const Bytes& bytes, std::size_t at, std::string& error) {
  if (at + 2 > bytes.size()) {
    error = "truncated DER element";
    return std::nullopt;
  }
  DerElement element;
  element.tag = bytes[at];
  const unsigned char first = bytes[at + 1];
  std::size_t header = 2;
  if (first < 0x80) {
    element.length = first;
  } else {
    const int count = first & 0x7F;
    if (count == 0) {
      error = "indefinite DER length (BER, not DER)";
      return std::nullopt;
    }
    if (count > 4 || at + 2 + count > bytes.size() || bytes[at + 2] == 0) {
      error = "malformed DER length";
      return std::nullopt;
    }
    for (int i = 0; i < count; ++i) element.length = (element.length << 8) | bytes[at + 2 + i];
    if (element.length < 0x80) {
      error = "DER length not in its shortest form";
      return std::nullopt;
    }
    header += count;
  }
  element.contents = at + header;
  if (element.contents + element.length > bytes.size()) {
    error = "DER length " + std::to_string(element.length) + " runs past the end of the file";
    return std::nullopt;
  }
  return element;
}

struct Machine {
  const char* folder;
  std::uint32_t code;
};
constexpr Machine kMachines[] = {{"i386", 0x14C}, {"x86", 0x14C}, {"amd64", 0x8664}, {"x64", 0x8664}, {"ia64", 0x200}};

}  // namespace

std::optional<std::string> CheckInf(const fs::path& inf) {
  std::string error;
  const auto text = InfText(ReadAll(inf), error);
  if (!text) return "does not parse: " + error;
  const auto sections = ParseInf(*text);
  const auto version = sections.find("version");
  if (version == sections.end()) return "has no [Version] section";
  const auto signature = Value(version->second, "signature");
  if (!signature || Lower(*signature) != "$windows nt$")
    return "[Version] Signature is " + (signature ? "\"" + *signature + "\"" : std::string("missing")) +
           ", not \"$Windows NT$\"";
  const auto cls = Value(version->second, "class");
  if (!cls || Lower(*cls) != "usb") return "[Version] Class is " + (cls ? *cls : std::string("missing")) + ", not USB";
  const auto missing = MissingSourceFiles(inf, sections);
  if (!missing.empty()) {
    std::string list;
    for (const auto& file : missing) list += (list.empty() ? "" : ", ") + file;
    return "names source files that do not lie beside it: " + list;
  }
  return std::nullopt;
}

std::optional<std::string> CheckSys(const fs::path& sys, const fs::path& root) {
  std::optional<Machine> wanted;
  for (fs::path dir = fs::relative(sys, root).parent_path(); !dir.empty() && !wanted; dir = dir.parent_path()) {
    for (const auto& machine : kMachines)
      if (Lower(dir.filename().string()) == machine.folder) wanted = machine;
    if (dir == dir.parent_path()) break;
  }
  if (!wanted) return "lies in no i386/x86, amd64/x64 or ia64 folder, so its processor is unknown";

  const Bytes bytes = ReadAll(sys);
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return "is not a PE image (no MZ header)";
  const std::uint32_t peAt = ReadLe(bytes, 0x3C, 4);
  const std::size_t optionalAt = std::size_t{peAt} + 24;
  if (std::size_t{peAt} + 24 > bytes.size() || ReadLe(bytes, peAt, 4) != 0x00004550)
    return "is not a PE image (no PE signature at e_lfanew " + Hex(peAt) + ")";
  const std::uint32_t machine = ReadLe(bytes, peAt + 4, 2);
  if (machine != wanted->code)
    return "is built for machine " + Hex(machine) + ", but its folder " + wanted->folder + " wants " + Hex(wanted->code);
  const std::uint32_t optionalSize = ReadLe(bytes, peAt + 20, 2);
  if (optionalSize < 70 || optionalAt + 70 > bytes.size()) return "has a truncated optional header";
  const std::uint32_t magic = ReadLe(bytes, optionalAt, 2);
  const std::uint32_t wantedMagic = machine == 0x14C ? 0x10B : 0x20B;
  if (magic != wantedMagic) return "has optional header magic " + Hex(magic) + ", not " + Hex(wantedMagic);
  const std::uint32_t subsystem = ReadLe(bytes, optionalAt + 68, 2);
  if (subsystem != 1) return "has subsystem " + std::to_string(subsystem) + ", not native (1): not a kernel-mode driver";
  return std::nullopt;
}

std::optional<std::string> CheckCat(const fs::path& cat) {
  static const Bytes kSignedData = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
  const Bytes bytes = ReadAll(cat);
  std::string error;
  if (bytes.empty() || bytes[0] != 0x30) return "is not DER PKCS#7 (does not begin with a DER SEQUENCE)";
  const auto outer = ReadDer(bytes, 0, error);
  if (!outer) return "is not DER PKCS#7: " + error;
  if (outer->contents + outer->length != bytes.size())
    return "is not DER PKCS#7: the SEQUENCE's length " + std::to_string(outer->length) + " leaves " +
           std::to_string(bytes.size() - outer->contents - outer->length) + " bytes of the file outside it";
  const auto oid = ReadDer(bytes, outer->contents, error);
  if (!oid) return "is not DER PKCS#7: " + error;
  if (oid->tag != 0x06 || oid->contents + oid->length > outer->contents + outer->length ||
      !std::equal(kSignedData.begin(), kSignedData.end(), bytes.begin() + static_cast<std::ptrdiff_t>(oid->contents),
                  bytes.begin() + static_cast<std::ptrdiff_t>(oid->contents + oid->length)))
    return "is not PKCS#7 SignedData (its first element is not the OID 1.2.840.113549.1.7.2)";
  return std::nullopt;
}

std::vector<Problem> CheckDriverTree(const fs::path& root) {
  std::vector<fs::path> files;
  std::error_code ec;
  // Stepped with an error code, so a folder that can't be read is a problem, not an exception.
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) files.push_back(it->path());
  if (ec) return {{root, "can't be read: " + ec.message()}};
  std::sort(files.begin(), files.end());
  std::vector<Problem> problems;
  bool anyInf = false;
  for (const auto& file : files) {
    const std::string extension = Lower(file.extension().string());
    std::optional<std::string> reason;
    if (extension == ".inf") {
      anyInf = true;
      reason = CheckInf(file);
    } else if (extension == ".sys") {
      reason = CheckSys(file, root);
    } else if (extension == ".cat") {
      reason = CheckCat(file);
    }
    if (reason) problems.push_back({file, *reason});
  }
  if (!anyInf) problems.push_back({root, "holds no INF file"});
  return problems;
}

}  // namespace check_drivers
