#include "sim/machine/split_command_line.h"

namespace platform::host {

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> words;
  std::size_t i = 0;
  auto blank = [&](std::size_t at) { return at < line.size() && (line[at] == L' ' || line[at] == L'\t'); };

  // The program name: no escapes.
  std::wstring program;
  if (i < line.size() && line[i] == L'"') {
    std::size_t end = line.find(L'"', i + 1);
    program = line.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
    i = end == std::wstring::npos ? line.size() : end + 1;
  } else {
    while (i < line.size() && !blank(i)) program += line[i++];
  }
  words.push_back(program);

  for (;;) {
    while (blank(i)) ++i;
    if (i >= line.size()) break;
    std::wstring word;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(i))) {
      std::size_t slashes = 0;
      while (i < line.size() && line[i] == L'\\') {
        ++slashes;
        ++i;
      }
      if (i < line.size() && line[i] == L'"') {
        word.append(slashes / 2, L'\\');
        if (slashes % 2 == 1) {
          word += L'"';
          ++i;
        } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
          word += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        word.append(slashes, L'\\');
        if (i < line.size() && (quoted || !blank(i))) word += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace platform::host
