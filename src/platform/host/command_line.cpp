#include "platform/host/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/host/machine.h"

namespace platform::host {

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n) {
    while (i < n && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= n) break;
    std::wstring word;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      if (line[i] == L'\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == L'\\') ++slashes, ++i;
        if (i < n && line[i] == L'"') {
          word.append(slashes / 2, L'\\');
          if (slashes % 2) {
            word += L'"';
            ++i;
          }
        } else {
          word.append(slashes, L'\\');
        }
      } else if (line[i] == L'"') {
        if (quoted && i + 1 < n && line[i + 1] == L'"') {
          word += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        word += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

namespace {
bool IsExecutable(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}
}  // namespace

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
    if (IsExecutable(host)) return host;
  }
  return {};
}

std::vector<std::string> HostArguments(const std::wstring& commandLine, std::string& program) {
  std::vector<std::wstring> words = SplitCommandLine(commandLine);
  std::vector<std::string> args;
  program.clear();
  if (words.empty()) return args;
  program = ResolveProgram(words[0]);
  args.push_back(program);
  for (std::size_t i = 1; i < words.size(); ++i) args.push_back(ToUtf8(words[i]));
  return args;
}

}  // namespace platform::host
