#pragma once
// The last step of a job to an ISO file: builds a bootable ISO from the scratch folder with
// oscdimg.exe (shipped beside the program) and reports the tool's percentage as MAKEISO.
#include <atomic>
#include <string>

#include "app/basic_operation.h"

class ISOOperation : public BasicOperation {
 public:
  ISOOperation(platform::WindowHandle hWnd, std::int32_t state, const std::wstring& treePath, const std::wstring& isoDir,
               const std::wstring& isoName, bool is64);
  ~ISOOperation() override = default;

  std::int32_t Excute() override;
  bool IsStop() override { return m_bStop; }
  // Cancels the running tool (window thread).
  void Stop() override;

  // The output file: the label + ".iso" in the output folder, or the label followed by the
  // first free number 0, 1, … when that name is taken (names compare without regard to case).
  // One listing of the output folder answers it.
  std::wstring GetISOFilePath() const;
  // The full command line RunOperate hands to the builder, writing `isoPath`; without it, to
  // GetISOFilePath().
  std::wstring BuildCommandLine(const std::wstring& isoPath) const;

  const std::wstring& OscdimgPath() const { return m_OscdimgPath; }
  const std::wstring& BootSectorPath() const { return m_BootSectorPath; }
  const std::wstring& EfiBootPath() const { return m_EfiBootPath; }

  // Progress from the builder's reading thread: posts (m_State, percent) to the window.
  static void OnISOProgress(int percent, void* context);

 private:
  bool precheck() const;
  bool RunOperate();

  std::wstring m_TreePath;
  std::wstring m_ISODir;
  std::wstring m_ISOName;
  std::wstring m_OscdimgPath;
  std::wstring m_BootSectorPath;
  std::wstring m_EfiBootPath;
  std::atomic<bool> m_bStop{false};
};

// The three files of the ISO tool beside the program: the x86 oscdimg.exe runs for every disc;
// the boot sector files follow the disc's architecture.
struct IsoToolFiles {
  std::wstring tool;
  std::wstring bootSector;
  std::wstring efiBoot;
};
IsoToolFiles FindIsoToolFiles(bool is64);

// The text in double quotes: empty stays empty, and a quote already at either end is kept.
std::wstring QuotePath(const std::wstring& text);
// The text up to and including its last backslash; empty when it has none.
std::wstring GetFolderPart(const std::wstring& text);
// The ISO file's base name for a disc label: the label with every character a file name can't
// hold (control characters and < > : " / \ | ? *) replaced by "_".
std::wstring IsoFileBaseName(const std::wstring& label);
// The tree's folder as the tool's source argument: quoted, without a trailing backslash (a drive
// root becomes C:\.), so both a plain quote-splitting parser and the C runtime's rules read it.
std::wstring SourceFolderArgument(const std::wstring& folder);
