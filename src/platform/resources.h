#pragma once
// Data resources (RT_RCDATA) of the program's own executable, looked up by name without regard
// to case.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// The resource's bytes; a missing one fails with ERROR_RESOURCE_NAME_NOT_FOUND from FindResourceW.
Result<std::vector<std::uint8_t>> LoadDataResource(const std::wstring& name);

}  // namespace platform
