#pragma once
// The diskpart statements the program writes, and what each does to the simulated machine.
#include <cstdint>
#include <string>

#include "sim/machine/machine.h"

namespace diskpart {

// diskpart's exit codes.
constexpr int kOk = 0;
constexpr int kFatal = 1;
constexpr int kBadArguments = 2;
constexpr int kNoScript = 3;
constexpr int kServiceFailure = 4;
constexpr int kSyntaxError = 5;
// A Virtual Disk Service call that fails ends diskpart with the call's HRESULT, and diskpart
// prints "Virtual Disk Service error:" and the error's text. VDS_E_VOLUME_TOO_BIG is what
// "format fs=fat32" gives on a volume above 32 GiB ("The volume size is too big.").
constexpr std::uint32_t kVdsVolumeTooBig = 0x8004242Du;
// VDS_E_DEVICE_IN_USE: "format" without "override" on a volume that a program holds open.
constexpr std::uint32_t kVdsDeviceInUse = 0x80042413u;
// The largest volume Windows formats FAT32.
constexpr std::uint64_t kLargestFat32Volume = 32ull << 30;

enum class Verb { None, SelectDisk, SelectPartition, Format, Active, Clean, CreatePrimary, Assign, Exit, Unknown };

struct Statement {
  Verb verb = Verb::None;  // None: a blank line or a remark
  std::string keyword;     // the verb's full name ("select", "format", ...), for fault switches
  int number = -1;         // select disk / partition
  std::string fileSystem;  // format fs=
  bool override = false;   // format ... override: dismount the volume first, even when in use
  char letter = 0;         // assign letter=
  std::uint64_t sizeMiB = 0;  // create partition primary size= (MB as diskpart counts them: MiB); 0 for none
};

// Parses one line. Keywords may be shortened to their first three letters or more, as diskpart
// allows ("sel par 1", "crea part prim"); case does not matter.
Statement Parse(const std::string& line);

// What one run has selected.
struct Session {
  int disk = -1;
  int partition = -1;
};

struct Outcome {
  std::uint32_t code = kOk;  // the exit code diskpart ends with when the statement fails
  std::string message;
};

// Applies a statement to the machine description (the caller holds the machine's lock).
// `machineFolder` is the host folder of the machine, where drive root folders live.
Outcome Apply(const Statement& statement, Session& session, platform::host::MachineDescription& machine,
              const std::string& machineFolder);

}  // namespace diskpart
