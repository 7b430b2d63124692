#include "servicing/test_wim.h"

#include <wimlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace test {

namespace {
void Check(int code, const char* what) {
  if (code != 0) throw std::runtime_error(std::string(what) + ": " + wimlib_get_error_string(static_cast<wimlib_error_code>(code)));
}

struct Wim {
  WIMStruct* wim = nullptr;
  ~Wim() {
    if (wim) wimlib_free(wim);
  }
};

int Collect(const struct wimlib_dir_entry* entry, void* context) {
  auto* listing = static_cast<std::map<std::string, std::string>*>(context);
  std::string value = "dir";
  if (!(entry->attributes & WIMLIB_FILE_ATTRIBUTE_DIRECTORY)) {
    char hex[41] = {};
    for (int i = 0; i < 20; ++i) std::snprintf(hex + 2 * i, 3, "%02x", entry->streams[0].resource.sha1_hash[i]);
    value = hex;
  }
  (*listing)[entry->full_path] = value;
  return 0;
}
}  // namespace

void MakeWim(const std::string& wimPath, const std::vector<WimImageContent>& images) {
  Wim w;
  Check(wimlib_create_new_wim(WIMLIB_COMPRESSION_TYPE_LZX, &w.wim), "create");
  std::vector<std::unique_ptr<TempFolder>> trees;
  for (const auto& image : images) {
    trees.push_back(std::make_unique<TempFolder>());
    for (const auto& [path, content] : image.files) WriteHostFile(trees.back()->Path() + "/" + path, content);
    Check(wimlib_add_image(w.wim, trees.back()->Path().c_str(), image.name.c_str(), nullptr, 0), "capture");
    if (!image.arch.empty()) {
      int index = static_cast<int>(&image - images.data()) + 1;
      Check(wimlib_set_image_property(w.wim, index, "WINDOWS/ARCH", image.arch.c_str()), "arch");
    }
  }
  fs::create_directories(fs::path(wimPath).parent_path());
  Check(wimlib_write(w.wim, wimPath.c_str(), WIMLIB_ALL_IMAGES, 0, 0), "write");
}

std::map<std::string, std::string> WimImageListing(const std::string& wimPath, int index) {
  Wim w;
  Check(wimlib_open_wim(wimPath.c_str(), 0, &w.wim), "open");
  std::map<std::string, std::string> listing;
  Check(wimlib_iterate_dir_tree(w.wim, index, WIMLIB_WIM_ROOT_PATH, WIMLIB_ITERATE_DIR_TREE_FLAG_RECURSIVE, Collect,
                                &listing),
        "list");
  return listing;
}

int WimImageCount(const std::string& wimPath) {
  Wim w;
  Check(wimlib_open_wim(wimPath.c_str(), 0, &w.wim), "open");
  struct wimlib_wim_info info {};
  Check(wimlib_get_wim_info(w.wim, &info), "info");
  return static_cast<int>(info.image_count);
}

std::vector<std::string> StagedPackages(const std::string& wimPath, int index) {
  const std::string store = "/Windows/System32/DriverStore/FileRepository/";
  std::vector<std::string> packages;
  for (const auto& [path, hash] : WimImageListing(wimPath, index)) {
    if (hash != "dir" || path.rfind(store, 0) != 0) continue;
    std::string rest = path.substr(store.size());
    if (!rest.empty() && rest.find('/') == std::string::npos) packages.push_back(rest);
  }
  std::sort(packages.begin(), packages.end());
  return packages;
}

WimImageContent SetupImage(const std::string& arch) {
  WimImageContent image{"Microsoft Windows Setup (x86)", arch, {}};
  image.files["setup.exe"] = "setup";
  image.files["sources/setup.exe"] = "setup program";
  image.files["Windows/System32/drivers/usbhub.sys"] = "usb hub";
  image.files["Windows/System32/DriverStore/FileRepository/usb.inf_x86_neutral/usb.inf"] = "[Version]";
  if (arch == "9") image.files["Windows/SysWOW64/kernel32.dll"] = "wow";
  return image;
}

WimImageContent PeImage() {
  WimImageContent image{"Microsoft Windows PE (x86)", "", {}};
  image.files["Windows/System32/winpeshl.ini"] = "[LaunchApps]";
  image.files["Windows/System32/drivers/usbport.sys"] = "usb port";
  return image;
}

namespace {
void PutLe(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::vector<unsigned char> PeFileBytes(std::uint16_t machine, std::uint16_t subsystem) {
  const bool plus = machine != 0x14C;
  const std::size_t peAt = 0x80, optionalSize = plus ? 0xF0 : 0xE0;
  std::vector<unsigned char> bytes(peAt + 24 + optionalSize, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  PutLe(bytes, 0x3C, peAt, 4);
  PutLe(bytes, peAt, 0x00004550, 4);  // "PE\0\0"
  PutLe(bytes, peAt + 4, machine, 2);
  PutLe(bytes, peAt + 20, optionalSize, 2);
  PutLe(bytes, peAt + 22, 0x0102, 2);  // executable, 32-bit word machine
  PutLe(bytes, peAt + 24, plus ? 0x20B : 0x10B, 2);
  PutLe(bytes, peAt + 24 + 68, subsystem, 2);
  return bytes;
}

}  // namespace test
