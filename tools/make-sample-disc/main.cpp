// make_sample_disc --out <folder> [--arch x86|amd64] [--size <bytes, or with K, M or G>] [--label <text>]
//
// Writes a tree shaped like a Windows 7 disc into <folder> (which must be missing or empty):
// setup.exe, bootmgr, boot\, efi\, AutoRun.inf ([AutoRun.Amd64] on a 64-bit disc), sources\ with
// a real boot.wim of two images (Windows PE, then Windows Setup, the boot image) and a real
// install.wim of four editions, and filler files up to the requested size. Prints the disc's volume label.
#include <unistd.h>
#include <wimlib.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <utility>
#include <vector>

#include "disc_tree.h"

namespace fs = std::filesystem;

namespace {

std::uint64_t ParseSize(const std::string& text) {
  std::size_t used = 0;
  std::uint64_t value = std::stoull(text, &used, 10);
  std::string unit = text.substr(used);
  if (unit.empty()) return value;
  switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
    case 'K': return value << 10;
    case 'M': return value << 20;
    case 'G': return value << 30;
    default: throw std::invalid_argument("unknown size unit in " + text);
  }
}

void Check(int code, const char* what) {
  if (code != 0) throw std::runtime_error(std::string(what) + ": " + wimlib_get_error_string(static_cast<wimlib_error_code>(code)));
}

// Captures each folder as one image of a new WIM file.
void MakeWim(const fs::path& file, const std::vector<std::pair<fs::path, std::string>>& images, int bootIndex,
             const std::string& arch) {
  WIMStruct* wim = nullptr;
  Check(wimlib_create_new_wim(WIMLIB_COMPRESSION_TYPE_LZX, &wim), "wimlib_create_new_wim");
  try {
    int index = 0;
    for (const auto& [folder, name] : images) {
      Check(wimlib_add_image(wim, folder.c_str(), name.c_str(), nullptr, 0), "wimlib_add_image");
      ++index;
      Check(wimlib_set_image_property(wim, index, "DESCRIPTION", name.c_str()), "wimlib_set_image_property");
      Check(wimlib_set_image_property(wim, index, "WINDOWS/ARCH", arch == "amd64" ? "9" : "0"),
            "wimlib_set_image_property");
    }
    if (bootIndex > 0) {
      wimlib_wim_info info{};
      info.boot_index = static_cast<std::uint32_t>(bootIndex);
      Check(wimlib_set_wim_info(wim, &info, WIMLIB_CHANGE_BOOT_INDEX), "wimlib_set_wim_info");
    }
    Check(wimlib_write(wim, file.c_str(), WIMLIB_ALL_IMAGES, 0, 1), "wimlib_write");
  } catch (...) {
    wimlib_free(wim);
    throw;
  }
  wimlib_free(wim);
}

std::uint64_t TreeBytes(const fs::path& root) {
  std::uint64_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) total += entry.file_size();
  return total;
}

int Usage() {
  std::cerr << "usage: make_sample_disc --out <folder> [--arch x86|amd64] [--size <n>[K|M|G]] [--label <text>]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sample::DiscOptions options;
  try {
    for (int i = 1; i < argc; ++i) {
      std::string arg = argv[i];
      if (i + 1 >= argc) return Usage();
      std::string value = argv[++i];
      if (arg == "--out") options.out = value;
      else if (arg == "--arch" && (value == "x86" || value == "amd64")) options.amd64 = value == "amd64";
      else if (arg == "--size") options.sizeBytes = ParseSize(value);
      else if (arg == "--label") options.label = value;
      else return Usage();
    }
  } catch (const std::exception&) {
    return Usage();
  }
  if (options.out.empty()) return Usage();
  if (options.label.empty()) options.label = options.amd64 ? "GRMCULXFRER_EN_DVD" : "GRMCULFRER_EN_DVD";

  const std::string arch = options.amd64 ? "amd64" : "x86";
  const fs::path staging = fs::temp_directory_path() / ("make-sample-disc-" + std::to_string(::getpid()));
  try {
    std::error_code ec;
    if (fs::exists(options.out) && !fs::is_empty(options.out, ec))
      throw std::runtime_error(options.out.string() + " is not empty");
    fs::create_directories(options.out);
    if (wimlib_global_init(0) != 0) throw std::runtime_error("wimlib_global_init failed");

    sample::WriteBaseTree(options);
    sample::WriteBootImageTree(staging / "pe", options.amd64, false);
    sample::WriteBootImageTree(staging / "setup", options.amd64, true);
    sample::WriteInstallImageTree(staging / "install", options.amd64);
    MakeWim(options.out / "sources" / "boot.wim",
            {{staging / "pe", "Microsoft Windows PE (" + arch + ")"},
             {staging / "setup", "Microsoft Windows Setup (" + arch + ")"}},
            2, arch);
    // Several editions of one small tree, as a retail disc holds them (the WIM stores the
    // shared files once).
    std::vector<std::pair<fs::path, std::string>> editions;
    for (const char* edition : {"HOMEBASIC", "HOMEPREMIUM", "PROFESSIONAL", "ULTIMATE"})
      editions.emplace_back(staging / "install", std::string("Windows 7 ") + edition);
    MakeWim(options.out / "sources" / "install.wim", editions, 0, arch);
    fs::remove_all(staging, ec);

    sample::WriteFiller(options, TreeBytes(options.out));
    wimlib_global_cleanup();
  } catch (const std::exception& error) {
    std::error_code ec;
    fs::remove_all(staging, ec);
    std::cerr << "make_sample_disc: " << error.what() << "\n";
    return 1;
  }
  std::cout << options.label << "\n";
  return 0;
}
