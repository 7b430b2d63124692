#include "servicing/dism_operation.h"

#include <vector>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "servicing/dism_manager.h"
#include "servicing/extra_drivers.h"

namespace {
constexpr std::uint32_t kBootImageIndex = 2;
constexpr std::uint32_t kPeImageIndex = 1;

void TraceUefi(const std::wstring& line) { TraceLog(L"DismOperation::Excute - UEFI: " + line); }
}  // namespace

DismOperation::DismOperation(platform::WindowHandle hWnd, const std::wstring& root, const std::wstring& driverFolder,
                             bool is64dvd, const std::wstring& extraFolder)
    : BasicOperation(hWnd), m_DriverFolder(driverFolder), m_ExtraFolder(extraFolder), is64dvd(is64dvd) {
  mRoot = root;
  mWimPath = root;
  if (mWimPath.empty() || mWimPath.back() != L'\\') mWimPath += L'\\';
  mWimPath += L"sources\\boot.wim";
  TraceLog(std::wstring(L"DismOperation::DismOperation is64dvd:") + (is64dvd ? L"1" : L"0"));
  TraceLog(L"[DismOperation ] create, mWimPath: " + mWimPath);
}

DismOperation::~DismOperation() = default;

void DismOperation::OnDismProgress(std::uint32_t current, std::uint32_t total, void* userData) {
  auto* self = static_cast<DismOperation*>(userData);
  if (!self) return;
  // Unsigned 32-bit arithmetic, truncating; a total of 0 reports 0 instead of dividing by it.
  std::uint32_t percent = total == 0 ? 0u : static_cast<std::uint32_t>(current * 100u) / total;
  self->PostState(static_cast<std::intptr_t>(percent));
}

std::int32_t DismOperation::Excute() {
  TraceLog(L"DismOperation::Excute");
  if (!platform::PathExists(mWimPath)) return 0;
  ClearReadOnlyAttribute(mWimPath);
  platform::SleepMilliseconds(1000);
  try {
    return Service() ? 1 : 0;
  } catch (const DismCpp::InitializeError& error) {
    // DISM could not be reached or initialised: the step fails like any other, with a trace
    // line and a box, instead of leaving the job without a result.
    const std::wstring code = DismCpp::HexCode(static_cast<std::uint32_t>(error.Result()));
    TraceLog(L"DismOperation::Excute - Unable to DismInitialize " + code);
    platform::ShowMessageBox(0, L"Unable to DismInitialize " + code, L"DismCpp", platform::kMbOk);
    return 0;
  }
}

void DismOperation::WriteUefiLoaderUnlessProvided(const std::wstring& osFolder) {
  m_WantUefiLoader = true;
  m_UefiOsFolder = osFolder;
}

bool DismOperation::UefiLoaderWanted() const {
  if (!m_WantUefiLoader) return false;
  if (!is64dvd) {
    TraceUefi(L"not written, the disc is 32-bit");
    return false;
  }
  if (const std::wstring provided = ProvidedUefiLoader(mRoot, m_UefiOsFolder); !provided.empty()) {
    TraceUefi(L"not written, already provided by " + provided);
    return false;
  }
  return true;
}

UefiLoaderCopy DismOperation::CopyUefiLoaderFromMount(std::uint32_t index) {
  std::wstring why;
  const UefiLoaderCopy copy = WriteUefiLoader(DismManager::Instance()->MountFolder(), mRoot, why);
  if (copy == UefiLoaderCopy::kWritten)
    TraceUefi(std::wstring(L"wrote ") + kUefiLoaderPath + L" on " + mRoot + L" from image " + std::to_wstring(index));
  else
    TraceUefi(L"image " + std::to_wstring(index) +
              (copy == UefiLoaderCopy::kNotInImage ? L" gives no loader: " : L"'s loader not written: ") + why);
  return copy;
}

UefiLoaderCopy DismOperation::CopyUefiLoaderFromImageOne() {
  if (m_bStop) {
    TraceUefi(L"image 1 not looked at, the job was cancelled");
    return UefiLoaderCopy::kNotInImage;
  }
  DismManager* dism = DismManager::Instance();
  // Only a file is read from it, so it is mounted read-only and the unmount discards.
  const UefiLoaderCopy copy = dism->Mount(mWimPath, kPeImageIndex, nullptr, nullptr, true)
                                  ? CopyUefiLoaderFromMount(kPeImageIndex)
                                  : UefiLoaderCopy::kNotInImage;
  if (!dism->Discard()) TraceUefi(L"image 1 could not be unmounted or its folder removed");
  return copy;
}

bool DismOperation::Service() {
  DismManager* dism = DismManager::Instance();
  if (dism->GetImageCount(mWimPath) != 2) return false;
  // Decided before image 2 is touched: the disc has been copied, and the "OS" folder is known.
  const bool loaderWanted = UefiLoaderWanted();
  // A phase that fails posts its own state once more, so the page names the failing phase
  // rather than the last one that ended well.
  auto failed = [this, dism] {
    PostState(0);
    dism->Discard();
    return false;
  };

  TraceLog(L"DismOperation::Excute - DISMMOUNT");
  SetState(DISMMOUNT);
  // The image may be mounted even though the session could not be opened: it is discarded too.
  if (!dism->Mount(mWimPath, kBootImageIndex, &DismOperation::OnDismProgress, this)) return failed();
  SetState(DISMMOUNTOK);
  TraceLog(L"DismOperation::Excute - DISMMOUNTOK");
  PostState(100);

  TraceLog(L"DismOperation::Excute - DISMADDDRIVER");
  SetState(DISMADDDRIVER);
  const std::wstring asmedia = m_DriverFolder + L"\\Asmedia";
  TraceLog(L"DismOperation::Excute - DISMADDDRIVER: m_DriverFolder" + asmedia);
  const std::wstring intel = m_DriverFolder + (is64dvd ? L"\\Intel\\Win7\\x64" : L"\\Intel\\Win7\\x86");
  TraceLog(L"DismOperation::Excute - DISMADDDRIVER: m_DriverFolder" + intel);
  std::vector<std::wstring> infs;
  std::vector<std::wstring> intelInfs;
  FindFilesByExtension(infs, asmedia, L".INF");
  FindFilesByExtension(intelInfs, intel, L".INF");
  infs.insert(infs.end(), intelInfs.begin(), intelInfs.end());
  if (!m_ExtraFolder.empty()) {
    // The user's own packages go in after the built-in ones, in the same session; those that
    // don't fit the disc were named when the folder was chosen and are traced again here.
    const DriverFolderExamination extra = ExamineDriverFolder(m_ExtraFolder, is64dvd);
    TraceLog(L"DismOperation::Excute - DISMADDDRIVER: extra " + DescribeExamination(extra));
    infs.insert(infs.end(), extra.fitting.begin(), extra.fitting.end());
  }

  for (const auto& inf : infs) {
    if (!dism->AddDriver(inf)) {
      TraceLog(L"DismOperation::Excute - DISMADDDRIVER refused: " + inf);
      return failed();
    }
  }

  // The loader is taken while image 2 is mounted, before its commit.
  UefiLoaderCopy loader = UefiLoaderCopy::kWritten;  // nothing more to do unless a loader is wanted
  if (loaderWanted) loader = CopyUefiLoaderFromMount(kBootImageIndex);

  TraceLog(L"DismOperation::Excute - DISMCOMMIT");
  SetState(DISMCOMMIT);
  if (!dism->Commit(&DismOperation::OnDismProgress, this)) return failed();
  TraceLog(L"DismOperation::Excute - DISMCOMMITOK");
  SetState(DISMCOMMITOK);
  PostState(100);

  TraceLog(L"DismOperation::Excute - DISMUNMOUNT");
  SetState(DISMUNMOUNT);
  if (!dism->Unmount(&DismOperation::OnDismProgress, this)) return failed();
  TraceLog(L"DismOperation::Excute - DISMUNMOUNTOK");
  SetState(DISMUNMOUNTOK);
  PostState(100);

  // A stick that refused image 2's file refuses image 1's too: only a missing one is looked for.
  if (loader == UefiLoaderCopy::kNotInImage) loader = CopyUefiLoaderFromImageOne();
  if (loader != UefiLoaderCopy::kWritten) {
    TraceUefi(L"no loader written, the USB drive starts in legacy BIOS (CSM) mode only");
    m_EndNote = LegacyOnlyNote(loader == UefiLoaderCopy::kNotWritten);
  }
  return true;
}
