#include "engine/iso_operation.h"

#include <set>
#include <string_view>

#include "app/text_case.h"
#include "app/trace_log.h"
#include "engine/make_iso_file.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/message_box.h"

namespace {
const wchar_t kCaption[] = L"make ISO error";
const wchar_t kX86Tool[] = L"Oscdimg_x86\\Oscdimg\\oscdimg.exe";
const wchar_t kAmd64Tool[] = L"Oscdimg_amd64\\Oscdimg\\oscdimg.exe";

}  // namespace

std::wstring QuotePath(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring quoted = text;
  if (quoted.front() != L'"') quoted.insert(quoted.begin(), L'"');
  if (text.back() != L'"') quoted += L'"';
  return quoted;
}

std::wstring SourceFolderArgument(const std::wstring& folder) {
  // A backslash before the closing quote would escape it for the tool's C start-up code, and
  // the folder and the output file would merge into one argument.
  std::wstring trimmed = folder;
  while (trimmed.size() > 1 && trimmed.back() == L'\\') trimmed.pop_back();
  if (!trimmed.empty() && trimmed.back() == L':') trimmed += L"\\.";  // a drive root: C:\.
  return QuotePath(trimmed);
}

std::wstring IsoFileBaseName(const std::wstring& label) {
  // A disc's label may hold what a file name can't (a UDF label allows almost any character):
  // those characters would send the image elsewhere, or break the tool's quoting.
  std::wstring name = label;
  for (auto& c : name) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) c = L'_';
  }
  return name;
}

std::wstring GetFolderPart(const std::wstring& text) {
  std::size_t slash = text.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1);
}

IsoToolFiles FindIsoToolFiles(bool is64) {
  std::wstring exeFolder = platform::ExecutableFolder();
  std::wstring bootFolder = GetFolderPart(exeFolder + (is64 ? kAmd64Tool : kX86Tool));
  return {exeFolder + kX86Tool, bootFolder + L"etfsboot.com", bootFolder + L"efisys.bin"};
}

ISOOperation::ISOOperation(platform::WindowHandle hWnd, std::int32_t state, const std::wstring& treePath,
                           const std::wstring& isoDir, const std::wstring& isoName, bool is64)
    : BasicOperation(hWnd, state), m_TreePath(treePath), m_ISODir(isoDir), m_ISOName(isoName) {
  IsoToolFiles files = FindIsoToolFiles(is64);
  m_OscdimgPath = files.tool;
  m_BootSectorPath = files.bootSector;
  m_EfiBootPath = files.efiBoot;
  TraceLog(L"ISOOperation create");
  TraceLog(L"[ISOOperation::tmp_oscdTool]" + platform::ExecutableFolder() + (is64 ? kAmd64Tool : kX86Tool));
}

void ISOOperation::Stop() {
  m_bStop = true;
  MakeISOFile::Instance()->Cancle();
}

std::int32_t ISOOperation::Excute() {
  TraceLog(L"ISOOperation Excute");
  // m_bStop starts false with the object and is not cleared here: a stop that arrives between
  // the runner's check and this call must still cancel the build.
  // A build that fails posts its own state, so the page names it rather than the step before.
  if (!precheck()) {
    PostState(0);
    return 0;
  }
  if (RunOperate()) {
    TraceLog(L"ISOOperation Excute - end(TRUE)");
    return 1;
  }
  TraceLog(L"[ISOOperation- RunOperate] is fail");
  PostState(0);
  std::wstring error = MakeISOFile::Instance()->LastError();
  if (error.empty()) error = L"The ISO file could not be built.";
  platform::ShowMessageBox(0, error, kCaption, platform::kMbOk | platform::kMbIconError);
  return 0;
}

bool ISOOperation::precheck() const {
  TraceLog(L"ISOOperation precheck");
  if (platform::IsFolder(m_ISODir)) return true;
  platform::ShowMessageBox(0, L"The ISO directory does not exist.", kCaption, platform::kMbOk);
  return false;
}

std::wstring ISOOperation::GetISOFilePath() const {
  std::wstring folder = m_ISODir;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  const std::wstring base = IsoFileBaseName(m_ISOName);
  // The folder is listed once and the names are tried against the listing. A folder that can't
  // be listed is asked name by name, so an existing file is never overwritten.
  std::set<std::wstring> taken;
  const bool listed = platform::ListFolder(folder, [&](const platform::FolderEntry& entry) {
                        taken.insert(UpperCase(entry.name));
                        return true;
                      }).ok();
  auto isFree = [&](const std::wstring& name) {
    return listed ? taken.count(UpperCase(name)) == 0 : !platform::PathExists(folder + name);
  };
  if (isFree(base + L".iso")) return folder + base + L".iso";
  for (unsigned long long n = 0;; ++n) {
    std::wstring candidate = base + std::to_wstring(n) + L".iso";
    if (isFree(candidate)) return folder + candidate;
  }
}

std::wstring ISOOperation::BuildCommandLine(const std::wstring& iso) const {
  std::wstring args = L"-lWIN7 -m -o -u1 -udfver102 ";
  args += L"-bootdata:2#p0,e,b" + QuotePath(m_BootSectorPath) + L"#pEF,e,b" + QuotePath(m_EfiBootPath);
  args += L" " + SourceFolderArgument(GetFolderPart(m_TreePath)) + L" " + QuotePath(iso);
  return QuotePath(m_OscdimgPath) + L" " + args;
}

bool ISOOperation::RunOperate() {
  const std::wstring iso = GetISOFilePath();
  return MakeISOFile::Instance()->Excute(BuildCommandLine(iso), iso, &ISOOperation::OnISOProgress, this, &m_bStop);
}

void ISOOperation::OnISOProgress(int percent, void* context) {
  static_cast<ISOOperation*>(context)->PostState(percent);
}
