// English texts. Buttons and the agreement box keep their English captions in every language
// ("Next", "Back", "Browser", "I agree"), so the notes name them as they stand.
#include "lang_texts.h"

namespace qvlang {

const KeyText kEnglishTexts[] = {
    {L"Description",
     L"Draventa prepares Windows 7 setup media for computers that have only USB 3.0 ports. It copies your "
     L"Windows 7 disc and adds the ASMedia and Intel USB 3.0 controller and hub drivers to its setup image, so "
     L"that the keyboard, the mouse and the setup drive keep working while Windows 7 installs."},
    {L"CmboxLabelCaption", L"Choose the setup media to create:"},
    {L"ODDToUSB", L"Windows 7 disc to a bootable USB drive"},
    {L"ODDToISO", L"Windows 7 disc to an ISO image file"},
    {L"USB NoteCaption1", L"Insert the Windows 7 disc and connect a USB drive of 4 GB or more."},
    {L"USB NoteCaption2", L"Warning: every file on the USB drive will be erased."},
    {L"ISO NoteCaption",
     L"Insert the Windows 7 disc. The new ISO file is saved in a folder you choose; its drive needs more free "
     L"space than the disc holds."},
    {L"Sample Drivers Note", L"Test build with sample drivers: not for real installations."},
    {L"Add Drivers", L"Add drivers..."},
    {L"Extra Drivers Added", L"%1 driver packages from %2 will be added."},
    {L"Extra Drivers None", L"%2 holds no usable driver package; only the built-in drivers will be added."},
    {L"Extra Drivers Skipped", L"Skipped: %1"},
    {L"Extra Drivers Caption", L"Your drivers"},
    {L"Extra Drivers Go On",
     L"These are the packages that fit this disc. Click OK to go on, or Cancel to go back without changing "
     L"anything."},
    {L"All Images", L"Also add the drivers to &Windows itself"},
    {L"Image Wait Note", L"Adding the drivers to %1 (%2 of %3)..."},
    {L"Eula Note",
     L"Please read the licence agreement below. To continue, tick \"I agree\" to accept its terms and click "
     L"Next."},
    {L"USB Step1 Note",
     L"Insert the Windows 7 installation disc and choose the drive that holds it. The disc is measured first; "
     L"Next is available once its size is shown."},
    {L"USB Step1 Caption", L"Choose the Windows 7 disc"},
    {L"USB Step1 Select Note", L"Drive with the Windows 7 disc:"},
    {L"USB Step2 Note",
     L"Choose the USB drive to prepare. It must hold 500 MB more than the disc, and everything on it will be "
     L"erased."},
    {L"USB Step2 Caption", L"Choose the USB drive"},
    {L"USB Step2 Select Note", L"USB drive (all files on it will be erased):"},
    {L"USB Step2 Verify Caption", L"&Check every file after writing"},
    {L"USB Step2 Insert Note", L"No USB drive found. Connect one and click the refresh button."},
    {L"USB Step3 Caption", L"Creating the USB setup drive"},
    {L"ISO Step3 Caption", L"Creating the ISO file"},
    {L"ISO Step3 Note",
     L"Please wait while the setup media is prepared; this can take a while. Leave the disc (and a USB drive "
     L"being prepared) in place and do not turn off the computer."},
    {L"ISO Step2 Note",
     L"Click Browser to choose the folder for the new ISO file. Its drive needs more free space than the disc "
     L"holds, plus 500 MB."},
    {L"ISO Step2 Caption", L"Choose the output folder"},
    {L"Job Check Wait Note", L"Checking the disc and the job. Please wait..."},
    {L"USB Step3 Wait Note", L"Formatting the USB drive. Please wait..."},
};
const std::size_t kEnglishTextCount = sizeof(kEnglishTexts) / sizeof(kEnglishTexts[0]);

}  // namespace qvlang
