#pragma once
// Test doubles for the job engine: operations that record what the runner does with them, and a
// main window that records what the worker reports.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/basic_operation.h"
#include "engine/job_window.h"
#include "engine/operation_catalog.h"
#include "platform/messages.h"

namespace test {

// How the recording operation of one code behaves when run.
struct StepScript {
  std::int32_t result = 1;
  bool waitForStop = false;  // Excute blocks until Stop() is called, then returns `result`
  std::vector<std::pair<std::int32_t, std::int32_t>> posts;  // (state, percent) posted while running
};

// Shared record of the operations' lives: "make 5", "run 5", "stop 5", "destroy 5", in order.
class OperationJournal {
 public:
  void Add(const std::string& event);
  std::vector<std::string> Events();
  // Waits until `event` has been recorded (false after `timeoutMs`).
  bool WaitFor(const std::string& event, int timeoutMs = 10000);
  void Script(std::int32_t code, StepScript script);
  StepScript ScriptOf(std::int32_t code);
  std::vector<OperationContext> Contexts();
  void AddContext(const OperationContext& context);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
  std::map<std::int32_t, StepScript> scripts_;
  std::vector<OperationContext> contexts_;
};

class RecordingOperation : public BasicOperation {
 public:
  RecordingOperation(OperationJournal& journal, std::int32_t code, platform::WindowHandle hWnd);
  ~RecordingOperation() override;
  std::int32_t Excute() override;
  bool IsStop() override;
  void Stop() override;

 private:
  OperationJournal& journal_;
  std::int32_t code_;
  StepScript script_;
  std::mutex lock_;
  std::condition_variable stopped_;
  bool stop_ = false;
};

// Makes every operation code a recording operation (the end marker stays the real one) for
// the life of the object.
class RecordingCatalogue {
 public:
  RecordingCatalogue();
  ~RecordingCatalogue();
  OperationJournal& Journal() { return journal_; }

 private:
  OperationJournal journal_;
};

// A main window on the calling thread that records the state messages and the report.
class RecordingWindow : public JobWindow, public platform::MessageHandler {
 public:
  RecordingWindow();
  ~RecordingWindow() override;

  platform::WindowHandle Handle() const override { return handle_; }
  void OnOperationState(std::int32_t state, std::int32_t percent) override;
  std::wstring StateText() const override { return stateText_; }
  void SetStateText(const std::wstring& text) override { stateText_ = text; }
  void ShowJobNote(const std::wstring& note) override { notes.push_back(note); }
  void OnJobFinished(std::int32_t result) override;
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // Pumps this thread's messages until the report arrived; false on timeout.
  bool PumpUntilFinished(std::uint32_t timeoutMs = 20000);

  // "state S P" for each state message and "finished C" for the report, in arrival order.
  std::vector<std::string> events;
  std::vector<std::int32_t> finishCodes;
  std::vector<std::wstring> notes;

 private:
  platform::WindowHandle handle_;
  std::wstring stateText_;
};

// The trace log's lines without their time stamps.
std::vector<std::string> TraceLines();

}  // namespace test
