// USBOperation: the state messages, the label on the drive's new letter, and a fresh inventory
// for the next job.
#include <gtest/gtest.h>

#include <utility>

#include "engine/usb_operation.h"
#include "platform/messages.h"
#include "platform/volumes.h"
#include "disk/usb_test_support.h"

namespace {

class RecordingWindow : public platform::MessageHandler {
 public:
  RecordingWindow() : handle_(platform::CreateMessageWindow(this)) {}
  ~RecordingWindow() override { platform::DestroyMessageWindow(handle_); }
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (message == WM_OPERATION_STATE) states.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
  }
  platform::WindowHandle Handle() const { return handle_; }
  std::vector<std::pair<int, int>> states;

 private:
  platform::WindowHandle handle_;
};

class UsbOperationTest : public usbtest::UsbMachineTest {
 protected:
  std::wstring LabelOf(wchar_t letter) {
    platform::Result<platform::VolumeInformation> info = platform::QueryVolumeInformation(std::wstring(1, letter) + L":\\");
    if (!info) return L"<none>";
    return info->label;
  }
};

TEST_F(UsbOperationTest, ReportsTenSeventyHundredAndLabelsTheVolumeOnItsNewLetter) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("diskpart.formatNewLetter", "G");
  Apply();
  RecordingWindow window;
  {
    USBOperation operation(window.Handle(), L"F:\\", L"GRMCULFRER_EN_DVD");
    EXPECT_EQ(operation.Excute(), 1);
    EXPECT_FALSE(operation.IsStop());
  }
  platform::PumpPendingMessages();
  EXPECT_EQ(window.states, (std::vector<std::pair<int, int>>{{0, 10}, {0, 70}, {1, 100}}));
  EXPECT_EQ(LabelOf(L'G'), L"GRMCULFRE~1");

  std::string trace = usbtest::TraceText();
  std::size_t at = 0;
  for (const char* line : {"USBOperation::create", "USBOperation::Excute - FORMATUSB",
                           "[CUSBManager::Excute : m_USBPath:] F:\\", "USBOperation::Excute - SetVolumeLabelName",
                           "USBOperation::Excute - FORMATUSBOK", "USBOperation::Release"}) {
    at = trace.find(line, at);
    ASSERT_NE(at, std::string::npos) << line;
  }
}

TEST_F(UsbOperationTest, ALabelThatCannotBeSetIsTracedAndTheDriveStillCountsAsPrepared) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Builder().Fault("volumes.label.F", "5");
  Apply();
  RecordingWindow window;
  USBOperation operation(window.Handle(), L"F:\\", L"GRMCULFRER_EN_DVD");
  EXPECT_EQ(operation.Excute(), 1);
  EXPECT_NE(usbtest::TraceText().find("USBOperation::Excute - SetVolumeLabelW F:\\ \"GRMCULFRE~1\" failed (error 5)"),
            std::string::npos)
      << usbtest::TraceText();
}

TEST_F(UsbOperationTest, ASourceWithoutLabelGivesNoname) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  Apply();
  USBOperation operation(0, L"F:\\", L"");
  EXPECT_EQ(operation.Excute(), 1);
  EXPECT_EQ(LabelOf(L'F'), L"NONAME");
}

TEST_F(UsbOperationTest, AFailedFormatReportsOnlyTheStartAndFails) {
  REQUIRE_TOOLS();
  machine_.Builder().Fixed('D', 1);
  Apply();
  RecordingWindow window;
  {
    USBOperation operation(window.Handle(), L"D:\\", L"DISC");
    EXPECT_EQ(operation.Excute(), 0);
  }
  platform::PumpPendingMessages();
  EXPECT_EQ(window.states, (std::vector<std::pair<int, int>>{{0, 10}}));
  EXPECT_NE(usbtest::TraceText().find("[CUSBManager::Instance()->FormatActiveUSB] is fail"), std::string::npos);
}

TEST_F(UsbOperationTest, TheNextJobSeesTheDisksAfresh) {
  REQUIRE_TOOLS();
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  Apply();
  {
    USBOperation operation(0, L"F:\\", L"A");
    ASSERT_EQ(operation.Excute(), 1);
  }
  EXPECT_TRUE(CUSBManager::Instance()->m_USBLetter.empty()) << "the manager was not released";

  // A stick plugged in between two jobs is found by the second.
  machine_.Builder().UsbStick('K', 4, 8ull << 30);
  Apply();
  USBOperation second(0, L"K:\\", L"B");
  EXPECT_EQ(second.Excute(), 1);
  EXPECT_EQ(usbtest::ReadDiskpartLog(machine_).DisksOf("format"), (std::vector<int>{2, 4}));
}

}  // namespace
