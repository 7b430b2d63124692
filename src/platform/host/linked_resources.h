#pragma once
// Host only: the data resources linked into the program (see resources/CMakeLists.txt), the
// host's counterpart of the RCDATA resources of the Windows executable.
#include <cstddef>

namespace platform::host {

struct LinkedResource {
  const wchar_t* name;  // upper case, as the Windows resource compiler stores names
  const unsigned char* begin;
  const unsigned char* end;
};

extern const LinkedResource kLinkedResources[];
extern const std::size_t kLinkedResourceCount;

}  // namespace platform::host
