#include "support/recording.h"

#include <chrono>
#include <memory>

#include "app/trace_log.h"
#include "engine/completion_operations.h"
#include "app/operation_state.h"
#include "sim/machine/machine.h"
#include "support/temp_machine.h"

namespace test {

void OperationJournal::Add(const std::string& event) {
  std::lock_guard<std::mutex> guard(lock_);
  events_.push_back(event);
  changed_.notify_all();
}

std::vector<std::string> OperationJournal::Events() {
  std::lock_guard<std::mutex> guard(lock_);
  return events_;
}

bool OperationJournal::WaitFor(const std::string& event, int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
    for (const auto& e : events_)
      if (e == event) return true;
    return false;
  });
}

void OperationJournal::Script(std::int32_t code, StepScript script) {
  std::lock_guard<std::mutex> guard(lock_);
  scripts_[code] = std::move(script);
}

StepScript OperationJournal::ScriptOf(std::int32_t code) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = scripts_.find(code);
  return it == scripts_.end() ? StepScript{} : it->second;
}

std::vector<OperationContext> OperationJournal::Contexts() {
  std::lock_guard<std::mutex> guard(lock_);
  return contexts_;
}

void OperationJournal::AddContext(const OperationContext& context) {
  std::lock_guard<std::mutex> guard(lock_);
  contexts_.push_back(context);
}

RecordingOperation::RecordingOperation(OperationJournal& journal, std::int32_t code, platform::WindowHandle hWnd)
    : BasicOperation(hWnd, code), journal_(journal), code_(code), script_(journal.ScriptOf(code)) {
  TraceLog(L"Recording create " + std::to_wstring(code));
  journal_.Add("make " + std::to_string(code));
}

RecordingOperation::~RecordingOperation() { journal_.Add("destroy " + std::to_string(code_)); }

std::int32_t RecordingOperation::Excute() {
  journal_.Add("run " + std::to_string(code_));
  for (auto [state, percent] : script_.posts) {
    m_State = state;
    PostState(percent);
  }
  if (script_.waitForStop) {
    std::unique_lock<std::mutex> guard(lock_);
    stopped_.wait(guard, [this] { return stop_; });
  }
  return script_.result;
}

bool RecordingOperation::IsStop() {
  std::lock_guard<std::mutex> guard(lock_);
  return stop_;
}

void RecordingOperation::Stop() {
  journal_.Add("stop " + std::to_string(code_));
  std::lock_guard<std::mutex> guard(lock_);
  stop_ = true;
  stopped_.notify_all();
}

RecordingCatalogue::RecordingCatalogue() {
  SetOperationMaker([this](std::int32_t code, const OperationContext& context) -> std::unique_ptr<BasicOperation> {
    journal_.AddContext(context);
    if (code == -1) {
      journal_.Add("make end");
      return std::make_unique<CompleteOperation>();
    }
    return std::make_unique<RecordingOperation>(journal_, code, context.hWnd);
  });
}

RecordingCatalogue::~RecordingCatalogue() { SetOperationMaker(nullptr); }

RecordingWindow::RecordingWindow() : handle_(platform::CreateMessageWindow(this)) {}

RecordingWindow::~RecordingWindow() { platform::DestroyMessageWindow(handle_); }

void RecordingWindow::OnOperationState(std::int32_t state, std::int32_t percent) {
  events.push_back("state " + std::to_string(state) + " " + std::to_string(percent));
  stateText_ = L"state " + std::to_wstring(state);
}

void RecordingWindow::OnJobFinished(std::int32_t result) {
  events.push_back("finished " + std::to_string(result));
  finishCodes.push_back(result);
}

void RecordingWindow::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  DispatchOperationState(*this, message, wParam, lParam);
}

bool RecordingWindow::PumpUntilFinished(std::uint32_t timeoutMs) {
  return platform::PumpMessagesUntil([this] { return !finishCodes.empty(); }, timeoutMs);
}

std::vector<std::string> TraceLines() {
  std::string log = ReadHostFile(platform::host::Machine::HostPath(app::TraceLogPath()));
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < log.size()) {
    std::size_t end = log.find("\r\n", pos);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(pos, end - pos);
    lines.push_back(line.size() >= 13 ? line.substr(13) : line);
    pos = end + 2;
  }
  return lines;
}

}  // namespace test
