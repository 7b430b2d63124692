#include "servicing/extra_drivers.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "app/folder_path.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servicing/driver_files.h"

namespace {

constexpr int kMaxDepth = 6;

std::wstring Wide(const std::string& text) { return platform::AnsiToWide(text); }

bool EndsWithInf(const std::wstring& name) {
  // Compared character by character: no temporary string, which MinGW's GCC mistakes for a
  // free of the literal.
  static constexpr wchar_t kSuffix[] = L".inf";
  if (name.size() < 4) return false;
  const std::size_t at = name.size() - 4;
  for (std::size_t i = 0; i < 4; ++i) {
    const wchar_t c = name[at + i];
    if ((c >= L'A' && c <= L'Z' ? c + 32 : c) != kSuffix[i]) return false;
  }
  return true;
}

void CollectInfs(const std::wstring& folder, int depth, std::vector<std::wstring>& infs,
                 std::vector<SkippedDriverPackage>& skipped) {
  std::vector<std::wstring> subfolders;
  const platform::Status listed = platform::ListFolder(folder, [&](const platform::FolderEntry& entry) {
    const std::wstring path = WithBackslash(folder) + entry.name;
    if (entry.IsLink()) return true;  // a link may lead anywhere, also back up the tree
    if (entry.IsFolder()) {
      subfolders.push_back(path);
    } else if (EndsWithInf(entry.name)) {
      infs.push_back(path);
    }
    return true;
  });
  if (!listed) {
    skipped.push_back({folder, L"the folder can't be listed" + listed.Suffix()});
    return;
  }
  if (depth >= kMaxDepth) return;
  for (const auto& sub : subfolders) CollectInfs(sub, depth + 1, infs, skipped);
}

// The processors the INF's [Manufacturer] models are decorated for ("x86", "amd64", "ia64");
// undecorated models only serve 32-bit Windows, so they count as "x86".
std::vector<std::string> ModelProcessors(const driver_files::InfSections& sections) {
  std::vector<std::string> processors;
  const auto manufacturer = sections.find("manufacturer");
  if (manufacturer == sections.end()) return processors;
  bool undecorated = false;
  for (const auto& line : manufacturer->second) {
    const auto fields = driver_files::Fields(line.second);
    if (fields.size() < 2) undecorated = true;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::string decoration = driver_files::Lower(fields[i]);
      for (const char* processor : {"x86", "amd64", "ia64"})
        if (decoration.rfind(std::string("nt") + processor, 0) == 0) processors.push_back(processor);
    }
  }
  if (undecorated || processors.empty()) processors.push_back("x86");
  return processors;
}

// Why the package does not fit, or nothing when it does.
std::optional<std::string> Examine(const std::wstring& inf, bool is64dvd) {
  const std::string wanted = is64dvd ? "amd64" : "x86";
  const std::uint32_t wantedMachine = is64dvd ? driver_files::kMachineAmd64 : driver_files::kMachineX86;
  auto bytes = platform::ReadWholeFile(inf);
  if (!bytes) return "can't be read";
  std::string error;
  const auto text = driver_files::InfText(*bytes, error);
  if (!text) return "does not parse: " + error;
  const auto sections = driver_files::ParseInf(*text);
  if (auto wrong = driver_files::CheckSignature(sections)) return wrong;
  // DISM refuses a package whose [Version] names no device class.
  const auto& version = sections.at("version");
  if (!driver_files::Value(version, "class") && !driver_files::Value(version, "classguid"))
    return std::string("names no device class ([Version] has no Class or ClassGuid)");
  const auto processors = ModelProcessors(sections);
  if (std::find(processors.begin(), processors.end(), wanted) == processors.end()) {
    std::string list;
    for (const auto& p : processors) list += (list.empty() ? "" : ", ") + p;
    return "has models for " + list + " only, the disc is " + wanted;
  }
  const std::wstring folder = inf.substr(0, inf.find_last_of(L'\\'));
  for (const auto& source : driver_files::SourceFiles(sections)) {
    if (!source.decoration.empty() && source.decoration != wanted) continue;
    const std::string lower = driver_files::Lower(source.relative);
    if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".sys") != 0) continue;
    auto sys = platform::ReadWholeFile(folder + L"\\" + Wide(source.relative));
    if (!sys) return "names " + source.relative + ", which does not lie beside it";
    std::size_t peAt = 0;
    const auto machine = driver_files::PeMachine(*sys, peAt, error);
    if (!machine) return source.relative + " " + error;
    if (*machine != wantedMachine)
      return source.relative + " is built for machine " + driver_files::Hex(*machine) + ", the disc is " + wanted;
  }
  return std::nullopt;
}

}  // namespace

DriverFolderExamination ExamineDriverFolder(const std::wstring& folder, bool is64dvd) {
  DriverFolderExamination result;
  result.folder = folder;
  while (result.folder.size() > 3 && result.folder.back() == L'\\') result.folder.pop_back();
  std::vector<std::wstring> infs;
  CollectInfs(result.folder, 0, infs, result.skipped);
  std::sort(infs.begin(), infs.end());
  for (const auto& inf : infs) {
    if (const auto reason = Examine(inf, is64dvd)) {
      result.skipped.push_back({inf, Wide(*reason)});
    } else {
      result.fitting.push_back(inf);
    }
  }
  return result;
}

DriverFolderExamination ExamineDriverFolderForEitherDisc(const std::wstring& folder) {
  DriverFolderExamination either = ExamineDriverFolder(folder, false);
  const DriverFolderExamination amd64 = ExamineDriverFolder(folder, true);
  auto fitsAmd64 = [&](const std::wstring& inf) {
    return std::find(amd64.fitting.begin(), amd64.fitting.end(), inf) != amd64.fitting.end();
  };
  for (const SkippedDriverPackage& skip : either.skipped)
    if (fitsAmd64(skip.inf)) either.fitting.push_back(skip.inf);
  std::erase_if(either.skipped, [&](const SkippedDriverPackage& skip) { return fitsAmd64(skip.inf); });
  std::sort(either.fitting.begin(), either.fitting.end());
  return either;
}

std::wstring DescribeExamination(const DriverFolderExamination& examination) {
  std::wstring text = std::to_wstring(examination.fitting.size()) + L" driver packages from " + examination.folder +
                      L" fit";
  std::wstring separator = L": ";
  for (const auto& inf : examination.fitting) {
    text += separator + inf;
    separator = L", ";
  }
  separator = L"; skipped: ";
  for (const auto& skip : examination.skipped) {
    text += separator + skip.inf + L" (" + skip.reason + L")";
    separator = L", ";
  }
  return text;
}
