// Traditional Chinese texts (UTF-8 source; the compiler writes them as wide strings).
#include "lang_texts.h"

namespace qvlang {

const KeyText kTraditionalChineseTexts[] = {
    {L"Description",
     L"Draventa 為只有 USB 3.0 連接埠的電腦製作 Windows 7 安裝媒體。它複製您的 Windows 7 光碟，並將 ASMedia 與 "
     L"Intel 的 USB 3.0 控制器及集線器驅動程式加入安裝映像，讓鍵盤、滑鼠與安裝隨身碟在安裝 Windows 7 的過程中正常運作。"},
    {L"CmboxLabelCaption", L"請選擇要製作的安裝媒體："},
    {L"ODDToUSB", L"從 Windows 7 光碟製作可開機 USB 隨身碟"},
    {L"ODDToISO", L"從 Windows 7 光碟製作 ISO 映像檔"},
    {L"USB NoteCaption1", L"請放入 Windows 7 光碟，並連接一個 4 GB 或更大的 USB 隨身碟。"},
    {L"USB NoteCaption2", L"警告：USB 隨身碟上的所有檔案都將被清除。"},
    {L"ISO NoteCaption", L"請放入 Windows 7 光碟。新的 ISO 檔案將儲存在您選擇的資料夾中，該資料夾所在的磁碟機需要比光碟內容更多的可用空間。"},
    {L"Sample Drivers Note", L"測試版本：內含範例驅動程式，不可用於實際安裝。"},
    {L"Add Drivers", L"新增驅動程式..."},
    {L"Extra Drivers Added", L"將新增 %2 中的 %1 個驅動程式套件。"},
    {L"Extra Drivers None", L"%2 中沒有可用的驅動程式套件；只新增內建驅動程式。"},
    {L"Extra Drivers Skipped", L"已略過：%1"},
    {L"Extra Drivers Caption", L"您的驅動程式"},
    {L"Extra Drivers Go On", L"以上是適合此光碟的驅動程式套件。按一下「確定」繼續，或按一下「取消」返回，不做任何變更。"},
    {L"All Images", L"同時將驅動程式新增到 Windows 本身(&W)"},
    {L"Image Wait Note", L"正在將驅動程式新增到 %1（第 %2 個，共 %3 個）..."},
    {L"Eula Note", L"請閱讀下方的授權合約。若要繼續，請勾選「I agree」接受合約條款，然後按一下「Next」。"},
    {L"USB Step1 Note", L"請放入 Windows 7 安裝光碟，並選擇光碟所在的光碟機。程式會先計算光碟大小，顯示大小後即可按一下「Next」。"},
    {L"USB Step1 Caption", L"選擇 Windows 7 光碟"},
    {L"USB Step1 Select Note", L"Windows 7 光碟所在的光碟機："},
    {L"USB Step2 Note", L"請選擇要製作的 USB 隨身碟。它的容量需要比光碟內容多 500 MB，上面的所有檔案都將被清除。"},
    {L"USB Step2 Caption", L"選擇 USB 隨身碟"},
    {L"USB Step2 Select Note", L"USB 隨身碟（其中的所有檔案都將被清除）："},
    {L"USB Step2 Verify Caption", L"寫入後逐一檢查檔案(&C)"},
    {L"USB Step2 Insert Note", L"找不到 USB 隨身碟。請連接隨身碟，然後按一下重新整理按鈕。"},
    {L"USB Step3 Caption", L"正在製作 USB 安裝隨身碟"},
    {L"ISO Step3 Caption", L"正在製作 ISO 檔案"},
    {L"ISO Step3 Note", L"正在製作安裝媒體，這可能需要一段時間，請稍候。請勿取出光碟或拔除 USB 隨身碟，也不要關閉電腦。"},
    {L"ISO Step2 Note", L"請按一下「Browser」選擇儲存新 ISO 檔案的資料夾。該資料夾所在的磁碟機需要比光碟內容多 500 MB 以上的可用空間。"},
    {L"ISO Step2 Caption", L"選擇輸出資料夾"},
    {L"Job Check Wait Note", L"正在檢查光碟和工作，請稍候..."},
    {L"USB Step3 Wait Note", L"正在格式化 USB 隨身碟，請稍候..."},
};
const std::size_t kTraditionalChineseTextCount = sizeof(kTraditionalChineseTexts) / sizeof(kTraditionalChineseTexts[0]);

}  // namespace qvlang
