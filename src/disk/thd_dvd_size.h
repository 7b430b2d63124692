#pragma once
// ThdDvdSize: the thread that measures the disc while the wizard's window stays responsive.
// Made once, suspended, with the window; each Resume runs one measurement of the root it is
// given and publishes its result; the destructor ends the thread after the measurement that
// is running, if any.
//
// Between the threads: the window hands the root over in Resume (under the thread's lock) and
// reads the result through Finished, which sees a measurement's size only once its end has been
// published (the size is stored before the number of the finished measurement, both atomic).
// A measurement asked for while another runs supersedes it: only the newest request counts as
// finished, so a result for a drive the user has left is never shown.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class ThdDvdSize {
 public:
  using Measure = std::function<std::int32_t(const std::wstring& root)>;

  explicit ThdDvdSize(Measure measure);
  ~ThdDvdSize();
  ThdDvdSize(const ThdDvdSize&) = delete;
  ThdDvdSize& operator=(const ThdDvdSize&) = delete;

  // Starts the measurement of `root` and returns its number (never 0).
  std::uint32_t Resume(const std::wstring& root);
  // True once measurement `number` has ended; `sizeMB` then holds its result.
  bool Finished(std::uint32_t number, std::int32_t& sizeMB) const;

 private:
  void Execute();

  Measure measure_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool terminated_ = false;     // under lock_
  std::uint32_t requested_ = 0;  // under lock_: the newest measurement asked for
  std::wstring root_;            // under lock_: its root
  std::atomic<std::int32_t> sizeMB_{0};
  std::atomic<std::uint32_t> finished_{0};
  std::thread thread_;
};
