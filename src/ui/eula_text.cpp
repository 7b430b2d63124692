#include "ui/eula_text.h"

#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/locale.h"
#include "platform/text.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Appends a code point as the platform's wide characters: a surrogate pair where wchar_t holds
// UTF-16 units (Windows), the code point itself where it is 32 bits wide (the host).
void AppendCodePoint(std::wstring& out, char32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(cp);
}

std::wstring DecodeUtf8(const std::uint8_t* p, std::size_t size) {
  std::wstring out;
  out.reserve(size);
  std::size_t i = 0;
  while (i < size) {
    std::uint8_t lead = p[i];
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, smallest = 0x10000;
    } else {
      AppendCodePoint(out, kReplacement);
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k <= extra && i + k < size && (p[i + k] & 0xC0) == 0x80; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
    i += k;
    // A cut-off sequence, an over-long form, a surrogate or a value beyond Unicode.
    if (k <= extra || cp < smallest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    AppendCodePoint(out, cp);
  }
  return out;
}

std::wstring DecodeUtf16(const std::uint8_t* p, std::size_t size, bool bigEndian) {
  std::wstring out;
  out.reserve(size / 2);
  auto unitAt = [&](std::size_t i) {
    return static_cast<char32_t>(bigEndian ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8));
  };
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < size) {
      char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendCodePoint(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return out;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

std::wstring LocaleIdText(std::uint32_t lcid) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text;
  do {
    text.insert(text.begin(), kDigits[lcid & 0xF]);
    lcid >>= 4;
  } while (lcid != 0);
  return text;
}

EulaLanguage EulaLanguageForLocale(std::uint32_t lcid) {
  const std::wstring id = LocaleIdText(lcid);
  if (id == L"804" || id == L"1004") return EulaLanguage::SChinese;
  if (id == L"404" || id == L"c04" || id == L"1404") return EulaLanguage::TChinese;
  return EulaLanguage::English;
}

std::wstring EulaFileName(EulaLanguage language) {
  switch (language) {
    case EulaLanguage::SChinese:
      return L"End User License Agreement_SChinese.txt";
    case EulaLanguage::TChinese:
      return L"End User License Agreement_TChinese.txt";
    case EulaLanguage::English:
      break;
  }
  return L"End User License Agreement_English.txt";
}

std::wstring EulaFilePath() {
  return platform::ExecutableFolder() + EulaFileName(EulaLanguageForLocale(platform::SystemDefaultLocale()));
}

std::vector<std::wstring> DecodeTextLines(const std::vector<std::uint8_t>& bytes) {
  const std::uint8_t* p = bytes.data();
  const std::size_t size = bytes.size();
  if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return SplitLines(DecodeUtf8(p + 3, size - 3));
  if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) return SplitLines(DecodeUtf16(p + 2, size - 2, false));
  if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) return SplitLines(DecodeUtf16(p + 2, size - 2, true));
  return SplitLines(platform::AnsiToWide(std::string(bytes.begin(), bytes.end())));
}

std::vector<std::wstring> ReadEulaLines(const std::wstring& path) {
  platform::Result<std::uint64_t> sized = platform::GetFileSizeOf(path);
  if (!sized) return {};
  const std::uint64_t size = *sized;
  if (size > kMaxEulaFileBytes) {
    TraceLog(L"[ReadEulaLines] " + path + L" holds " + std::to_wstring(size) + L" bytes, more than " +
             std::to_wstring(kMaxEulaFileBytes) + L": not shown");
    return {};
  }
  platform::Result<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return {};
  return DecodeTextLines(*bytes);
}

std::vector<std::wstring> LoadEulaLines() { return ReadEulaLines(EulaFilePath()); }
