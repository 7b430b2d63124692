#pragma once
// Test WIM files made and read with libwim.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace test {

struct WimImageContent {
  std::string name;
  std::string arch;                           // WINDOWS/ARCH: "0" x86, "9" amd64, empty for none
  std::map<std::string, std::string> files;   // path below the image root ("a/b.txt") -> content
};

// Writes a WIM file with one image per entry.
void MakeWim(const std::string& wimPath, const std::vector<WimImageContent>& images);
// Every file and folder of image `index`: path -> SHA-1 of its data ("dir" for folders).
std::map<std::string, std::string> WimImageListing(const std::string& wimPath, int index);
int WimImageCount(const std::string& wimPath);
// The names of the folders in image `index`'s driver store (Windows/System32/DriverStore/
// FileRepository), sorted.
std::vector<std::string> StagedPackages(const std::string& wimPath, int index);

// An image 2 shaped like Windows 7 setup's boot image.
WimImageContent SetupImage(const std::string& arch);
WimImageContent PeImage();

// A minimal PE file: a DOS header pointing at the PE signature, the file header and an optional
// header (PE32 for i386, PE32+ otherwise) with no sections, for `machine` and `subsystem`.
std::vector<unsigned char> PeFileBytes(std::uint16_t machine, std::uint16_t subsystem = 1);

}  // namespace test
