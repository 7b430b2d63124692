#include "sim/machine/machine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

#include "platform/host/system/file_lock.h"
#include "platform/host/system/name_index.h"

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace platform::host {

const DriveRecord* MachineDescription::FindDrive(char letter) const {
  for (const auto& d : drives)
    if (std::toupper(static_cast<unsigned char>(d.letter)) == std::toupper(static_cast<unsigned char>(letter))) return &d;
  return nullptr;
}
DriveRecord* MachineDescription::FindDrive(char letter) {
  return const_cast<DriveRecord*>(static_cast<const MachineDescription*>(this)->FindDrive(letter));
}
const DiskRecord* MachineDescription::FindDisk(int number) const {
  for (const auto& d : disks)
    if (d.number == number) return &d;
  return nullptr;
}
DiskRecord* MachineDescription::FindDisk(int number) {
  return const_cast<DiskRecord*>(static_cast<const MachineDescription*>(this)->FindDisk(number));
}
std::optional<std::string> MachineDescription::Fault(const std::string& name) const {
  auto it = faults.find(name);
  if (it == faults.end()) return std::nullopt;
  return it->second;
}

namespace {

// Owners are listed by path in lower case without a trailing backslash, as Windows compares
// paths without regard to case.
std::string OwnerKey(const std::wstring& windowsPath) {
  std::wstring key = windowsPath;
  while (key.size() > 3 && key.back() == L'\\') key.pop_back();
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return ToUtf8(key);
}

}  // namespace

std::string MachineDescription::OwnerOf(const std::wstring& windowsPath) const {
  auto it = owners.find(OwnerKey(windowsPath));
  return it == owners.end() ? std::string(kAdministratorsAccount) : it->second;
}

void MachineDescription::SetOwner(const std::wstring& windowsPath, const std::string& account) {
  owners[OwnerKey(windowsPath)] = account;
}

namespace {

json ToJson(const MachineDescription& m) {
  json j;
  j["folders"] = {{"program", ToUtf8(m.programFolder)},
                  {"commonAppData", ToUtf8(m.commonAppData)},
                  {"programFilesX86", ToUtf8(m.programFilesX86)},
                  {"system", ToUtf8(m.systemFolder)},
                  {"windows", ToUtf8(m.windowsFolder)},
                  {"current", ToUtf8(m.currentFolder)}};
  j["systemLocale"] = m.systemLocale;
  j["wow64"] = m.wow64;
  j["dismVersion"] = m.dismVersion;
  j["drives"] = json::array();
  for (const auto& d : m.drives) {
    j["drives"].push_back({{"letter", std::string(1, d.letter)}, {"type", d.type}, {"bus", d.bus},
                           {"label", ToUtf8(d.label)}, {"fileSystem", ToUtf8(d.fileSystem)},
                           {"totalBytes", d.totalBytes}, {"root", d.root}, {"disk", d.disk},
                           {"partition", d.partition}, {"volume", d.volume}, {"media", d.media}});
    if (d.letterAtMs != 0) j["drives"].back()["letterAtMs"] = d.letterAtMs;
  }
  j["disks"] = json::array();
  for (const auto& d : m.disks) {
    json parts = json::array();
    for (const auto& p : d.partitions)
      parts.push_back({{"number", p.number}, {"start", p.start}, {"length", p.length}, {"mbrType", p.mbrType},
                       {"gptType", p.gptType}, {"active", p.active}, {"logical", p.logical},
                       {"volume", p.volume}, {"fileSystem", ToUtf8(p.fileSystem)}, {"label", ToUtf8(p.label)}});
    j["disks"].push_back({{"number", d.number}, {"style", d.style}, {"size", d.size}, {"bus", d.bus},
                          {"removable", d.removable}, {"media", d.media}, {"tracksPerCylinder", d.tracksPerCylinder},
                          {"sectorsPerTrack", d.sectorsPerTrack}, {"bytesPerSector", d.bytesPerSector},
                          {"signature", d.signature}, {"guid", d.guid}, {"partitions", parts},
                          {"keptBytes", d.keptBytes}});
  }
  j["faults"] = m.faults;
  if (!m.owners.empty()) j["owners"] = m.owners;
  return j;
}

template <typename T>
void Take(const json& j, const char* key, T& out) {
  if (j.contains(key)) out = j.at(key).get<T>();
}

MachineDescription FromJson(const json& j) {
  MachineDescription m;
  if (j.contains("folders")) {
    const auto& f = j["folders"];
    std::string s;
    if (f.contains("program")) m.programFolder = FromUtf8(f["program"].get<std::string>());
    if (f.contains("commonAppData")) m.commonAppData = FromUtf8(f["commonAppData"].get<std::string>());
    if (f.contains("programFilesX86")) m.programFilesX86 = FromUtf8(f["programFilesX86"].get<std::string>());
    if (f.contains("system")) m.systemFolder = FromUtf8(f["system"].get<std::string>());
    if (f.contains("windows")) m.windowsFolder = FromUtf8(f["windows"].get<std::string>());
    if (f.contains("current")) m.currentFolder = FromUtf8(f["current"].get<std::string>());
  }
  Take(j, "systemLocale", m.systemLocale);
  Take(j, "wow64", m.wow64);
  Take(j, "dismVersion", m.dismVersion);
  for (const auto& jd : j.value("drives", json::array())) {
    DriveRecord d;
    std::string letter = jd.value("letter", std::string("C"));
    d.letter = letter.empty() ? 'C' : static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
    Take(jd, "type", d.type);
    Take(jd, "bus", d.bus);
    if (jd.contains("label")) d.label = FromUtf8(jd["label"].get<std::string>());
    if (jd.contains("fileSystem")) d.fileSystem = FromUtf8(jd["fileSystem"].get<std::string>());
    Take(jd, "totalBytes", d.totalBytes);
    Take(jd, "root", d.root);
    Take(jd, "disk", d.disk);
    Take(jd, "partition", d.partition);
    Take(jd, "volume", d.volume);
    Take(jd, "media", d.media);
    Take(jd, "letterAtMs", d.letterAtMs);
    m.drives.push_back(d);
  }
  for (const auto& jd : j.value("disks", json::array())) {
    DiskRecord d;
    Take(jd, "number", d.number);
    Take(jd, "style", d.style);
    Take(jd, "size", d.size);
    Take(jd, "bus", d.bus);
    Take(jd, "removable", d.removable);
    Take(jd, "media", d.media);
    Take(jd, "tracksPerCylinder", d.tracksPerCylinder);
    Take(jd, "sectorsPerTrack", d.sectorsPerTrack);
    Take(jd, "bytesPerSector", d.bytesPerSector);
    Take(jd, "signature", d.signature);
    Take(jd, "keptBytes", d.keptBytes);
    Take(jd, "guid", d.guid);
    for (const auto& jp : jd.value("partitions", json::array())) {
      PartitionRecord p;
      Take(jp, "number", p.number);
      Take(jp, "start", p.start);
      Take(jp, "length", p.length);
      Take(jp, "mbrType", p.mbrType);
      Take(jp, "gptType", p.gptType);
      Take(jp, "active", p.active);
      Take(jp, "logical", p.logical);
      Take(jp, "volume", p.volume);
      if (jp.contains("fileSystem")) p.fileSystem = FromUtf8(jp["fileSystem"].get<std::string>());
      if (jp.contains("label")) p.label = FromUtf8(jp["label"].get<std::string>());
      d.partitions.push_back(p);
    }
    m.disks.push_back(d);
  }
  if (j.contains("faults")) m.faults = j["faults"].get<std::map<std::string, std::string>>();
  if (j.contains("owners")) m.owners = j["owners"].get<std::map<std::string, std::string>>();
  return m;
}

std::string DescriptionPath(const std::string& folder) { return folder + "/machine.json"; }

// Serialises access to the cache; the file lock below serialises processes.
std::mutex g_cacheLock;
struct Cache {
  std::string folder;
  std::int64_t stamp = 0;
  std::uint64_t size = 0;
  std::shared_ptr<const MachineDescription> description;
};
Cache g_cache;


std::optional<MachineDescription> ReadUnlocked(const std::string& folder) {
  std::ifstream in(DescriptionPath(folder));
  if (!in) return std::nullopt;
  try {
    json j;
    in >> j;
    return FromJson(j);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool WriteUnlocked(const std::string& folder, const MachineDescription& description) {
  std::string tmp = DescriptionPath(folder) + ".tmp." + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::trunc);
    if (!out) return false;
    out << ToJson(description).dump(2) << "\n";
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(tmp, DescriptionPath(folder), ec);
  return !ec;
}

// Finds an existing entry of `dir` whose name matches `name` without regard to case; the name
// as written when it exists, else through the folder's name index (platform/host/system/name_index.h).
std::string MatchName(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(dir / name, ec)) return name;
  return MatchNameInFolder(dir.string(), name).value_or(name);
}

}  // namespace

namespace {

// The process's machine folder; seeded from the environment on first use.
std::mutex g_folderLock;
std::optional<std::string> g_folder;

std::string& FolderLocked() {
  if (!g_folder) {
    const char* value = std::getenv(kMachineVariable);
    g_folder = value ? std::string(value) : std::string();
  }
  return *g_folder;
}

}  // namespace

std::string Machine::Folder() {
  std::lock_guard<std::mutex> guard(g_folderLock);
  return FolderLocked();
}

void Machine::UseFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(g_folderLock);
  FolderLocked() = folder;
}

std::vector<std::string> Machine::ChildEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> replaced = overrides;
  const std::string folder = Folder();
  replaced.push_back(std::string(kMachineVariable) + "=" + folder);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    bool keep = true;
    for (const auto& item : replaced) {
      std::string_view name(item.data(), item.find('=') + 1);
      if (text.substr(0, name.size()) == name) keep = false;
    }
    if (keep) environment.emplace_back(text);
  }
  for (const auto& item : overrides) environment.push_back(item);
  if (!folder.empty()) environment.push_back(std::string(kMachineVariable) + "=" + folder);
  return environment;
}

std::optional<MachineDescription> Machine::Read(const std::string& folder) {
  FileLock lock(folder + "/machine.lock", false);
  return ReadUnlocked(folder);
}

bool Machine::Write(const std::string& folder, const MachineDescription& description) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  FileLock lock(folder + "/machine.lock", true);
  return WriteUnlocked(folder, description);
}

namespace {

// The description as the system shows it now: a drive whose letter is still to come is left out.
std::shared_ptr<const MachineDescription> WithLetteredDrivesOnly(std::shared_ptr<const MachineDescription> description) {
  const std::int64_t now = Machine::NowMs();
  auto pending = [now](const DriveRecord& d) { return d.letterAtMs > now; };
  if (std::none_of(description->drives.begin(), description->drives.end(), pending)) return description;
  auto shown = std::make_shared<MachineDescription>(*description);
  std::erase_if(shown->drives, pending);
  return shown;
}

}  // namespace

std::int64_t Machine::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::shared_ptr<const MachineDescription> Machine::Current() {
  std::string folder = Folder();
  if (folder.empty()) return nullptr;
  // One stat for both the time and the size: every path look-up comes here first.
  const std::optional<FileStamp> file = StampOf(DescriptionPath(folder));
  if (!file) return nullptr;
  const std::int64_t stamp = file->modifiedNs;
  const std::uint64_t size = file->size;
  std::lock_guard<std::mutex> guard(g_cacheLock);
  if (g_cache.description && g_cache.folder == folder && g_cache.stamp == stamp && g_cache.size == size)
    return WithLetteredDrivesOnly(g_cache.description);
  auto read = Read(folder);
  if (!read) return nullptr;
  g_cache.folder = folder;
  g_cache.stamp = stamp;
  g_cache.size = size;
  g_cache.description = std::make_shared<const MachineDescription>(std::move(*read));
  return WithLetteredDrivesOnly(g_cache.description);
}

bool Machine::Update(const std::function<void(MachineDescription&)>& change) {
  std::string folder = Folder();
  if (folder.empty()) return false;
  bool ok = false;
  {
    FileLock lock(folder + "/machine.lock", true);
    auto description = ReadUnlocked(folder);
    if (!description) return false;
    change(*description);
    ok = WriteUnlocked(folder, *description);
  }
  std::lock_guard<std::mutex> guard(g_cacheLock);
  g_cache.description.reset();  // the next Current() reads the new file
  return ok;
}

namespace {

// The names below the drive of an absolute Windows folder path ("C:\Windows" -> {"Windows"});
// false when it is on another drive than `letter`.
bool FolderParts(const std::wstring& folder, char letter, std::vector<std::wstring>& parts) {
  parts.clear();
  if (folder.size() < 2 || folder[1] != L':' ||
      std::toupper(static_cast<unsigned char>(folder[0])) != std::toupper(static_cast<unsigned char>(letter)))
    return false;
  std::wstring rest = folder.substr(2);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = rest.size();
    if (end > start) parts.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

// Whether `parts` begins with `prefix`, without regard to case.
bool StartsWith(const std::vector<std::wstring>& parts, const std::vector<std::wstring>& prefix) {
  if (prefix.empty() || parts.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (!SameName(parts[i], prefix[i])) return false;
  return true;
}

}  // namespace

// A 32-bit program on 64-bit Windows: <system> is SysWOW64 for it, and <windows>\Sysnative is
// the native <system>.
void Machine::RedirectSystemFolder(const MachineDescription& machine, char letter, std::vector<std::wstring>& parts) {
  std::vector<std::wstring> windows, system;
  if (!FolderParts(machine.windowsFolder, letter, windows) || !FolderParts(machine.systemFolder, letter, system)) return;
  std::vector<std::wstring> sysnative = windows;
  sysnative.push_back(L"Sysnative");
  std::vector<std::wstring> wow64 = windows;
  wow64.push_back(L"SysWOW64");
  const std::vector<std::wstring>* from = nullptr;
  const std::vector<std::wstring>* to = nullptr;
  if (StartsWith(parts, sysnative)) {
    from = &sysnative;
    to = &system;
  } else if (StartsWith(parts, system)) {
    from = &system;
    to = &wow64;
  }
  if (!from) return;
  std::vector<std::wstring> redirected = *to;
  redirected.insert(redirected.end(), parts.begin() + static_cast<std::ptrdiff_t>(from->size()), parts.end());
  parts = std::move(redirected);
}

namespace {

// The host folder of `letter`'s root on `machine`, the machine in `folder`; empty for a drive
// that isn't there or has no medium.
std::string RootOnMachine(const MachineDescription& machine, const std::string& folder, char letter) {
  const DriveRecord* drive = machine.FindDrive(letter);
  if (!drive || !drive->media || drive->root.empty()) return {};
  fs::path root(drive->root);
  if (root.is_relative()) root = fs::path(folder) / root;
  return root.lexically_normal().string();
}

}  // namespace

std::string Machine::DriveRootHostPath(char letter) {
  auto machine = Current();
  return machine ? RootOnMachine(*machine, Folder(), letter) : std::string();
}

std::string Machine::HostPath(const std::wstring& windowsPath) {
  std::wstring path = windowsPath;
  if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) path = path.substr(4);
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  auto machine = Current();
  if (!machine) return {};

  // Make the path absolute: X:\..., \... on the current drive, or relative to the current folder.
  bool hasDrive = path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]);
  if (!hasDrive) {
    std::wstring current = machine->currentFolder;
    if (!path.empty() && path[0] == L'\\') {
      path = current.substr(0, 2) + path;
    } else {
      if (!current.empty() && current.back() != L'\\') current += L'\\';
      path = current + path;
    }
  }
  if (path.size() < 2 || path[1] != L':') return {};
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  // The root from the same description the path was made absolute with.
  const std::string root = RootOnMachine(*machine, Folder(), letter);
  if (root.empty()) return {};

  std::vector<std::wstring> parts;
  std::wstring rest = path.substr(2);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find(L'\\', start);
    if (end == std::wstring::npos) end = rest.size();
    std::wstring part = rest.substr(start, end - start);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (machine->wow64) RedirectSystemFolder(*machine, letter, parts);
  fs::path host(root);
  // A path that exists as written, or whose folder does, is its own match: one look-up instead
  // of one per name (a copy of many thousand files asks for each of them several times).
  if (!parts.empty()) {
    fs::path exact(root);
    for (const auto& part : parts) exact /= ToUtf8(part);
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact.string();
    fs::path folder = exact.parent_path();
    if (auto name = MatchNameInFolder(folder.string(), ToUtf8(parts.back()))) return (folder / *name).string();
  }
  for (const auto& part : parts) host /= MatchName(host, ToUtf8(part));
  return host.string();
}

}  // namespace platform::host
