#include "driver_check.h"

#include "servicing/driver_files.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace check_drivers {
namespace {

using driver_files::Bytes;
using driver_files::Fields;
using driver_files::Hex;
using driver_files::Lower;
using driver_files::ReadLe;
using driver_files::Unquote;
using driver_files::Value;
using Section = driver_files::InfSection;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// The files named in the [SourceDisksFiles] sections that do not lie beside the INF.
std::vector<std::string> MissingSourceFiles(const fs::path& inf, const driver_files::InfSections& sections) {
  std::vector<std::string> missing;
  for (const auto& source : driver_files::SourceFiles(sections))
    if (!FindCaseBlind(inf.parent_path(), source.relative)) missing.push_back(source.relative);
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
  const auto text = driver_files::InfText(ReadAll(inf), error);
  if (!text) return "does not parse: " + error;
  const auto sections = driver_files::ParseInf(*text);
  if (auto wrong = driver_files::CheckSignature(sections)) return wrong;
  const auto version = sections.find("version");
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
  std::string error;
  std::size_t peAt = 0;
  const auto found = driver_files::PeMachine(bytes, peAt, error);
  if (!found) return error;
  const std::uint32_t machine = *found;
  const std::size_t optionalAt = peAt + 24;
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
