#pragma once
// The GUI driver's steps for a whole disc-to-ISO job (see gui_job_steps.cpp).
#include <string>
#include <vector>

namespace gui {

// Runs the step with its arguments; false when `step` is not one of these:
//   disc <label> <MB>     the licence dialog's Next; step 1 lists "E:\ ( <label> ) " and
//                         measures <MB>
//   folder-page           Next to step 2, the folder page
//   usb-page              Next to step 2 of the USB mode, the stick page
//   browse-open <folder>  Browser, and <folder> selected in the system folder browser
//   browse-ok <folder>    its OK; the folder is taken
//   start                 Next: step 3, the job starts
//   progress              waits until the job is under way (the ISO being written)
//   finished [question]   waits for the "Finished" question (by default the one of success)
//   yes                   answers it Yes
//   cancel                step 3's Next, "&Cancel"
//   no                    answers the question No: the mode window comes back
//   box <caption> <text>  waits for a message box whose text starts with <text>
//   box-ok <caption>      answers it OK
//   failed                the job has failed: Next reads "&Exit"
//   exit                  presses it
bool RunJobStep(const std::wstring& step, const std::vector<std::wstring>& args);

}  // namespace gui
