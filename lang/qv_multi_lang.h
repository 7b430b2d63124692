#pragma once
// The exports of the translation library QvMultiLang.dll.
//
// Texts are wide strings: UTF-16 on Windows; on the host, wchar_t is 32 bits wide and every
// text lies within the Basic Multilingual Plane, so lengths agree in characters.
//
// Buffer rule of both exports: the result is the text's whole length in characters, without
// the terminator. When `buffer` is not null and `capacity` is at least 1, at most capacity - 1
// characters are written, followed by a zero; a null buffer or a capacity of 0 writes nothing.
// A result of capacity - 1 or more therefore means the buffer may hold a shortened text.
#include <cstdint>

#if defined(_WIN32)
#define QV_MULTI_LANG_CALL __stdcall
#define QV_MULTI_LANG_EXPORT __declspec(dllexport)
#else
#define QV_MULTI_LANG_CALL
#define QV_MULTI_LANG_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// The text of `key` (zero-terminated) in the user's interface language. A key the library does
// not know yields the key itself, so a mismatch between program and library shows up as the
// key's name instead of an empty label; a null key yields the empty text.
QV_MULTI_LANG_EXPORT std::uint32_t QV_MULTI_LANG_CALL QvTranslateStr(const wchar_t* key, wchar_t* buffer,
                                                                     std::uint32_t capacity);

// The name of the language the library chose, in that language: "English", "简体中文" or
// "繁體中文".
QV_MULTI_LANG_EXPORT std::uint32_t QV_MULTI_LANG_CALL QvGetLangName(wchar_t* buffer, std::uint32_t capacity);

}  // extern "C"
