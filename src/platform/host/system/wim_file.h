#pragma once
// Host only: the WIM work of the DISM substitute, on real WIM files through libwim.
#include <cstdint>
#include <functional>
#include <string>

namespace platform::host::wim {

// Progress in bytes done of bytes in total.
using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Result of a WIM operation: ok, or libwim's error code and text.
struct Outcome {
  bool ok = true;
  int code = 0;
  std::string text;
};

Outcome ImageCount(const std::string& wimFile, std::uint32_t& count);
// Extracts image `index` (1-based) into the existing folder `target`.
Outcome ExtractImage(const std::string& wimFile, std::uint32_t index, const std::string& target, const Progress& progress);
// Makes image `index` hold exactly the tree below `source`; the other images are untouched.
Outcome ReplaceImage(const std::string& wimFile, std::uint32_t index, const std::string& source, const Progress& progress);
// The image's processor architecture from its XML description ("x86", "amd64", "ia64"), or
// empty when the description does not say.
std::string ImageArchitecture(const std::string& wimFile, std::uint32_t index);
// A property of the image's XML description ("NAME", "DESCRIPTION", "TOTALBYTES", ...), empty
// when it has none.
std::string ImageProperty(const std::string& wimFile, std::uint32_t index, const std::string& name);

}  // namespace platform::host::wim
