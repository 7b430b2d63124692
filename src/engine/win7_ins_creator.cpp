#include "engine/win7_ins_creator.h"

#include "app/trace_log.h"
#include "engine/operation_catalog.h"
#include "engine/usb_operation.h"
#include "platform/volumes.h"

namespace {
const std::int32_t kUsbJobCodes[] = {kOpPrepareUsb, kOpCopyDiscToUsb, kOpServiceUsbBootWim, kOpCopyOsFolderToUsb,
                                     kOpEnd};
const std::int32_t kIsoJobCodes[] = {kOpCopyDiscToScratch, kOpServiceScratchBootWim, kOpCopyOsFolderToScratch,
                                     kOpMakeIso, kOpEnd};

std::int32_t CodesBeforeEnd(const std::int32_t* list) {
  std::int32_t n = 0;
  while (list[n] != kOpEnd) ++n;
  return n;
}
}  // namespace

const std::int32_t* const OperateTable[] = {kUsbJobCodes, kIsoJobCodes, nullptr};

std::int32_t Win7InsCreator::JobTypeCount() {
  std::int32_t n = 0;
  while (OperateTable[n] != nullptr) ++n;
  return n;
}

std::int32_t Win7InsCreator::GetStepCount(std::int32_t dlgType) {
  if (dlgType < 0 || dlgType >= JobTypeCount()) return 0;
  return CodesBeforeEnd(OperateTable[dlgType]);
}

bool Win7InsCreator::HasFormatStep(std::int32_t dlgType) {
  if (dlgType < 0 || dlgType >= JobTypeCount()) return false;
  for (const std::int32_t* code = OperateTable[dlgType]; *code != kOpEnd; ++code)
    if (*code == kOpPrepareUsb) return true;
  return false;
}

std::int32_t Win7InsCreator::GetStepCount(std::int32_t dlgType, const WIN7_OPERAT_INFO* info) {
  return static_cast<std::int32_t>(JobCodes(dlgType, info).size()) - 1;
}

std::vector<std::int32_t> Win7InsCreator::JobCodes(std::int32_t dlgType, const WIN7_OPERAT_INFO* info) {
  if (dlgType < 0 || dlgType >= JobTypeCount()) return {kOpEnd};
  std::vector<std::int32_t> codes(OperateTable[dlgType], OperateTable[dlgType] + GetStepCount(dlgType));
  if (dlgType == kJobToUsb && info && info->bCheckUsbFiles) codes.push_back(kOpCheckUsbFiles);
  codes.push_back(kOpEnd);
  return codes;
}

Win7InsCreator::Win7InsCreator(platform::WindowHandle hWnd, std::int32_t dlgType, const WIN7_OPERAT_INFO* info)
    : m_pInfo(info), m_Codes(JobCodes(dlgType, info)), m_DlgType(dlgType), m_hWnd(hWnd) {
  if (m_pInfo && JobRecordIsTerminated(*m_pInfo)) m_TmpPath = m_pInfo->szTmpPath;
}

Win7InsCreator::~Win7InsCreator() {
  std::lock_guard<std::mutex> guard(m_OperationLock);
  m_pOperation.reset();
}

std::wstring Win7InsCreator::SourceLabel() const {
  platform::Result<platform::VolumeInformation> volume = platform::QueryVolumeInformation(m_pInfo->szSourcePath);
  if (!volume) {
    // The ISO file and the stick's label then fall back to their defaults.
    TraceLog(L"[Win7InsCreator::SourceLabel] GetVolumeInformationW failed: " + std::wstring(m_pInfo->szSourcePath) +
             volume.status().Suffix());
    return {};
  }
  return volume->label;
}

OperationContext Win7InsCreator::Context(const std::wstring& sourceLabel) const {
  OperationContext context;
  context.hWnd = m_hWnd;
  context.info = m_pInfo;
  context.tmpPath = m_TmpPath;
  context.tagPath = m_TagPath;
  context.sourceLabel = sourceLabel;
  context.written = &m_Written;
  return context;
}

std::int32_t Win7InsCreator::Excute() {
  // The runner runs one job, so m_bStop starts false at construction and is not cleared here:
  // a cancel pressed before the worker reached this point must still stop the job.
  if (m_DlgType < 0 || m_DlgType >= JobTypeCount()) return 0;
  if (!m_pInfo || !JobRecordIsTerminated(*m_pInfo)) {
    TraceLog(L"[Win7InsCreator::Excute] job record refused: a path is not terminated");
    return 0;
  }
  const std::int32_t steps = static_cast<std::int32_t>(m_Codes.size()) - 1;
  for (std::int32_t i = 0; i < steps; ++i) TraceLog(L"[Win7InsCreator::Excute] State: " + std::to_wstring(i));

  // The kOpEnd at the end of the list is a step too: it makes the end marker.
  for (m_Index = 0; m_Index <= steps; ++m_Index) {
    // Reading the label may wait for the drive, so it happens before Stop is locked out.
    std::wstring label = SourceLabel();
    BasicOperation* operation = nullptr;
    {
      std::lock_guard<std::mutex> guard(m_OperationLock);
      m_pOperation.reset();
      m_pOperation = MakeOperation(m_Codes[m_Index], Context(label));
      operation = m_pOperation.get();
    }
    if (!operation || operation->IsCompletion() || m_bStop) continue;
    // The failed operation stays in m_pOperation until the runner is destroyed.
    if (!operation->Excute()) return 0;
    if (std::wstring note = operation->EndNote(); !note.empty()) m_EndNotes.push_back(std::move(note));
    // Formatting may have given the USB drive another letter: the later steps go there.
    if (auto* usb = dynamic_cast<USBOperation*>(operation); usb && !usb->TargetRoot().empty())
      m_TagPath = usb->TargetRoot();
    // The check after writing compares these files with what the step wrote, not with the disc.
    if (m_pInfo->bCheckUsbFiles && m_DlgType == kJobToUsb) {
      const std::wstring usbRoot = m_TagPath.empty() ? std::wstring(m_pInfo->szTagPath) : m_TagPath;
      RecordWrittenFiles(m_Codes[m_Index], usbRoot, m_pInfo->szImgDriverPath, m_pInfo->bAllImages, m_Written);
    }
  }
  return 1;
}

void Win7InsCreator::Stop() {
  m_bStop = true;
  std::lock_guard<std::mutex> guard(m_OperationLock);
  if (m_pOperation && !m_pOperation->IsCompletion()) m_pOperation->Stop();
}
