#include "platform/host/system/wim_file.h"

#include <wimlib.h>

#include <mutex>
#include <vector>

namespace platform::host::wim {

namespace {

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { wimlib_global_init(0); });
}

Outcome Failed(int code) { return Outcome{false, code, wimlib_get_error_string(static_cast<wimlib_error_code>(code))}; }

// Owns an opened WIM.
class OpenWim {
 public:
  OpenWim(const std::string& file, int flags) {
    InitOnce();
    code_ = wimlib_open_wim(file.c_str(), flags, &wim_);
  }
  ~OpenWim() {
    if (wim_) wimlib_free(wim_);
  }
  OpenWim(const OpenWim&) = delete;
  OpenWim& operator=(const OpenWim&) = delete;
  WIMStruct* get() const { return wim_; }
  int code() const { return code_; }

 private:
  WIMStruct* wim_ = nullptr;
  int code_ = 0;
};

enum wimlib_progress_status OnProgress(enum wimlib_progress_msg msg, union wimlib_progress_info* info, void* context) {
  const auto* progress = static_cast<const Progress*>(context);
  if (!progress || !*progress) return WIMLIB_PROGRESS_STATUS_CONTINUE;
  if (msg == WIMLIB_PROGRESS_MSG_EXTRACT_STREAMS)
    (*progress)(info->extract.completed_bytes, info->extract.total_bytes);
  else if (msg == WIMLIB_PROGRESS_MSG_WRITE_STREAMS)
    (*progress)(info->write_streams.completed_bytes, info->write_streams.total_bytes);
  return WIMLIB_PROGRESS_STATUS_CONTINUE;
}

int CollectChild(const struct wimlib_dir_entry* entry, void* context) {
  static_cast<std::vector<std::string>*>(context)->push_back(entry->filename);
  return 0;
}

}  // namespace

Outcome ImageCount(const std::string& wimFile, std::uint32_t& count) {
  OpenWim wim(wimFile, 0);
  if (wim.code() != 0) return Failed(wim.code());
  struct wimlib_wim_info info {};
  if (int code = wimlib_get_wim_info(wim.get(), &info); code != 0) return Failed(code);
  count = info.image_count;
  return {};
}

Outcome ExtractImage(const std::string& wimFile, std::uint32_t index, const std::string& target, const Progress& progress) {
  OpenWim wim(wimFile, 0);
  if (wim.code() != 0) return Failed(wim.code());
  wimlib_register_progress_function(wim.get(), OnProgress, const_cast<Progress*>(&progress));
  if (int code = wimlib_extract_image(wim.get(), static_cast<int>(index), target.c_str(), WIMLIB_EXTRACT_FLAG_NO_ACLS); code != 0)
    return Failed(code);
  return {};
}

Outcome ReplaceImage(const std::string& wimFile, std::uint32_t index, const std::string& source, const Progress& progress) {
  OpenWim wim(wimFile, WIMLIB_OPEN_FLAG_WRITE_ACCESS);
  if (wim.code() != 0) return Failed(wim.code());
  const int image = static_cast<int>(index);

  // Delete every entry of the image's root, then add the tree at the root: in one update, so
  // files removed from the tree leave the image too.
  std::vector<std::string> children;
  if (int code = wimlib_iterate_dir_tree(wim.get(), image, WIMLIB_WIM_ROOT_PATH, WIMLIB_ITERATE_DIR_TREE_FLAG_CHILDREN,
                                         CollectChild, &children);
      code != 0)
    return Failed(code);
  std::vector<std::string> paths;
  paths.reserve(children.size());
  for (const auto& child : children) paths.push_back(std::string(WIMLIB_WIM_ROOT_PATH) + child);

  std::vector<wimlib_update_command> commands(paths.size() + 1);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    commands[i].op = WIMLIB_UPDATE_OP_DELETE;
    commands[i].delete_.wim_path = paths[i].data();
    commands[i].delete_.delete_flags = WIMLIB_DELETE_FLAG_RECURSIVE;
  }
  std::string sourcePath = source;
  std::string rootPath = WIMLIB_WIM_ROOT_PATH;
  wimlib_update_command& add = commands.back();
  add.op = WIMLIB_UPDATE_OP_ADD;
  add.add.fs_source_path = sourcePath.data();
  add.add.wim_target_path = rootPath.data();
  add.add.config_file = nullptr;
  add.add.add_flags = WIMLIB_ADD_FLAG_NO_ACLS;
  if (int code = wimlib_update_image(wim.get(), image, commands.data(), commands.size(), 0); code != 0)
    return Failed(code);

  wimlib_register_progress_function(wim.get(), OnProgress, const_cast<Progress*>(&progress));
  if (int code = wimlib_overwrite(wim.get(), 0, 0); code != 0) return Failed(code);
  return {};
}

std::string ImageProperty(const std::string& wimFile, std::uint32_t index, const std::string& name) {
  OpenWim wim(wimFile, 0);
  if (wim.code() != 0) return {};
  const wimlib_tchar* value = wimlib_get_image_property(wim.get(), static_cast<int>(index), name.c_str());
  return value ? std::string(value) : std::string();
}

std::string ImageArchitecture(const std::string& wimFile, std::uint32_t index) {
  std::string arch = ImageProperty(wimFile, index, "WINDOWS/ARCH");
  if (arch == "0") return "x86";
  if (arch == "9") return "amd64";
  if (arch == "6") return "ia64";
  return {};
}

}  // namespace platform::host::wim
