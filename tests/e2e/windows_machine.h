#pragma once
// The whole program on the host, driven through its windows by the scripted user: a machine
// with a generated disc in E:, a USB stick F:, the output folder D:\ISO, the substitute tools
// and the program's files beside it, and the mode window started as the program starts it.
// What the windows showed is recorded for the checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scripted_user.h"
#include "support/temp_machine.h"
#include "ui/dlg_first.h"

namespace e2e {

// Everything the scripted user reports, in order.
class RecordingObserver : public scripted::Observer {
 public:
  struct Page {
    std::wstring page, title, note;
  };
  void OnPage(const std::wstring& page, const std::wstring& title, const std::wstring& note) override {
    pages.push_back({page, title, note});
  }
  void OnList(const std::wstring& list, const std::vector<std::wstring>& items, int) override {
    lists.emplace_back(list, items);
  }
  void OnField(const std::wstring& field, const std::wstring& text) override { fields.emplace_back(field, text); }

  // The last page of that name; an empty one when none came.
  Page LastPage(const std::wstring& name) const;
  // The entries of the list last shown under that name.
  std::vector<std::wstring> LastList(const std::wstring& name) const;

  std::vector<Page> pages;
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> lists;
  std::vector<std::pair<std::wstring, std::wstring>> fields;
};

class WindowsJobTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The disc, the stick's size and the disc's architecture; set before SetUp runs.
  virtual std::uint64_t StickBytes() const { return 8ull << 30; }
  // The Windows the machine is (a MachineBuilder::Windows name); "" keeps the default machine.
  virtual std::string WindowsProfile() const { return ""; }

  // The program's start: the mode window as the main form, shown.
  void StartProgram();
  // The program's end, once its main form has closed: the message loop returns, the windows go.
  void EndProgram();

  // Host path of the ISO file the ISO job makes.
  std::string IsoHost() const;
  // What is left of the scratch folders (the program data folder's and any numbered one).
  std::vector<std::string> ScratchLeftovers() const;
  // The images DISM still has mounted on the machine.
  std::size_t MountedImages() const;
  // The stick holds the file the user had on it before any job.
  bool StickUntouched() const;

  test::TempMachine machine_;
  std::wstring label_;
  std::unique_ptr<ui::TdlgFirst> program_;
};

// Scripts for the two jobs as a user does them: the ISO file into D:\ISO, the stick F:.
scripted::JobScript IsoJob(bool closeAtFinish);
scripted::JobScript UsbJob(bool closeAtFinish);

// The seed for the random moments: DRAVENTA_TEST_SEED when set, else one from the clock. It is
// printed so that a failing run can be repeated.
std::uint32_t TestSeed();

}  // namespace e2e
