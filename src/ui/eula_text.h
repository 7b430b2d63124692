#pragma once
// The licence agreement shown by the agreement dialog: which of the three files beside the
// executable fits the system's locale, and the file's text as lines.
#include <cstdint>
#include <string>
#include <vector>

enum class EulaLanguage { English, SChinese, TChinese };

// A locale identifier in lower-case hexadecimal without leading zeros: 0x804 -> "804",
// 0xC04 -> "c04", 0 -> "0".
std::wstring LocaleIdText(std::uint32_t lcid);

// "804" and "1004" (Chinese, PRC and Singapore) -> SChinese; "404", "c04" and "1404" (Taiwan,
// Hong Kong SAR, Macao SAR) -> TChinese; any other locale -> English.
EulaLanguage EulaLanguageForLocale(std::uint32_t lcid);

// "End User License Agreement_English.txt", "..._SChinese.txt" or "..._TChinese.txt".
std::wstring EulaFileName(EulaLanguage language);

// The agreement file for the system default locale, in the executable's folder.
std::wstring EulaFilePath();

// Decodes a text file's bytes by its byte-order mark (UTF-8 EF BB BF, UTF-16 LE FF FE, UTF-16 BE
// FE FF; the mark itself is dropped), or else in the system's ANSI code page, and splits it into
// lines at CR LF, LF or CR. A line break at the very end does not start another line. Malformed
// UTF-8 becomes U+FFFD; a lone last byte of UTF-16 is dropped.
std::vector<std::wstring> DecodeTextLines(const std::vector<std::uint8_t>& bytes);

// An agreement is a few dozen kilobytes; a file larger than this is not read at all.
constexpr std::uint64_t kMaxEulaFileBytes = 1u << 20;

// The lines of the text file at `path`. A missing or unreadable file gives no lines and nothing
// is reported; a file larger than kMaxEulaFileBytes gives no lines and one trace line.
std::vector<std::wstring> ReadEulaLines(const std::wstring& path);

// The lines of the agreement for the system default locale (ReadEulaLines of EulaFilePath).
std::vector<std::wstring> LoadEulaLines();
