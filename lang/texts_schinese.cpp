// Simplified Chinese texts (UTF-8 source; the compiler writes them as wide strings).
#include "lang_texts.h"

namespace qvlang {

const KeyText kSimplifiedChineseTexts[] = {
    {L"Description",
     L"Draventa 为只有 USB 3.0 接口的电脑制作 Windows 7 安装介质。它复制您的 Windows 7 光盘，并把 ASMedia 和 "
     L"Intel 的 USB 3.0 控制器及集线器驱动程序加入安装映像，使键盘、鼠标和安装盘在安装 Windows 7 的过程中正常工作。"},
    {L"CmboxLabelCaption", L"请选择要制作的安装介质："},
    {L"ODDToUSB", L"从 Windows 7 光盘制作可启动 U 盘"},
    {L"ODDToISO", L"从 Windows 7 光盘制作 ISO 映像文件"},
    {L"USB NoteCaption1", L"请放入 Windows 7 光盘，并连接一个 4 GB 或更大的 U 盘。"},
    {L"USB NoteCaption2", L"警告：U 盘上的所有文件都将被清除。"},
    {L"ISO NoteCaption", L"请放入 Windows 7 光盘。新的 ISO 文件将保存在您选择的文件夹中，该文件夹所在的驱动器需要比光盘内容更多的可用空间。"},
    {L"Sample Drivers Note", L"测试版本：内含示例驱动程序，不可用于实际安装。"},
    {L"Add Drivers", L"添加驱动程序..."},
    {L"Extra Drivers Added", L"将添加 %2 中的 %1 个驱动程序包。"},
    {L"Extra Drivers None", L"%2 中没有可用的驱动程序包；只添加内置驱动程序。"},
    {L"Extra Drivers Skipped", L"已跳过：%1"},
    {L"Extra Drivers Caption", L"您的驱动程序"},
    {L"Extra Drivers Go On", L"以上是适合此光盘的驱动程序包。单击“确定”继续，或单击“取消”返回，不做任何更改。"},
    {L"All Images", L"同时将驱动程序添加到 Windows 本身(&W)"},
    {L"Image Wait Note", L"正在将驱动程序添加到 %1（第 %2 个，共 %3 个）..."},
    {L"Eula Note", L"请阅读下面的许可协议。要继续，请勾选“I agree”接受协议条款，然后单击“Next”。"},
    {L"USB Step1 Note", L"请放入 Windows 7 安装光盘，并选择光盘所在的驱动器。程序会先计算光盘大小，显示大小后即可单击“Next”。"},
    {L"USB Step1 Caption", L"选择 Windows 7 光盘"},
    {L"USB Step1 Select Note", L"Windows 7 光盘所在的驱动器："},
    {L"USB Step2 Note", L"请选择要制作的 U 盘。它的容量需要比光盘内容多 500 MB，上面的所有文件都将被清除。"},
    {L"USB Step2 Caption", L"选择 U 盘"},
    {L"USB Step2 Select Note", L"U 盘（其中的所有文件都将被清除）："},
    {L"USB Step2 Verify Caption", L"写入后逐一校验文件(&C)"},
    {L"USB Step2 Insert Note", L"未找到 U 盘。请连接 U 盘，然后单击刷新按钮。"},
    {L"USB Step3 Caption", L"正在制作 USB 安装盘"},
    {L"ISO Step3 Caption", L"正在制作 ISO 文件"},
    {L"ISO Step3 Note", L"正在制作安装介质，这可能需要一段时间，请稍候。请勿取出光盘或拔下 U 盘，也不要关闭电脑。"},
    {L"ISO Step2 Note", L"请单击“Browser”选择保存新 ISO 文件的文件夹。该文件夹所在的驱动器需要比光盘内容多 500 MB 以上的可用空间。"},
    {L"ISO Step2 Caption", L"选择输出文件夹"},
    {L"Job Check Wait Note", L"正在检查光盘和任务，请稍候..."},
    {L"USB Step3 Wait Note", L"正在格式化 U 盘，请稍候..."},
};
const std::size_t kSimplifiedChineseTextCount = sizeof(kSimplifiedChineseTexts) / sizeof(kSimplifiedChineseTexts[0]);

}  // namespace qvlang
