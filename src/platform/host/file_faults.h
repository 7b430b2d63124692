#pragma once
// Host only: fault switches that stand for files and folders the program is not allowed to
// touch, checked by the host file services before they act.
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
#include <string>

namespace platform::host {

// True, with the error code set, when a switch forbids changing the file or folder at
// `hostPath` (a host path as Machine::HostPath gives it).
bool ChangeRefused(const std::string& hostPath);
// True, with the error code set, when a switch forbids opening the file at `hostPath`.
bool OpenRefused(const std::string& hostPath);
// True, with the error code set, when a switch makes reading the file's data fail.
bool ReadRefused(const std::string& hostPath);

}  // namespace platform::host
