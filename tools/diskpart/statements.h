#pragma once
// The diskpart statements the program writes, and what each does to the simulated machine.
#include <string>

#include "platform/host/machine.h"

namespace diskpart {

// diskpart's exit codes.
constexpr int kOk = 0;
constexpr int kFatal = 1;
constexpr int kBadArguments = 2;
constexpr int kNoScript = 3;
constexpr int kServiceFailure = 4;
constexpr int kSyntaxError = 5;

enum class Verb { None, SelectDisk, SelectPartition, Format, Active, Clean, CreatePrimary, Assign, Exit, Unknown };

struct Statement {
  Verb verb = Verb::None;  // None: a blank line or a remark
  std::string keyword;     // the verb's full name ("select", "format", ...), for fault switches
  int number = -1;         // select disk / partition
  std::string fileSystem;  // format fs=
  char letter = 0;         // assign letter=
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
  int code = kOk;
  std::string message;
};

// Applies a statement to the machine description (the caller holds the machine's lock).
// `machineFolder` is the host folder of the machine, where drive root folders live.
Outcome Apply(const Statement& statement, Session& session, platform::host::MachineDescription& machine,
              const std::string& machineFolder);

}  // namespace diskpart
