#include "demo_view.h"

#include <cstdio>

#include "sim/machine/machine.h"

using platform::host::ToUtf8;

namespace {

// Multi-line texts (notes, questions) indented under their first line.
std::string Indented(const std::wstring& text, const char* indent) {
  std::string out;
  for (char c : ToUtf8(text)) {
    if (c == '\r') continue;
    out += c;
    if (c == '\n') out += indent;
  }
  return out;
}

const char* AnswerName(const platform::host::ShownMessageBox& box) {
  if ((box.flags & 0xF) != platform::kMbYesNo) return "OK";
  return box.answer == platform::kIdYes ? "Yes" : "No";
}

}  // namespace

void DemoView::EndBar() {
  if (barState_.empty() && drawn_.empty()) return;
  std::printf("\n");
  barState_.clear();
  drawn_.clear();
}

void DemoView::OnPage(const std::wstring& page, const std::wstring& title, const std::wstring& note) {
  EndBar();
  std::printf("  [%s] %s\n", ToUtf8(page).c_str(), ToUtf8(title).c_str());
  if (!note.empty()) std::printf("      note: %s\n", Indented(note, "            ").c_str());
}

void DemoView::OnList(const std::wstring& list, const std::vector<std::wstring>& items, int selected) {
  EndBar();
  std::printf("      %s:\n", ToUtf8(list).c_str());
  if (items.empty()) std::printf("        (empty)\n");
  for (std::size_t i = 0; i < items.size(); ++i)
    std::printf("        %c %s\n", static_cast<int>(i) == selected ? '>' : ' ', ToUtf8(items[i]).c_str());
}

void DemoView::OnAction(const std::wstring& action) {
  EndBar();
  std::printf("    user %s\n", ToUtf8(action).c_str());
}

void DemoView::OnField(const std::wstring& field, const std::wstring& text) {
  EndBar();
  std::printf("      %s: %s\n", ToUtf8(field).c_str(), Indented(text, "        ").c_str());
}

// One line per status text; the bar and the percentage move in place while the text stays.
void DemoView::OnState(const std::wstring& state, const std::wstring& percent) {
  if (state != barState_) EndBar();
  barState_ = state.empty() ? L" " : state;
  int value = 0;
  try {
    value = percent.empty() ? 0 : std::stoi(percent);
  } catch (const std::exception&) {
    value = 0;
  }
  constexpr int kWidth = 30;
  int filled = value * kWidth / 100;
  if (filled > kWidth) filled = kWidth;
  if (filled < 0) filled = 0;
  std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
  std::string line = "[" + bar + "] " + ToUtf8(percent) + "%  " + ToUtf8(state);
  if (line == drawn_) return;
  drawn_ = line;
  std::printf("\r    %-100s", line.c_str());
  std::fflush(stdout);
}

void DemoView::OnMessageBox(const platform::host::ShownMessageBox& box) {
  EndBar();
  std::printf("    message box \"%s\": %s\n      -> %s\n", ToUtf8(box.caption).c_str(),
              Indented(box.text, "        ").c_str(), AnswerName(box));
}

void DemoView::OnFolderBrowser(const std::wstring& title, const std::wstring& answer) {
  EndBar();
  std::printf("    folder browser \"%s\" -> %s\n", ToUtf8(title).c_str(),
              answer.empty() ? "Cancel" : ToUtf8(answer).c_str());
}

void DemoView::OnEnd(const scripted::JobOutcome& outcome) {
  EndBar();
  std::printf("  at the end: lblState \"%s\", lblPercent %s, Next \"%s\"\n", ToUtf8(outcome.finalState).c_str(),
              ToUtf8(outcome.finalPercent).c_str(), ToUtf8(outcome.finalNext).c_str());
  const char* result = outcome.finishCode == scripted::kFinishSuccess     ? "success"
                       : outcome.finishCode == scripted::kFinishCancelled ? "cancelled"
                       : outcome.finishCode == scripted::kFinishFailure   ? "FAILED"
                       : outcome.refused                                  ? "refused before the job, no job ran"
                       : outcome.declined                                 ? "erase declined, no job ran"
                                                                          : "no job ran";
  std::printf("  result: %s (finish code %d)%s%s\n", result, outcome.finishCode,
              outcome.programEnded ? ", the program ended" : "",
              outcome.backAtModeWindow ? ", back at the mode window" : "");
  if (!outcome.ok) std::printf("  the scripted user stopped: %s\n", outcome.failure.c_str());
  std::fflush(stdout);
}
