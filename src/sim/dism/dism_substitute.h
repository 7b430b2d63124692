#pragma once
// What the DISM substitute (which defines the host build's DISM API, platform/dism_api.h) was
// asked to do, for tests. Each entry point records one line: its name followed by the arguments
// that decide its behaviour, for example "DismMountImage index=2 flags=0" or
// "DismUnmountImage flags=1".
//
// Fault switches (machine faults): "dism.<FunctionName>" = "0x<HRESULT>" makes every call of
// that function fail with that HRESULT; "0x<HRESULT>@N" makes only its Nth call (counted from 1
// in this process) fail.
#include <cstddef>
#include <string>
#include <vector>

namespace platform::host {

std::vector<std::string> DismCallLog();
void ClearDismCallLog();
// Forgets this process's DISM state (the loaded API, initialisation, open sessions, the call log) as a new
// process starts with it; the machine's mounts stay. For tests that run many programs in turn.
void ResetDismForTests();
// Makes this process's DISM API calls work without LoadDismApi: the dism.exe substitute is
// DISM itself, and the API is its own. (Elsewhere every call but LoadDismApi fails with
// kDismModuleNotFound until a load succeeded, as on Windows.)
void UnlockDismApi();
// Structures DISM allocated that were not yet released with DismDelete.
std::size_t DismOutstandingAllocations();

}  // namespace platform::host
