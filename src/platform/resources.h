#pragma once
// Data resources (RT_RCDATA) of the program's own executable, looked up by name without regard
// to case.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

bool LoadDataResource(const std::wstring& name, std::vector<std::uint8_t>& bytes);

}  // namespace platform
