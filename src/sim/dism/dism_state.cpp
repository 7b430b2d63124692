#include "sim/dism/dism_state.h"

#include <cwctype>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <set>

#include "sim/dism/dism_substitute.h"
#include "sim/machine/machine.h"

namespace fs = std::filesystem;

namespace platform::host::dism {

namespace {

thread_local std::wstring t_lastError;

struct Allocations {
  std::mutex lock;
  std::map<void*, std::wstring*> texts;  // DismText -> its storage
  std::set<void*> infos;
};
Allocations& TheAllocations() {
  static Allocations allocations;
  return allocations;
}

}  // namespace

State& TheState() {
  static State* state = new State;  // outlives every caller, exit-time ones included
  return *state;
}

std::optional<DismResult> RecordCall(const std::string& name, const std::string& arguments) {
  State& s = TheState();
  int number = 0;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.calls.push_back(arguments.empty() ? name : name + " " + arguments);
    number = ++s.callCounts[name];
  }
  auto machine = Machine::Current();
  if (!machine) return std::nullopt;
  auto fault = machine->Fault("dism." + name);
  if (!fault) return std::nullopt;
  std::string value = *fault;
  if (auto at = value.find('@'); at != std::string::npos) {
    if (std::atoi(value.c_str() + at + 1) != number) return std::nullopt;
    value = value.substr(0, at);
  }
  DismResult hr = static_cast<DismResult>(0x80004005u);  // E_FAIL for a switch that is not a number
  try {
    hr = static_cast<DismResult>(std::stoul(value, nullptr, 16));
  } catch (const std::exception&) {
  }
  SetLastError(FromUtf8(name) + L" failed: the machine's fault switch is set.");
  Log(FromUtf8(name) + L" failed (fault switch)");
  return hr;
}

void SetLastError(const std::wstring& text) { t_lastError = text; }
void ClearLastError() { t_lastError.clear(); }
std::wstring LastError() { return t_lastError; }

void Log(const std::wstring& line) {
  std::wstring file;
  {
    State& s = TheState();
    std::lock_guard<std::mutex> guard(s.lock);
    file = s.logFile;
  }
  if (file.empty()) return;
  std::string host = Machine::HostPath(file);
  if (host.empty()) return;
  std::ofstream out(host, std::ios::app | std::ios::binary);
  out << "DISM substitute: " << ToUtf8(line) << "\r\n";
}

void* AllocateText(const std::wstring& text) {
  auto* storage = new std::wstring(text);
  auto* result = new DismText{storage->c_str()};
  Allocations& a = TheAllocations();
  std::lock_guard<std::mutex> guard(a.lock);
  a.texts[result] = storage;
  return result;
}

void* AllocateImageInfo(std::uint32_t count) {
  void* block = new std::uint32_t[count == 0 ? 1 : count]();
  Allocations& a = TheAllocations();
  std::lock_guard<std::mutex> guard(a.lock);
  a.infos.insert(block);
  return block;
}

bool Release(void* structure) {
  Allocations& a = TheAllocations();
  std::lock_guard<std::mutex> guard(a.lock);
  if (auto it = a.texts.find(structure); it != a.texts.end()) {
    delete it->second;
    delete static_cast<DismText*>(structure);
    a.texts.erase(it);
    return true;
  }
  if (a.infos.erase(structure) != 0) {
    delete[] static_cast<std::uint32_t*>(structure);
    return true;
  }
  return false;
}

std::vector<MountRecord> ReadMounts() { return ReadMountRecords(Machine::Folder()); }

bool WriteMounts(const std::vector<MountRecord>& records) { return WriteMountRecords(Machine::Folder(), records); }

std::wstring WithoutBackslash(std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  std::wstring x = WithoutBackslash(a), y = WithoutBackslash(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (std::towupper(x[i]) != std::towupper(y[i])) return false;
  return true;
}

bool MountIsValid(const MountRecord& record) {
  std::string folder = Machine::HostPath(record.mountPath);
  std::string image = Machine::HostPath(record.imageFile);
  return record.status != kDismMountStatusInvalid && !folder.empty() && fs::is_directory(folder) && !image.empty() &&
         fs::is_regular_file(image);
}

int MountStatus(const MountRecord& record) {
  if (!MountIsValid(record)) return kDismMountStatusInvalid;
  return record.status;
}

}  // namespace platform::host::dism

namespace platform::host {

std::vector<std::string> DismCallLog() {
  dism::State& s = dism::TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.calls;
}

void ClearDismCallLog() {
  dism::State& s = dism::TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.calls.clear();
  s.callCounts.clear();
}

void UnlockDismApi() {
  dism::State& s = dism::TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.loaded = true;
}

void ResetDismForTests() {
  dism::State& s = dism::TheState();
  std::lock_guard<std::mutex> guard(s.lock);
  s.calls.clear();
  s.callCounts.clear();
  s.sessions.clear();
  s.loaded = false;
  s.initialized = false;
  s.logFile.clear();
}

std::size_t DismOutstandingAllocations() {
  auto& a = dism::TheAllocations();
  std::lock_guard<std::mutex> guard(a.lock);
  return a.texts.size() + a.infos.size();
}

}  // namespace platform::host
