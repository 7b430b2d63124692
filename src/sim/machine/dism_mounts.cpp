#include "sim/machine/dism_mounts.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/machine/machine.h"

namespace platform::host {

namespace {

std::string MountsFile(const std::string& machineFolder) {
  return machineFolder.empty() ? std::string() : machineFolder + "/dism-mounts.json";
}

// The status is written only when it is not Ok, under the names DISM's enumeration uses.
const char* StatusName(int status) {
  return status == kDismMountStatusNeedsRemount ? "needsRemount" : status == kDismMountStatusInvalid ? "invalid" : "";
}

int StatusOf(const std::string& name) {
  if (name == "needsRemount") return kDismMountStatusNeedsRemount;
  if (name == "invalid") return kDismMountStatusInvalid;
  return kDismMountStatusOk;
}

}  // namespace

std::vector<MountRecord> ReadMountRecords(const std::string& machineFolder) {
  std::vector<MountRecord> records;
  std::string file = MountsFile(machineFolder);
  std::ifstream in(file);
  if (file.empty() || !in) return records;
  nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
  if (!j.is_array()) return records;
  for (const auto& item : j) {
    MountRecord r;
    r.mountPath = FromUtf8(item.value("mountPath", ""));
    r.imageFile = FromUtf8(item.value("imageFile", ""));
    r.index = item.value("index", 0u);
    r.mode = item.value("mode", 0);
    r.arch = item.value("arch", "");
    r.status = StatusOf(item.value("status", ""));
    records.push_back(r);
  }
  return records;
}

bool WriteMountRecords(const std::string& machineFolder, const std::vector<MountRecord>& records) {
  std::string file = MountsFile(machineFolder);
  if (file.empty()) return false;
  nlohmann::json j = nlohmann::json::array();
  for (const auto& r : records) {
    nlohmann::json item = {{"mountPath", ToUtf8(r.mountPath)}, {"imageFile", ToUtf8(r.imageFile)},
                           {"index", r.index}, {"mode", r.mode}, {"arch", r.arch}};
    if (r.status != kDismMountStatusOk) item["status"] = StatusName(r.status);
    j.push_back(item);
  }
  std::ofstream out(file, std::ios::trunc);
  out << j.dump(2);
  return static_cast<bool>(out);
}

}  // namespace platform::host
