#include "ui/qv_multi_lang.h"

#include <algorithm>
#include <vector>

#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"

QvMultiLangDll& QvMultiLangDll::Instance() {
  // Never destroyed: texts may be asked for until the very end of the process.
  static QvMultiLangDll* const instance = new QvMultiLangDll(platform::ExecutableFolder() + kFileName);
  return *instance;
}

QvMultiLangDll::QvMultiLangDll(const std::wstring& libraryPath) {
  const std::wstring where = L"[QvMultiLangDll::QvMultiLangDll] ";
  if (!platform::IsFile(libraryPath)) {
    TraceLog(where + libraryPath + L" not found; texts show their keys");
    return;
  }
  platform::Result<std::unique_ptr<platform::Library>> library = platform::LoadLibraryAt(libraryPath);
  if (!library) {
    TraceLog(where + L"LoadLibrary " + libraryPath + L" failed, error " + std::to_wstring(library.status().code()) +
             L"; texts show their keys");
    return;
  }
  // Both exports must be there; the first one missing is named.
  platform::Result<platform::LibraryProc> translate = (*library)->Export("QvTranslateStr");
  platform::Result<platform::LibraryProc> languageName = (*library)->Export("QvGetLangName");
  if (!translate || !languageName) {
    const platform::Status& missing = !translate ? translate.status() : languageName.status();
    TraceLog(where + L"GetProcAddress " + (translate ? L"QvGetLangName" : L"QvTranslateStr") + L" in " +
             libraryPath + L" failed, error " + std::to_wstring(missing.code()) + L"; texts show their keys");
    return;
  }
  translate_ = reinterpret_cast<TranslateStrProc>(*translate);
  library_ = std::move(library).value();
}

QvMultiLangDll::~QvMultiLangDll() = default;

std::wstring QvMultiLangDll::Translate(const std::wstring& key) const {
  if (!translate_) return key;
  std::uint32_t capacity = kCapacityStep;
  std::vector<wchar_t> buffer(capacity, L'\0');
  std::uint32_t length = translate_(key.c_str(), buffer.data(), capacity);
  while (length >= capacity - 1 && capacity < kMaxCapacity) {
    capacity += kCapacityStep;
    buffer.assign(capacity, L'\0');
    length = translate_(key.c_str(), buffer.data(), capacity);
  }
  return std::wstring(buffer.begin(), std::find(buffer.begin(), buffer.end(), L'\0'));
}

std::wstring Translate(const std::wstring& key) { return QvMultiLangDll::Instance().Translate(key); }
