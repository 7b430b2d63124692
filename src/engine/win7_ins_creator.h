#pragma once
// The job runner: runs the fixed list of operations of a job type one after another on the
// worker thread, and lets the window thread stop the job between or during steps.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/basic_operation.h"
#include "engine/job_record.h"
#include "engine/operation_catalog.h"
#include "platform/types.h"

// Job types (m_DlgType).
constexpr std::int32_t kJobToUsb = 0;
constexpr std::int32_t kJobToIso = 1;

// For each job type the list of operation codes (OperationCode, engine/operation_catalog.h)
// ended by kOpEnd; the table ends with a null list, so its size is the number of valid job types.
// kJobToUsb: prepare the USB drive, copy the disc to it, add the drivers to its boot.wim, copy
// the "OS" folder over it. kJobToIso: copy the disc to the scratch folder, add the drivers to its
// boot.wim, copy the "OS" folder over it, build the ISO file from it.
extern const std::int32_t* const OperateTable[];

class Win7InsCreator {
 public:
  Win7InsCreator(platform::WindowHandle hWnd, std::int32_t dlgType, const WIN7_OPERAT_INFO* info);
  ~Win7InsCreator();
  Win7InsCreator(const Win7InsCreator&) = delete;
  Win7InsCreator& operator=(const Win7InsCreator&) = delete;

  // Runs the job on the calling (worker) thread. Nonzero when every step succeeded or was
  // skipped after a stop; 0 for an invalid job type or a failed step.
  std::int32_t Excute();
  // Asks the job to stop (window thread): no further step runs, and the running one is asked
  // to stop unless it is the end marker.
  void Stop();

  // What the steps that succeeded want the user to be told at the end, in step order. Read after
  // Excute has returned.
  const std::vector<std::wstring>& EndNotes() const { return m_EndNotes; }

  // Number of steps of a job type (the codes before kOpEnd); 0 for an invalid type.
  static std::int32_t GetStepCount(std::int32_t dlgType);
  // Number of steps of this job: the type's, and one more for a USB job whose record asks for
  // the check of every file after writing.
  static std::int32_t GetStepCount(std::int32_t dlgType, const WIN7_OPERAT_INFO* info);
  // The job's codes ended by kOpEnd: its type's list, with kOpCheckUsbFiles before the end
  // when a USB job's record asks for it; only kOpEnd for an invalid type.
  static std::vector<std::int32_t> JobCodes(std::int32_t dlgType, const WIN7_OPERAT_INFO* info);
  // Whether the job type formats a USB drive (holds kOpPrepareUsb); false for an invalid type.
  static bool HasFormatStep(std::int32_t dlgType);
  // Number of lists in OperateTable.
  static std::int32_t JobTypeCount();

 private:
  // What the operation for the code at m_Index is made from.
  OperationContext Context(const std::wstring& sourceLabel) const;
  // The source's volume label (GetVolumeInformationW), empty when it can't be read.
  std::wstring SourceLabel() const;

  const WIN7_OPERAT_INFO* m_pInfo;
  std::wstring m_TmpPath;
  // The target root for the steps; the USB step moves it when formatting changed the letter.
  std::wstring m_TagPath;
  std::vector<std::int32_t> m_Codes;  // JobCodes of the job
  // Digests of what the steps wrote over the disc's files, for the check after writing.
  WrittenFiles m_Written;
  std::unique_ptr<BasicOperation> m_pOperation;
  std::vector<std::wstring> m_EndNotes;
  std::int32_t m_DlgType;
  std::int32_t m_Index = 0;
  platform::WindowHandle m_hWnd;
  std::atomic<bool> m_bStop{false};
  // Held while the current operation is replaced and while Stop calls into it, so Stop never
  // reaches an operation that is being destroyed or not yet complete.
  std::mutex m_OperationLock;
};
