#include "engine/job_record.h"

#include <algorithm>

#include "app/trace_log.h"

namespace {

struct PathField {
  const wchar_t* name;
  const std::wstring* value;
  wchar_t* target;
};

bool IsTerminated(const wchar_t (&path)[kJobPathUnits]) {
  return std::find(std::begin(path), std::end(path), L'\0') != std::end(path);
}

// Copies `text` into the record's array as UTF-16 units would lie there. On the host wchar_t
// is 32 bits and each character takes one slot; the fit was checked in UTF-16 units, which is
// never fewer than the slots used.
void CopyInto(wchar_t (&target)[kJobPathUnits], const std::wstring& text) {
  std::fill(std::begin(target), std::end(target), L'\0');
  std::copy(text.begin(), text.end(), target);
}

}  // namespace

bool FillJobRecord(const JobPaths& paths, WIN7_OPERAT_INFO& info, JobRecordProblem& problem) {
  const PathField fields[] = {
      {L"szSourcePath", &paths.sourcePath, info.szSourcePath},
      {L"szDriverPath", &paths.driverPath, info.szDriverPath},
      {L"szImgDriverPath", &paths.imgDriverPath, info.szImgDriverPath},
      {L"szTagPath", &paths.tagPath, info.szTagPath},
      {L"szTmpPath", &paths.tmpPath, info.szTmpPath},
      {L"szExtraDriverPath", &paths.extraDriverPath, info.szExtraDriverPath},
  };
  for (const auto& field : fields) {
    std::size_t length = Utf16Length(*field.value);
    bool hasNul = field.value->find(L'\0') != std::wstring::npos;
    if (length < kJobPathUnits && !hasNul) continue;
    problem.field = field.name;
    problem.length = length;
    problem.message = hasNul ? L"The path " + std::wstring(field.name) + L" holds a NUL character."
                             : L"The path " + std::wstring(field.name) + L" is too long (" +
                                   std::to_wstring(length) + L" characters; at most " +
                                   std::to_wstring(kJobPathUnits - 1) + L" fit).";
    TraceLog(L"[FillJobRecord] " + std::wstring(field.name) + L" refused: " + std::to_wstring(length) +
             L" characters");
    return false;
  }
  CopyInto(info.szSourcePath, paths.sourcePath);
  CopyInto(info.szDriverPath, paths.driverPath);
  CopyInto(info.szImgDriverPath, paths.imgDriverPath);
  CopyInto(info.szTagPath, paths.tagPath);
  CopyInto(info.szTmpPath, paths.tmpPath);
  CopyInto(info.szExtraDriverPath, paths.extraDriverPath);
  info.bIs64bitDVD = paths.is64bitDvd;
  info.bCheckUsbFiles = paths.checkUsbFiles;
  info.bAllImages = paths.allImages;
  return true;
}

bool CheckScratchFolder(std::int32_t dlgType, const JobPaths& paths, JobRecordProblem& problem) {
  if (dlgType != 1 || !paths.tmpPath.empty()) return true;
  problem.field = L"szTmpPath";
  problem.length = 0;
  problem.message = L"No drive has enough free space for the scratch folder the ISO file is built from.";
  TraceLog(L"[CheckScratchFolder] no drive has room for the scratch folder");
  return false;
}

bool JobRecordIsTerminated(const WIN7_OPERAT_INFO& info) {
  return IsTerminated(info.szSourcePath) && IsTerminated(info.szDriverPath) && IsTerminated(info.szImgDriverPath) &&
         IsTerminated(info.szTagPath) && IsTerminated(info.szTmpPath) && IsTerminated(info.szExtraDriverPath);
}

void TraceJobRecord(const WIN7_OPERAT_INFO& info, std::int32_t dlgType) {
  TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szSourcePath: ") + info.szSourcePath);
  TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szDriverPath: ") + info.szDriverPath);
  TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szImgDriverPath: ") + info.szImgDriverPath);
  TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szTagPath: ") + info.szTagPath);
  TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szTmpPath: ") + info.szTmpPath);
  TraceLog(L"WIN7_OPERAT_INFO:bIs64bitDVD: " + std::to_wstring(info.bIs64bitDVD ? 1 : 0));
  TraceLog(L"WIN7_OPERAT_INFO:m_DlgType: " + std::to_wstring(dlgType));
  // A job without the user's own drivers traces as it always did.
  if (info.szExtraDriverPath[0] != L'\0')
    TraceLog(std::wstring(L"WIN7_OPERAT_INFO:szExtraDriverPath: ") + info.szExtraDriverPath);
  if (info.bCheckUsbFiles) TraceLog(L"WIN7_OPERAT_INFO:bCheckUsbFiles: 1");
  if (info.bAllImages) TraceLog(L"WIN7_OPERAT_INFO:bAllImages: 1");
}
