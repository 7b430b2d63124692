#pragma once
// Reading the files of a driver package: the INF's text and sections, and the processor a PE
// image is built for; and whether a PE image is a 64-bit UEFI application. Standard C++ only and no file access: the build's package checker
// (tools/check-drivers, compiled with the machine's own compiler) and the examination of the
// user's own driver folder share it, each reading the bytes its own way.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driver_files {

using Bytes = std::vector<unsigned char>;
// A section's lines as (key, value) pairs, as written; a line without '=' has an empty key.
using InfSection = std::vector<std::pair<std::string, std::string>>;
// Sections by lower-case name.
using InfSections = std::map<std::string, InfSection>;

inline constexpr std::uint32_t kMachineX86 = 0x14C;
inline constexpr std::uint32_t kMachineAmd64 = 0x8664;
inline constexpr std::uint32_t kMachineIa64 = 0x200;
inline constexpr std::uint32_t kPe32PlusMagic = 0x20B;
inline constexpr std::uint32_t kSubsystemEfiApplication = 10;

std::string Lower(std::string text);
std::string Trim(const std::string& text);
std::string Unquote(std::string value);
std::string Hex(std::uint32_t value);
std::uint32_t ReadLe(const Bytes& bytes, std::size_t at, int size);

// The INF's text: UTF-16 LE with its byte order mark, or ANSI/UTF-8 (with or without a mark).
// Characters beyond ASCII become '?': the keys and file names read here are ASCII. Nothing, with
// `error` set, when the bytes are no INF text Windows setup reads.
std::optional<std::string> InfText(const Bytes& bytes, std::string& error);
// Comments (';' outside quotes) and line continuations ('\' at a line's end) are handled as
// Windows setup does.
InfSections ParseInf(const std::string& text);
// The value's comma-separated fields, unquoted.
std::vector<std::string> Fields(const std::string& value);
// The unquoted value of the first line whose key is `key` (lower case), compared without case.
std::optional<std::string> Value(const InfSection& section, const std::string& key);
// Nothing when [Version] says "$Windows NT$", else the reason.
std::optional<std::string> CheckSignature(const InfSections& sections);

// A file an INF's [SourceDisksFiles] sections name: the section's decoration ("", "x86",
// "amd64", lower case) and its path below the INF's folder ('\' separated): under the path its
// disk has in the [SourceDisksNames] section of the same decoration (or the plain one), then the
// entry's own subfolder.
struct SourceFile {
  std::string decoration;
  std::string relative;
};
std::vector<SourceFile> SourceFiles(const InfSections& sections);

// The machine field of a PE image's file header; nothing, with `error` set, when the bytes are
// not a PE image. `peAt` receives the PE signature's offset.
std::optional<std::uint32_t> PeMachine(const Bytes& bytes, std::size_t& peAt, std::string& error);

// Nothing when the bytes are a PE32+ image for x64 (machine 0x8664, optional header magic 0x20B)
// whose subsystem is an EFI application (10), the kind of file 64-bit UEFI firmware starts from a
// drive's efi\boot\bootx64.efi; else the reason it is not.
std::optional<std::string> CheckX64EfiApplication(const Bytes& bytes);

}  // namespace driver_files
