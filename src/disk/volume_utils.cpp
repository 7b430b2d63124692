// Folder and file utilities: sizes, recursive deletion, search by extension, the 64-bit disc
// test and the FAT32 volume label rule.
#include "disk/volume_utils.h"


#include "app/program_data.h"
#include "app/text_case.h"
#include "app/utf16.h"
#include "platform/files.h"

namespace {

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

}  // namespace

std::uint64_t GetFolderSize(const std::wstring& folder, bool recursive) {
  const std::wstring base = WithBackslash(folder);
  std::uint64_t total = 0;
  std::vector<std::wstring> subfolders;
  (void)platform::ListFolder(base, [&](const platform::FolderEntry& entry) {  // 0 when unreadable
    if (entry.IsFolder()) {
      if (recursive) subfolders.push_back(base + entry.name);
    } else {
      total += entry.size;
    }
    return true;
  });
  // Sub-folders are walked after the listing is closed, so only one listing is open per level.
  for (const auto& sub : subfolders) total += GetFolderSize(sub, true);
  return total;
}

std::uint64_t GetFileByteSize(const std::wstring& path) {
  return platform::GetFileSizeOf(path).value_or(0);
}

std::uint64_t GetPathSize(const std::wstring& path) {
  return platform::IsFolder(path) ? GetFolderSize(path, true) : GetFileByteSize(path);
}

void RemoveFolderTree(const std::wstring& folder) {
  std::wstring own = folder;
  while (own.size() > 3 && own.back() == L'\\') own.pop_back();
  // Errors are ignored throughout: what can't be removed stays.
  if (platform::GetAttributes(own).value_or(0) & platform::kAttrReparsePoint) {
    (void)platform::RemoveEmptyFolder(own);  // a link in the folder's place: only the link goes
    return;
  }
  const std::wstring base = WithBackslash(folder);
  std::vector<platform::FolderEntry> entries;
  // Collected first: deleting entries while the listing is open may make it skip some.
  if (!platform::ListFolder(base, [&](const platform::FolderEntry& entry) {
        entries.push_back(entry);
        return true;
      }))
    return;
  for (const auto& entry : entries) {
    const std::wstring path = base + entry.name;
    if (entry.IsLink()) {
      // A link or junction is removed as a link: what it points at is never entered.
      (void)(entry.IsFolder() ? platform::RemoveEmptyFolder(path) : platform::DeleteFileAt(path));
    } else if (entry.IsFolder()) {
      if (!platform::RemoveEmptyFolder(path + L"\\")) RemoveFolderTree(path);
    } else {
      ClearReadOnlyAttribute(path);
      (void)platform::DeleteFileAt(path);
    }
  }
  (void)platform::RemoveEmptyFolder(base);
}

void FindFilesByExtension(std::vector<std::wstring>& list, const std::wstring& folder, const std::wstring& extension) {
  const std::wstring base = WithBackslash(folder);
  const std::wstring wanted = UpperCase(extension);
  std::vector<platform::FolderEntry> entries;
  (void)platform::ListFolder(base, [&](const platform::FolderEntry& entry) {  // nothing found when unreadable
    entries.push_back(entry);
    return true;
  });
  for (const auto& entry : entries) {
    if (entry.IsFolder()) {
      FindFilesByExtension(list, base + entry.name, extension);
      continue;
    }
    // A name without a dot has an empty extension.
    auto dot = entry.name.rfind(L'.');
    std::wstring own = dot == std::wstring::npos ? std::wstring() : entry.name.substr(dot);
    if (UpperCase(own) == wanted) list.push_back(base + entry.name);
  }
}

bool HasAmd64AutorunSection(const std::wstring& iniPath) {
  for (const auto& name : platform::ReadIniSectionNames(iniPath).value_or({}))
    if (UpperCase(name) == L"AUTORUN.AMD64") return true;
  return false;
}

std::wstring MakeVolumeLabel(const std::wstring& name) {
  constexpr std::size_t kLongestFat32Label = 11;
  constexpr std::size_t kKeptUnits = 9;
  if (name.empty()) return L"NONAME";
  // Lengths are UTF-16 units, as Windows counts them; a character beyond U+FFFF (two units) is
  // kept whole or not at all, so the label never ends in half a surrogate pair.
  if (Utf16Length(name) <= kLongestFat32Label) return name;
  std::wstring kept;
  std::size_t units = 0;
  for (wchar_t c : name) {
    const bool highSurrogate = static_cast<std::uint32_t>(c) >= 0xD800 && static_cast<std::uint32_t>(c) <= 0xDBFF;
    const std::size_t width = highSurrogate ? 2 : Utf16UnitsOf(c);
    if (units + width > kKeptUnits) break;
    kept += c;
    units += highSurrogate ? 1 : width;  // the low half that follows counts its own unit
  }
  return kept + L"~1";
}
