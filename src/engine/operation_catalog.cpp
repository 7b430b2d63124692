#include "engine/operation_catalog.h"

#include <mutex>

#include "engine/completion_operations.h"
#include "servicing/copy_operation.h"
#include "engine/iso_operation.h"
#include "engine/usb_operation.h"
#include "servicing/dism_operation.h"

namespace {
std::mutex g_makerLock;
OperationMaker g_maker;

// A path field of the job record, empty when there is no record.
std::wstring JobPathOf(const OperationContext& context, wchar_t (WIN7_OPERAT_INFO::*field)[kJobPathUnits]) {
  if (field == &WIN7_OPERAT_INFO::szTagPath && !context.tagPath.empty()) return context.tagPath;
  return context.info ? std::wstring(context.info->*field) : std::wstring();
}

}  // namespace

std::unique_ptr<BasicOperation> MakeFromCatalogue(std::int32_t code, const OperationContext& context) {
  switch (code) {
    case kOpCheck:
      return std::make_unique<CheckOperation>();
    case kOpServiceScratchBootWim:
      return std::make_unique<DismOperation>(context.hWnd, context.tmpPath,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szDriverPath),
                                             context.info && context.info->bIs64bitDVD,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szExtraDriverPath),
                                             context.info && context.info->bAllImages);
    case kOpServiceUsbBootWim: {
      auto operation = std::make_unique<DismOperation>(context.hWnd, JobPathOf(context, &WIN7_OPERAT_INFO::szTagPath),
                                                       JobPathOf(context, &WIN7_OPERAT_INFO::szDriverPath),
                                                       context.info && context.info->bIs64bitDVD,
                                                       JobPathOf(context, &WIN7_OPERAT_INFO::szExtraDriverPath),
                                                       context.info && context.info->bAllImages);
      // A stick starts on UEFI computers from efi\boot\bootx64.efi, which 64-bit discs lack; an
      // ISO starts through the disc's own efisys.bin and needs none.
      if (context.info && context.info->bIs64bitDVD)
        operation->WriteUefiLoaderUnlessProvided(JobPathOf(context, &WIN7_OPERAT_INFO::szImgDriverPath));
      return operation;
    }
    case kOpPrepareUsb:
      return std::make_unique<USBOperation>(context.hWnd, context.info ? context.info->szTagPath : L"",
                                            context.sourceLabel, context.info ? context.info->nWholeDisk : kEraseNotAsked);
    case kOpMakeIso:
      return std::make_unique<ISOOperation>(context.hWnd, MAKEISO, context.tmpPath,
                                            context.info ? context.info->szTagPath : L"", context.sourceLabel,
                                            context.info && context.info->bIs64bitDVD);
    case kOpCopyScratchToUsb:
      return std::make_unique<CopyOperation>(context.hWnd, COPYTOUSB, context.tmpPath,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szTagPath));
    case kOpCopyDiscToScratch:
      return std::make_unique<CopyOperation>(context.hWnd, BACKUPOS,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szSourcePath), context.tmpPath);
    case kOpCopyOsFolderToUsb:
      return std::make_unique<CopyOperation>(context.hWnd, COPYIMGDRIVER,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szImgDriverPath),
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szTagPath));
    case kOpCopyDiscToUsb:
      return std::make_unique<CopyOperation>(context.hWnd, COPYTOUSB,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szSourcePath),
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szTagPath));
    case kOpCopyOsFolderToScratch:
      return std::make_unique<CopyOperation>(context.hWnd, BACKUPOS,
                                             JobPathOf(context, &WIN7_OPERAT_INFO::szImgDriverPath), context.tmpPath);
    case kOpCheckUsbFiles:
      return std::make_unique<UsbFileCheckOperation>(context.hWnd,
                                                     JobPathOf(context, &WIN7_OPERAT_INFO::szSourcePath),
                                                     JobPathOf(context, &WIN7_OPERAT_INFO::szTagPath), context.written);
    default:  // kOpEnd and unknown codes
      return std::make_unique<CompleteOperation>();
  }
}

std::unique_ptr<BasicOperation> MakeOperation(std::int32_t code, const OperationContext& context) {
  OperationMaker maker;
  {
    std::lock_guard<std::mutex> guard(g_makerLock);
    maker = g_maker;
  }
  return maker ? maker(code, context) : MakeFromCatalogue(code, context);
}

void SetOperationMaker(OperationMaker maker) {
  std::lock_guard<std::mutex> guard(g_makerLock);
  g_maker = std::move(maker);
}
