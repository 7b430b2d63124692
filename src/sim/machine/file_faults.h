#pragma once
// Simulated machine: fault switches that stand for files and folders the program is not
// allowed to touch, checked by the host file services before they act.
//
//   "files.denyWrite" = "<Windows folder>"  creating, writing, renaming, deleting or changing
//                                           the attributes of anything at or below that folder
//                                           fails with ERROR_ACCESS_DENIED (5), as under a
//                                           folder whose access list lets this user only read.
//   "files.locked" = "<Windows file>"       opening that file in any way fails with
//                                           ERROR_SHARING_VIOLATION (32), as while another
//                                           program holds it open without sharing.
//   "copy.readFail" = "<Windows file>"      reading that file's data fails with ERROR_CRC (23)
//                                           ("Data error (cyclic redundancy check)"), as a
//                                           scratched disc's file does; listing and sizes work.
#include <cstdint>
#include <string>

namespace platform::host {

// Each returns the Windows error code the switch makes the call fail with, or 0 when no switch
// applies. Paths are host paths as Machine::HostPath gives them.
// A switch forbids changing the file or folder at `hostPath`.
std::uint32_t ChangeRefusal(const std::string& hostPath);
// A switch forbids opening the file at `hostPath`.
std::uint32_t OpenRefusal(const std::string& hostPath);
// A switch makes reading the file's data fail.
std::uint32_t ReadRefusal(const std::string& hostPath);

}  // namespace platform::host
