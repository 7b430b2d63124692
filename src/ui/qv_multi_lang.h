#pragma once
// Texts that vary by language come from the translation library QvMultiLang.dll beside the
// executable. The program has no texts of its own for the keys it looks up: without a usable
// library (missing, not loadable, or lacking one of its two exports) a lookup yields the key
// itself, so every label still shows something and the two mode entries stay distinct. That
// case is written once to the trace log and never shown in a message box.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class Library;
}

class QvMultiLangDll {
 public:
  // The library's export "QvTranslateStr": the key, a buffer and its capacity in characters;
  // returns the text's whole length, having written at most capacity - 1 characters and a zero.
#if defined(_WIN32)
  using TranslateStrProc = std::uint32_t(__stdcall*)(const wchar_t* key, wchar_t* buffer, std::uint32_t capacity);
#else
  using TranslateStrProc = std::uint32_t (*)(const wchar_t* key, wchar_t* buffer, std::uint32_t capacity);
#endif

  static constexpr const wchar_t* kFileName = L"QvMultiLang.dll";
  static constexpr std::uint32_t kCapacityStep = 1024;
  // A library that keeps reporting a text too long for the buffer is not asked beyond this
  // capacity (64 calls); the text is then what the last buffer holds.
  static constexpr std::uint32_t kMaxCapacity = 64 * kCapacityStep;

  // The wrapper over the library in the executable's folder, created at the first call (from any
  // thread) and kept until the process ends.
  static QvMultiLangDll& Instance();

  // Loads the library at `libraryPath` if that file exists, and takes it only when both
  // "QvTranslateStr" and "QvGetLangName" resolve.
  explicit QvMultiLangDll(const std::wstring& libraryPath);
  ~QvMultiLangDll();
  QvMultiLangDll(const QvMultiLangDll&) = delete;
  QvMultiLangDll& operator=(const QvMultiLangDll&) = delete;

  bool IsLoaded() const { return translate_ != nullptr; }

  // The text of `key`: asked with a buffer of 1024 characters, and again with a new buffer 1024
  // characters larger while the reported length is at least capacity - 1; the text is the last
  // buffer up to its zero. Without the library, the key itself. Safe from any thread.
  std::wstring Translate(const std::wstring& key) const;

 private:
  std::unique_ptr<platform::Library> library_;
  TranslateStrProc translate_ = nullptr;
};

// The text of `key` from the process-wide wrapper.
std::wstring Translate(const std::wstring& key);
