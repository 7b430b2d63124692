#include "app/fresh_folder.h"

#include <vector>

#include "app/program_data.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "platform/types.h"

namespace {

std::wstring WithoutBackslash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

bool IsDriveRoot(const std::wstring& path) { return path.size() <= 3 && path.size() >= 2 && path[1] == L':'; }

platform::Status DeleteEntry(const std::wstring& path) {
  // The entry's own attributes, read afresh: a link is never taken for the folder it names.
  platform::Result<std::uint32_t> read = platform::GetAttributes(path);
  if (!read) {
    std::uint32_t code = read.status().code();
    if (code == platform::kErrorFileNotFound || code == platform::kErrorPathNotFound) return {};
    return read.status();
  }
  const std::uint32_t attributes = *read;
  if (attributes & platform::kAttrReparsePoint) {
    // Nothing is changed on a link (attributes set on it may reach what it points at).
    return (attributes & platform::kAttrDirectory) ? platform::RemoveEmptyFolder(path) : platform::DeleteFileAt(path);
  }
  if (attributes & platform::kAttrReadOnly) ClearReadOnlyAttribute(path);
  if (!(attributes & platform::kAttrDirectory)) return platform::DeleteFileAt(path);

  // Collected first: deleting entries while the listing is open may make it skip some.
  std::vector<std::wstring> names;
  if (platform::Status listed = platform::ListFolder(path, [&](const platform::FolderEntry& entry) {
        names.push_back(entry.name);
        return true;
      });
      !listed)
    return listed;
  platform::Status first;
  for (const auto& name : names) {
    platform::Status child = DeleteEntry(path + L"\\" + name);
    if (!child && first) first = child;
  }
  if (!first) return first;
  return platform::RemoveEmptyFolder(path);
}

}  // namespace

platform::Status DeleteTreeWithoutLinks(const std::wstring& path) {
  const std::wstring target = WithoutBackslash(path);
  if (target.empty() || IsDriveRoot(target))
    return platform::Status::Win32(platform::kErrorInvalidParameter, "DeleteTreeWithoutLinks", path);
  return DeleteEntry(target);
}

platform::Status CreateFreshPrivateFolder(const std::wstring& path) {
  if (platform::Status deleted = DeleteTreeWithoutLinks(path); !deleted) return deleted;
  // Fails when anything appeared at the path since: it is not the program's own.
  return platform::CreatePrivateFolderAt(WithoutBackslash(path));
}
