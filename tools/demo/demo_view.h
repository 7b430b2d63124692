#pragma once
// The demo's view of the windows: prints what the scripted user meets, as the windows show it
// (each window and page with its title and note, the lists, what the user does, the progress
// as one line per status text, every message box with its answer, the end of each job).
#include <string>

#include "scripted_user.h"

class DemoView : public scripted::Observer {
 public:
  void OnPage(const std::wstring& page, const std::wstring& title, const std::wstring& note) override;
  void OnList(const std::wstring& list, const std::vector<std::wstring>& items, int selected) override;
  void OnAction(const std::wstring& action) override;
  void OnField(const std::wstring& field, const std::wstring& text) override;
  void OnState(const std::wstring& state, const std::wstring& percent) override;
  void OnMessageBox(const platform::host::ShownMessageBox& box) override;
  void OnFolderBrowser(const std::wstring& title, const std::wstring& answer) override;
  void OnEnd(const scripted::JobOutcome& outcome) override;

 private:
  // Ends the progress line being drawn, if any.
  void EndBar();
  std::wstring barState_;  // the status text of the progress line being drawn; empty: none
  std::string drawn_;
};
