#include "sim/machine/command_line.h"

#include "platform/host/system/file_lock.h"
#include "sim/machine/machine.h"

namespace platform::host {

std::string ResolveProgram(const std::wstring& program) {
  std::vector<std::wstring> candidates;
  bool hasExtension = program.find(L'.', program.find_last_of(L"\\/") == std::wstring::npos
                                             ? 0
                                             : program.find_last_of(L"\\/")) != std::wstring::npos;
  bool hasFolder = program.find_first_of(L"\\/:") != std::wstring::npos;
  std::vector<std::wstring> names{program};
  if (!hasExtension) names.push_back(program + L".exe");
  auto machine = Machine::Current();
  for (const auto& name : names) {
    if (hasFolder) {
      candidates.push_back(name);
    } else if (machine) {
      std::wstring current = machine->currentFolder;
      if (!current.empty() && current.back() != L'\\') current += L'\\';
      std::wstring system = machine->systemFolder;
      if (!system.empty() && system.back() != L'\\') system += L'\\';
      candidates.push_back(current + name);
      candidates.push_back(system + name);
    }
  }
  for (const auto& candidate : candidates) {
    std::string host = Machine::HostPath(candidate);
    if (IsExecutableFile(host)) return host;
  }
  return {};
}

std::vector<std::string> HostArguments(const std::wstring& commandLine, std::string& program) {
  std::vector<std::wstring> words = SplitCommandLine(commandLine);
  std::vector<std::string> args;
  program = ResolveProgram(words[0]);  // the splitter always gives the program's word
  args.push_back(program);
  for (std::size_t i = 1; i < words.size(); ++i) args.push_back(ToUtf8(words[i]));
  return args;
}

}  // namespace platform::host
