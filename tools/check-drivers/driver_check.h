#pragma once
// The check a chip maker's driver package passes before the build embeds it: every INF is a
// Windows NT setup file of the USB class whose source files lie beside it, every .sys is a
// native PE image for the processor its folder names, every .cat is a DER PKCS#7 SignedData.
// Standard C++ only: the build compiles it with the machine's own compiler, also for the
// cross-compiled Windows presets.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace check_drivers {

struct Problem {
  std::filesystem::path file;
  std::string reason;
};

// The reason the file fails, or nothing when it passes. `root` is the tree's top: a .sys takes
// its processor from the nearest folder below it named i386/x86, amd64/x64 or ia64.
std::optional<std::string> CheckInf(const std::filesystem::path& inf);
std::optional<std::string> CheckSys(const std::filesystem::path& sys, const std::filesystem::path& root);
std::optional<std::string> CheckCat(const std::filesystem::path& cat);

// Every .inf, .sys and .cat below `root`, in path order; a tree without an INF fails too.
std::vector<Problem> CheckDriverTree(const std::filesystem::path& root);

}  // namespace check_drivers
