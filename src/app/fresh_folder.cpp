#include "app/fresh_folder.h"

#include <vector>

#include "app/program_data.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/private_folder.h"
#include "platform/types.h"

namespace {

std::wstring WithoutBackslash(std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

bool IsDriveRoot(const std::wstring& path) { return path.size() <= 3 && path.size() >= 2 && path[1] == L':'; }

bool Fail(std::uint32_t& error) {
  error = platform::LastErrorCode();
  if (error == platform::kErrorSuccess) error = platform::kErrorGenFailure;
  return false;
}

bool DeleteEntry(const std::wstring& path, std::uint32_t& error) {
  // The entry's own attributes, read afresh: a link is never taken for the folder it names.
  std::uint32_t attributes = platform::GetAttributes(path);
  if (attributes == platform::kInvalidAttributes) {
    std::uint32_t code = platform::LastErrorCode();
    if (code == platform::kErrorFileNotFound || code == platform::kErrorPathNotFound) return true;
    return Fail(error);
  }
  if (attributes & platform::kAttrReparsePoint) {
    // Nothing is changed on a link (attributes set on it may reach what it points at).
    bool removed = (attributes & platform::kAttrDirectory) ? platform::RemoveEmptyFolder(path)
                                                            : platform::DeleteFileAt(path);
    return removed || Fail(error);
  }
  if (attributes & platform::kAttrReadOnly) ClearReadOnlyAttribute(path);
  if (!(attributes & platform::kAttrDirectory)) return platform::DeleteFileAt(path) || Fail(error);

  // Collected first: deleting entries while the listing is open may make it skip some.
  std::vector<std::wstring> names;
  if (!platform::ListFolder(path, [&](const platform::FolderEntry& entry) {
        names.push_back(entry.name);
        return true;
      }))
    return Fail(error);
  bool ok = true;
  for (const auto& name : names) {
    std::uint32_t childError = 0;
    if (!DeleteEntry(path + L"\\" + name, childError) && ok) {
      ok = false;
      error = childError;
    }
  }
  if (!ok) return false;
  return platform::RemoveEmptyFolder(path) || Fail(error);
}

}  // namespace

bool DeleteTreeWithoutLinks(const std::wstring& path, std::uint32_t& error) {
  error = platform::kErrorSuccess;
  const std::wstring target = WithoutBackslash(path);
  if (target.empty() || IsDriveRoot(target)) {
    error = platform::kErrorInvalidParameter;
    return false;
  }
  return DeleteEntry(target, error);
}

bool CreateFreshPrivateFolder(const std::wstring& path, std::uint32_t& error) {
  if (!DeleteTreeWithoutLinks(path, error)) return false;
  // Fails when anything appeared at the path since: it is not the program's own.
  if (!platform::CreatePrivateFolderAt(WithoutBackslash(path))) return Fail(error);
  error = platform::kErrorSuccess;
  return true;
}
