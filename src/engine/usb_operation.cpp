#include "engine/usb_operation.h"

#include "app/trace_log.h"
#include "disk/usb_manager.h"
#include "disk/volume_utils.h"

USBOperation::USBOperation(platform::WindowHandle hWnd, const std::wstring& usbPath, const std::wstring& volumeLabel,
                           int wholeDisk)
    : BasicOperation(hWnd), m_USBPath(usbPath), m_VolumeLabel(volumeLabel), m_WholeDisk(wholeDisk) {
  TraceLog(L"USBOperation::create");
}

USBOperation::~USBOperation() {
  CUSBManager::Release();
  TraceLog(L"USBOperation::Release");
}

std::int32_t USBOperation::Excute() {
  TraceLog(L"USBOperation::Excute - FORMATUSB");
  m_State = FORMATUSB;
  PostState(10);
  TraceLog(L"[CUSBManager::Excute : m_USBPath:] " + m_USBPath);

  CUSBManager* manager = CUSBManager::Instance();
  if (!manager->FormatActiveUSB(m_USBPath, &m_bStop, m_WholeDisk)) {
    TraceLog(L"[CUSBManager::Instance()->FormatActiveUSB] is fail");
    return 0;
  }

  TraceLog(L"USBOperation::Excute - SetVolumeLabelName");
  PostState(70);
  // Formatting may have moved the volume to another letter: the label goes on the new one. A
  // drive that can't be labelled still counts as prepared.
  m_TargetRoot = manager->m_USBLetter.substr(0, 1) + L":\\";
  const std::wstring label = MakeVolumeLabel(m_VolumeLabel);
  if (platform::Status labelled = SetVolumeLabelText(manager->m_USBLetter, label); !labelled)
    TraceLog(L"USBOperation::Excute - SetVolumeLabelW " + m_TargetRoot + L" \"" + label + L"\" failed" +
             labelled.Suffix());
  if (m_TargetRoot != m_USBPath.substr(0, 3))
    TraceLog(L"USBOperation::Excute - the drive moved from " + m_USBPath + L" to " + m_TargetRoot);

  TraceLog(L"USBOperation::Excute - FORMATUSBOK");
  m_State = FORMATUSBOK;
  PostState(100);
  return 1;
}
