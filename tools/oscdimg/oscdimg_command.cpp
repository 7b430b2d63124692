#include "oscdimg_command.h"

#include <cwctype>

namespace {

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// "p0,e,bC:\x\etfsboot.com": fields separated by commas; the boot file takes the rest.
bool ParseBootEntry(const std::wstring& text, BootEntry& entry) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t comma = text.find(L',', i);
    wchar_t kind = static_cast<wchar_t>(std::towlower(text[i]));
    if (kind == L'b') {
      entry.bootFile = text.substr(i + 1);
      return !entry.bootFile.empty();
    }
    std::wstring field = text.substr(i, comma == std::wstring::npos ? std::wstring::npos : comma - i);
    if (kind == L'p') {
      try {
        entry.platform = std::stoi(field.substr(1), nullptr, 16);
      } catch (...) {
        return false;
      }
    } else if (kind == L'e') {
      entry.noEmulation = true;
    } else if (kind != L't' && kind != L'n') {
      return false;
    }
    if (comma == std::wstring::npos) break;
    i = comma + 1;
  }
  return false;  // no boot file
}

}  // namespace

OscdimgCommand ParseOscdimgCommand(const std::vector<std::wstring>& words) {
  OscdimgCommand command;
  std::vector<std::wstring> positional;
  for (const auto& word : words) {
    if (word.size() < 2 || (word[0] != L'-' && word[0] != L'/')) {
      positional.push_back(word);
      continue;
    }
    std::wstring option = word.substr(1);
    std::wstring lower = Lower(option);
    if (lower.rfind(L"bootdata:", 0) == 0) {
      std::wstring rest = option.substr(9);
      std::size_t hash = rest.find(L'#');
      if (hash == std::wstring::npos) {
        command.error = L"ERROR: Bad -bootdata option: " + word;
        return command;
      }
      std::size_t count = 0;
      try {
        count = static_cast<std::size_t>(std::stoul(rest.substr(0, hash)));
      } catch (...) {
      }
      std::size_t start = hash + 1;
      while (start <= rest.size()) {
        std::size_t next = rest.find(L'#', start);
        BootEntry entry;
        if (!ParseBootEntry(rest.substr(start, next == std::wstring::npos ? std::wstring::npos : next - start),
                            entry)) {
          command.error = L"ERROR: Bad boot entry in " + word;
          return command;
        }
        command.bootEntries.push_back(entry);
        if (next == std::wstring::npos) break;
        start = next + 1;
      }
      if (count != command.bootEntries.size()) {
        command.error = L"ERROR: -bootdata announces " + std::to_wstring(count) + L" entries";
        return command;
      }
    } else if (lower[0] == L'l') {
      command.label = option.substr(1);
    } else if (lower == L"m" || lower == L"o" || lower == L"n" || lower == L"u1" || lower == L"u2" ||
               lower.rfind(L"udfver", 0) == 0 || lower.rfind(L"j", 0) == 0) {
      // Size limit, duplicate files, name and UDF choices: the substitute always writes ISO
      // 9660 with Joliet and long names.
    } else {
      command.error = L"ERROR: Unknown option " + word;
      return command;
    }
  }
  if (positional.size() != 2) {
    command.error = L"ERROR: Expected a source folder and a target file";
    return command;
  }
  command.source = positional[0];
  command.target = positional[1];
  return command;
}
