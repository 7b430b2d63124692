#include "engine/usb_file_check.h"

#include <functional>
#include <optional>
#include <vector>

#include "app/text_case.h"
#include "app/folder_path.h"
#include "app/trace_log.h"
#include "engine/content_digest.h"
#include "engine/operation_catalog.h"
#include "platform/file_reader.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace {

struct ListedFile {
  std::wstring relativePath;
  std::uint64_t size = 0;
};

// Every file below `root` (with backslash) by its path below it, depth first in the order the
// file system lists them; links are not entered.
platform::Status ListFiles(const std::wstring& root, const std::wstring& relative, std::vector<ListedFile>& files) {
  std::vector<platform::FolderEntry> entries;
  platform::Status listed = platform::ListFolder(root + relative, [&](const platform::FolderEntry& entry) {
    entries.push_back(entry);
    return true;
  });
  if (!listed) return listed;
  for (const platform::FolderEntry& entry : entries) {
    if (entry.IsLink()) continue;
    if (!entry.IsFolder()) {
      files.push_back(ListedFile{relative + entry.name, entry.size});
    } else if (platform::Status inner = ListFiles(root, relative + entry.name + L"\\", files); !inner) {
      return inner;
    }
  }
  return {};
}

// Reads the whole file and digests it, calling `onChunk` with each chunk's size; the read ends
// early (with the digest so far) when it returns false.
platform::Result<WrittenFile> DigestFile(const std::wstring& path, platform::FileReader::Cache cache,
                                         const std::function<bool(std::size_t)>& onChunk) {
  platform::Result<platform::FileReader> reader = platform::FileReader::Open(path, cache);
  if (!reader) return reader.status();
  ContentDigest digest;
  WrittenFile file;
  for (;;) {
    const std::uint8_t* data = nullptr;
    platform::Result<std::size_t> read = reader->ReadNext(data);
    if (!read) return read.status();
    if (*read == 0) break;
    digest.Add(data, *read);
    file.size += *read;
    if (!onChunk(*read)) break;
  }
  file.digest = digest.Value();
  return file;
}

void RecordOne(const std::wstring& path, const std::wstring& relativePath, WrittenFiles& written) {
  platform::Result<WrittenFile> file =
      DigestFile(path, platform::FileReader::Cache::kUse, [](std::size_t) { return true; });
  if (!file) {
    TraceLog(L"[RecordWrittenFiles] no digest of " + path + file.status().Suffix());
    return;
  }
  file->relativePath = relativePath;
  written[UpperCase(relativePath)] = *file;
}

const wchar_t kStickTail[] =
    L"\n\nThe USB drive is probably faulty, or smaller than it claims to be. Windows setup from it would fail: "
    L"use another USB drive.";

}  // namespace

void RecordWrittenFiles(std::int32_t code, const std::wstring& usbRoot, const std::wstring& osFolder,
                        bool windowsImagesServiced, WrittenFiles& written) {
  if (code == kOpServiceUsbBootWim) {
    // The step changes boot.wim, install.wim when the drivers went into Windows itself too, and
    // may write the UEFI loader, which the disc lacks.
    std::vector<std::wstring> changed{L"sources\\boot.wim"};
    if (windowsImagesServiced) changed.push_back(L"sources\\install.wim");
    if (platform::IsFile(WithBackslash(usbRoot) + L"efi\\boot\\bootx64.efi")) changed.push_back(L"efi\\boot\\bootx64.efi");
    for (const std::wstring& file : changed) RecordOne(WithBackslash(usbRoot) + file, file, written);
  } else if (code == kOpCopyOsFolderToUsb && platform::IsFolder(osFolder)) {
    std::vector<ListedFile> files;
    const std::wstring root = WithBackslash(osFolder);
    if (platform::Status listed = ListFiles(root, L"", files); !listed)
      TraceLog(L"[RecordWrittenFiles] FindFirstFileW/FindNextFileW failed below " + root + listed.Suffix());
    for (const ListedFile& file : files) RecordOne(root + file.relativePath, file.relativePath, written);
  }
}

struct UsbFileCheckOperation::Expected {
  std::wstring relativePath;
  std::wstring sourceFile;  // the disc's file; empty: compare with `written`
  WrittenFile written;
};

UsbFileCheckOperation::UsbFileCheckOperation(platform::WindowHandle hWnd, const std::wstring& sourcePath,
                                             const std::wstring& usbRoot, const WrittenFiles* written)
    : BasicOperation(hWnd, VERIFYUSB),
      m_SourcePath(WithBackslash(sourcePath)),
      m_UsbRoot(WithBackslash(usbRoot)),
      m_pWritten(written) {
  TraceLog(L"UsbFileCheckOperation::Create");
  TraceLog(L"[UsbFileCheckOperation:: m_SourcePath]" + m_SourcePath);
  TraceLog(L"[UsbFileCheckOperation:: m_UsbRoot]" + m_UsbRoot);
}

std::int32_t UsbFileCheckOperation::Excute() {
  TraceLog(L"UsbFileCheckOperation::Excute");
  PostState(0);
  // What the drive should hold: the disc's files in their listing order, each replaced by what
  // a later step wrote over it, then the files only a later step wrote.
  std::vector<ListedFile> discFiles;
  if (platform::Status listed = ListFiles(m_SourcePath, L"", discFiles); !listed) {
    Fail(L"", L"The disc " + m_SourcePath + L" can't be read any more, so the USB drive could not be checked.");
    return 0;
  }
  WrittenFiles laterOnly = m_pWritten ? *m_pWritten : WrittenFiles();
  std::vector<Expected> files;
  for (const ListedFile& file : discFiles) {
    auto written = laterOnly.find(UpperCase(file.relativePath));
    if (written == laterOnly.end()) {
      files.push_back(Expected{file.relativePath, m_SourcePath + file.relativePath, WrittenFile{L"", file.size, 0}});
      continue;
    }
    files.push_back(Expected{file.relativePath, L"", written->second});
    laterOnly.erase(written);
  }
  for (const auto& [key, written] : laterOnly) files.push_back(Expected{written.relativePath, L"", written});
  for (const Expected& file : files) m_TotalBytes += file.written.size;

  for (const Expected& file : files) {
    if (IsStop()) break;
    const std::wstring why = CheckFile(file);
    if (IsStop()) break;
    if (!why.empty()) {
      Fail(file.relativePath, why);
      return 0;
    }
  }
  if (IsStop()) {
    TraceLog(L"[UsbFileCheckOperation:: Excute] IsStop");
    return 1;
  }
  TraceLog(L"[UsbFileCheckOperation:: Excute] " + std::to_wstring(files.size()) + L" files, " +
           std::to_wstring(m_CheckedBytes) + L" bytes read back as written");
  m_State.store(VERIFYUSBOK);
  PostState(100);
  return 1;
}

std::wstring UsbFileCheckOperation::CheckFile(const Expected& file) {
  WrittenFile expected = file.written;
  if (!file.sourceFile.empty()) {
    platform::Result<WrittenFile> source =
        DigestFile(file.sourceFile, platform::FileReader::Cache::kUse, [this](std::size_t) { return !IsStop(); });
    if (!source)
      return L"The disc's file " + file.sourceFile + L" can't be read any more (" + source.status().Describe() +
             L"), so its copy on the USB drive could not be checked.";
    expected = *source;
  }
  const std::wstring onStick = m_UsbRoot + file.relativePath;
  platform::Result<WrittenFile> back =
      DigestFile(onStick, platform::FileReader::Cache::kBypass, [this](std::size_t bytes) {
        m_CheckedBytes += bytes;
        const auto percent = static_cast<std::intptr_t>(m_TotalBytes ? m_CheckedBytes * 100 / m_TotalBytes : 100);
        if (percent != m_LastPercent) PostState(percent);
        m_LastPercent = percent;
        return !IsStop();
      });
  if (!back) return L"The file " + onStick + L" can't be read back from the USB drive (" + back.status().Describe() +
                    L")." + kStickTail;
  if (IsStop() || (back->size == expected.size && back->digest == expected.digest)) return {};
  return L"The file " + onStick + L" on the USB drive does not read back as it was written." + kStickTail;
}

void UsbFileCheckOperation::Fail(const std::wstring& relativePath, const std::wstring& why) {
  m_State.store(VERIFYUSBFAIL);
  // The trace keeps the box's first sentence, on one line.
  TraceLog(L"[UsbFileCheckOperation:: Excute] VERIFYUSBFAIL " + relativePath + L": " + why.substr(0, why.find(L'\n')));
  PostState(100);
  platform::ShowMessageBox(platform::ApplicationWindow(), why, L"Error", platform::kMbIconError);
}
