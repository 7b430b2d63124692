#include "servicing/dism_operation.h"

#include <vector>

#include "app/program_data.h"
#include "app/serviced_image.h"
#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "servicing/boot_image_rule.h"
#include "servicing/dism_manager.h"
#include "servicing/extra_drivers.h"

namespace {
constexpr std::uint32_t kPeImageIndex = 1;

void TraceUefi(const std::wstring& line) { TraceLog(L"DismOperation::Excute - UEFI: " + line); }
}  // namespace

DismOperation::DismOperation(platform::WindowHandle hWnd, const std::wstring& root, const std::wstring& driverFolder,
                             bool is64dvd, const std::wstring& extraFolder, bool allImages)
    : BasicOperation(hWnd), m_DriverFolder(driverFolder), m_ExtraFolder(extraFolder), is64dvd(is64dvd),
      m_AllImages(allImages) {
  mRoot = root;
  mWimPath = root;
  if (mWimPath.empty() || mWimPath.back() != L'\\') mWimPath += L'\\';
  mInstallWimPath = mWimPath + L"sources\\install.wim";
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
  self->PostState(static_cast<std::intptr_t>(self->SeriesPercent(percent)));
}

std::int32_t DismOperation::Excute() {
  TraceLog(L"DismOperation::Excute");
  if (!platform::PathExists(mWimPath)) return 0;
  ClearReadOnlyAttribute(mWimPath);
  if (m_AllImages && platform::PathExists(mInstallWimPath)) ClearReadOnlyAttribute(mInstallWimPath);
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
  // A failure to read the images is shown by GetImages.
  std::vector<platform::DismImage> images;
  if (!dism->GetImages(mWimPath, images)) return false;
  // The job check refuses such a disc before anything is erased; a boot.wim changed since then
  // is refused here with the same words.
  const std::wstring problem = BootImageCountProblem(mWimPath, static_cast<std::uint32_t>(images.size()));
  if (!problem.empty()) {
    TraceLog(L"DismOperation::Excute - " + problem);
    platform::ShowMessageBox(0, problem, L"DismCpp", platform::kMbOk | platform::kMbIconError);
    return false;
  }
  // Decided before image 2 is touched: the disc has been copied, and the "OS" folder is known.
  UefiLoaderCopy loader = UefiLoaderCopy::kWritten;  // nothing more to do unless a loader is wanted
  const bool loaderWanted = UefiLoaderWanted();
  if (!ServiceImage(mWimPath, images[kSetupBootImageIndex - 1], loaderWanted ? &loader : nullptr)) return false;
  // A stick that refused image 2's file refuses image 1's too: only a missing one is looked for.
  if (loader == UefiLoaderCopy::kNotInImage) loader = CopyUefiLoaderFromImageOne();
  if (loader != UefiLoaderCopy::kWritten) {
    TraceUefi(L"no loader written, the USB drive starts in legacy BIOS (CSM) mode only");
    m_EndNote = LegacyOnlyNote(loader == UefiLoaderCopy::kNotWritten);
  }
  return m_AllImages ? ServiceWindowsImages(images.front()) : true;
}

bool DismOperation::ServiceWindowsImages(const platform::DismImage& bootImageOne) {
  DismManager* dism = DismManager::Instance();
  // Windows PE (image 1 of boot.wim), then every edition of install.wim, one mount at a time.
  std::vector<std::pair<std::wstring, platform::DismImage>> queue{{mWimPath, bootImageOne}};
  std::vector<platform::DismImage> editions;
  if (!dism->GetImages(mInstallWimPath, editions)) return false;
  for (const auto& edition : editions) queue.emplace_back(mInstallWimPath, edition);
  const std::size_t total = queue.size();
  for (std::size_t i = 0; i < total; ++i) {
    // A cancel takes effect here, between images: the ones done stay serviced, none is mounted.
    if (IsStop()) {
      TraceLog(L"DismOperation::Excute - stopped before image " + std::to_wstring(i + 1) + L" of " +
               std::to_wstring(total));
      return true;
    }
    TraceLog(L"DismOperation::Excute - adding the drivers to " + queue[i].second.imageName + L" (" +
             std::to_wstring(i + 1) + L" of " + std::to_wstring(total) + L"): " + queue[i].first + L" index " +
             std::to_wstring(queue[i].second.imageIndex));
    SetServicedImage({queue[i].second.imageName, static_cast<std::uint32_t>(i + 1), static_cast<std::uint32_t>(total)});
    m_ImageNumber = static_cast<std::uint32_t>(i);
    m_ImageTotal = static_cast<std::uint32_t>(total);
    if (!ServiceImage(queue[i].first, queue[i].second, nullptr)) return false;
  }
  return true;
}

void DismOperation::SetState(std::int32_t state) {
  m_Phase = state;
  m_State = m_ImageTotal == 0 ? state : static_cast<std::int32_t>(DISMIMAGE);
}

std::uint32_t DismOperation::SeriesPercent(std::uint32_t phasePercent) {
  if (m_ImageTotal == 0) return phasePercent;
  // Each image's mount, commit and unmount are a third of its share. DISM may start a phase's
  // count again (an unmount saves, then unmounts), so the series' bar keeps its highest mark.
  const std::int32_t phase = m_Phase;
  const std::uint32_t third = phase <= DISMADDDRIVER ? 0u : phase <= DISMCOMMITFAIL ? 1u : 2u;
  const std::uint32_t percent =
      (m_ImageNumber * 300u + third * 100u + (phasePercent > 100u ? 100u : phasePercent)) / (3u * m_ImageTotal);
  std::uint32_t high = m_SeriesHigh.load();
  while (percent > high && !m_SeriesHigh.compare_exchange_weak(high, percent)) {
  }
  return percent > high ? percent : high;
}

bool DismOperation::ImageIs64(const platform::DismImage& image) const {
  const std::wstring name = L"image " + std::to_wstring(image.imageIndex) + L" (" + image.imageName + L")";
  const bool known = image.architecture == platform::kDismArchitectureX86 ||
                     image.architecture == platform::kDismArchitectureAmd64;
  if (!known) {
    TraceLog(L"DismOperation::Excute - " + name + L" names no x86 or x64 architecture (" +
             std::to_wstring(image.architecture) + L"): the packages of the disc's AutoRun.inf are used");
    return is64dvd;
  }
  const bool is64 = image.architecture == platform::kDismArchitectureAmd64;
  if (is64 != is64dvd)
    TraceLog(std::wstring(L"DismOperation::Excute - ") + name + L" is " + (is64 ? L"x64" : L"x86") +
             L" but the disc's AutoRun.inf says " + (is64dvd ? L"x64" : L"x86") + L": the image's packages are used");
  return is64;
}

std::vector<std::wstring> DismOperation::PackagesFor(bool is64) const {
  const std::wstring asmedia = m_DriverFolder + L"\\Asmedia";
  TraceLog(L"DismOperation::Excute - DISMADDDRIVER: m_DriverFolder" + asmedia);
  const std::wstring intel = m_DriverFolder + (is64 ? L"\\Intel\\Win7\\x64" : L"\\Intel\\Win7\\x86");
  TraceLog(L"DismOperation::Excute - DISMADDDRIVER: m_DriverFolder" + intel);
  std::vector<std::wstring> infs;
  std::vector<std::wstring> intelInfs;
  FindFilesByExtension(infs, asmedia, L".INF");
  FindFilesByExtension(intelInfs, intel, L".INF");
  infs.insert(infs.end(), intelInfs.begin(), intelInfs.end());
  if (!m_ExtraFolder.empty()) {
    // The user's own packages go in after the built-in ones, in the same session; those that
    // don't fit the image were named when the folder was chosen and are traced again here.
    const DriverFolderExamination extra = ExamineDriverFolder(m_ExtraFolder, is64);
    TraceLog(L"DismOperation::Excute - DISMADDDRIVER: extra " + DescribeExamination(extra));
    infs.insert(infs.end(), extra.fitting.begin(), extra.fitting.end());
  }
  return infs;
}

bool DismOperation::ServiceImage(const std::wstring& wim, const platform::DismImage& image, UefiLoaderCopy* loader) {
  DismManager* dism = DismManager::Instance();
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
  if (!dism->Mount(wim, image.imageIndex, &DismOperation::OnDismProgress, this)) return failed();
  SetState(DISMMOUNTOK);
  TraceLog(L"DismOperation::Excute - DISMMOUNTOK");
  PostState(SeriesPercent(100));

  TraceLog(L"DismOperation::Excute - DISMADDDRIVER");
  SetState(DISMADDDRIVER);
  for (const auto& inf : PackagesFor(ImageIs64(image))) {
    if (!dism->AddDriver(inf)) {
      TraceLog(L"DismOperation::Excute - DISMADDDRIVER refused: " + inf);
      return failed();
    }
  }

  // The loader is taken while the image is mounted, before its commit.
  if (loader) *loader = CopyUefiLoaderFromMount(image.imageIndex);

  TraceLog(L"DismOperation::Excute - DISMCOMMIT");
  SetState(DISMCOMMIT);
  if (!dism->Commit(&DismOperation::OnDismProgress, this)) return failed();
  TraceLog(L"DismOperation::Excute - DISMCOMMITOK");
  SetState(DISMCOMMITOK);
  PostState(SeriesPercent(100));

  TraceLog(L"DismOperation::Excute - DISMUNMOUNT");
  SetState(DISMUNMOUNT);
  if (!dism->Unmount(&DismOperation::OnDismProgress, this)) return failed();
  TraceLog(L"DismOperation::Excute - DISMUNMOUNTOK");
  SetState(DISMUNMOUNTOK);
  PostState(SeriesPercent(100));
  return true;
}
