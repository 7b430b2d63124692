// The disc-size thread, the capacity written in a USB list entry and the disc measurement.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "disk/optical_drives.h"
#include "disk/thd_dvd_size.h"
#include "support/temp_machine.h"

namespace {

TEST(ParseCapacity, ReadsTheNumberBetweenCapacityAndMbOnly) {
  EXPECT_EQ(ParseCapacity(L"F:\\ ( Capacity: 7630 MB )"), 7630);
  EXPECT_EQ(ParseCapacity(UsbDriveItemText(L"G:\\", 123456789012)), 123456789012);
  EXPECT_EQ(ParseCapacity(L"F:\\"), 0) << "a drive that is not ready";
  EXPECT_EQ(UsbDriveItemText(L"F:\\", 0), L"F:\\");
  EXPECT_EQ(ParseCapacity(L"Capacity:MB )"), 0);
  EXPECT_EQ(ParseCapacity(L"Capacity:  MB )"), 0);
  EXPECT_EQ(ParseCapacity(L"Capacity: 12x MB )"), 0);
  EXPECT_EQ(ParseCapacity(L"MB ) Capacity: 5"), 0) << "the end before the start";
  EXPECT_EQ(ParseCapacity(L"Capacity: 99999999999999999999999 MB )"), 0) << "no overflow";
  EXPECT_EQ(ParseCapacity(L"No USB drive found. Connect one and click the refresh button."), 0);
  EXPECT_EQ(OpticalDriveItemText(L"E:\\", L"MYDISC"), L"E:\\ ( MYDISC ) ");
  EXPECT_EQ(OpticalDriveItemText(L"E:\\", L""), L"E:\\");
}

TEST(MeasureDiscSize, SumsTheFilesInWholeMiBAndGivesZeroWithoutADisc) {
  test::TempMachine machine;
  const std::string root = machine.Builder().Optical('E', L"DISC");
  machine.Builder().Optical('F', L"", false);
  machine.Apply();
  std::filesystem::create_directories(root + "/sources");
  test::WriteHostFile(root + "/a.bin", "");
  test::WriteHostFile(root + "/sources/b.bin", "");
  std::filesystem::resize_file(root + "/a.bin", 1048575);
  std::filesystem::resize_file(root + "/sources/b.bin", 2 * 1048576);
  EXPECT_EQ(MeasureDiscSizeMB(L"E:\\"), 2) << "3 MiB less one byte, truncated";
  EXPECT_EQ(MeasureDiscSizeMB(L"F:\\"), 0);
  EXPECT_EQ(MeasureDiscSizeMB(L""), 0);
}

// A measurement that waits for the test before it returns.
struct GatedMeasure {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::wstring> roots;  // every measurement started, in order
  int released = 0;

  std::int32_t operator()(const std::wstring& root) {
    std::unique_lock<std::mutex> guard(lock);
    roots.push_back(root);
    const std::size_t mine = roots.size();
    changed.notify_all();
    changed.wait(guard, [&] { return released >= static_cast<int>(mine); });
    return static_cast<std::int32_t>(root[0]);
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock);
    ++released;
    changed.notify_all();
  }
  bool WaitStarted(std::size_t count) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, std::chrono::seconds(10), [&] { return roots.size() >= count; });
  }
};

bool WaitFinished(const ThdDvdSize& thread, std::uint32_t number, std::int32_t& size) {
  for (int i = 0; i < 2000; ++i) {
    if (thread.Finished(number, size)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(ThdDvdSize, EachResumeMeasuresOnceAndANewerRequestSupersedesAnOlderOne) {
  GatedMeasure gate;
  std::int32_t size = 0;
  std::thread release;
  {
    ThdDvdSize thread([&gate](const std::wstring& root) { return gate(root); });
    const std::uint32_t first = thread.Resume(L"D:\\");
    ASSERT_TRUE(gate.WaitStarted(1));
    EXPECT_FALSE(thread.Finished(first, size)) << "still measuring";
    gate.Release();
    ASSERT_TRUE(WaitFinished(thread, first, size));
    EXPECT_EQ(size, 'D');

    // The user picks E while D is measured again, then F: E's and D's results never show.
    const std::uint32_t again = thread.Resume(L"D:\\");
    ASSERT_TRUE(gate.WaitStarted(2));
    const std::uint32_t e = thread.Resume(L"E:\\");
    const std::uint32_t f = thread.Resume(L"F:\\");
    gate.Release();  // D ends, superseded
    ASSERT_TRUE(gate.WaitStarted(3));
    EXPECT_FALSE(thread.Finished(again, size));
    EXPECT_FALSE(thread.Finished(e, size));
    gate.Release();
    ASSERT_TRUE(WaitFinished(thread, f, size));
    EXPECT_EQ(size, 'F');
    EXPECT_EQ(gate.roots, (std::vector<std::wstring>{L"D:\\", L"D:\\", L"F:\\"})) << "E was never measured";

    // Destroyed during a measurement: it ends after that one.
    thread.Resume(L"G:\\");
    ASSERT_TRUE(gate.WaitStarted(4));
    release = std::thread([&gate] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      gate.Release();
    });
  }
  release.join();
  EXPECT_EQ(gate.roots.size(), 4u);
}

}  // namespace
