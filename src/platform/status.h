#pragma once
// How every platform call reports failure: a Status names the Windows error code (or the
// HRESULT of a COM-style call), the call that failed ("CreateFileW") and the object it failed
// on (a path, a device), and renders them into one trace text. Result<T> is a value or the
// Status of the call that could not produce it. Neither throws.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace platform {

class [[nodiscard]] Status {
 public:
  // Success.
  Status() = default;
  static Status Ok() { return Status(); }
  // A failed Win32 call and its GetLastError code (a code of 0 becomes ERROR_GEN_FAILURE, so a
  // failure never reads as success).
  static Status Win32(std::uint32_t code, std::string call, std::wstring object = {});
  // A failed call that returned an HRESULT.
  static Status HResult(std::int32_t hr, std::string call, std::wstring object = {});
  // What a Result holds that was given no value and no failure (ERROR_GEN_FAILURE from "Result").
  static Status NoValue();

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }

  // The Windows error code, or the HRESULT's bits; 0 for success.
  std::uint32_t code() const { return code_; }
  bool isHResult() const { return hresult_; }
  const std::string& call() const { return call_; }
  const std::wstring& object() const { return object_; }
  // The same failure told about another object (a caller knows the path the callee did not).
  Status On(std::wstring object) const;

  // "error 5", or "error 0x80070005" for an HRESULT.
  std::wstring CodeText() const;
  // The table's text for the code ("access denied"), empty for a code it does not know.
  std::wstring Reason() const;
  // " (error 5)", for trace lines that name the call and the object in their own words.
  std::wstring Suffix() const;
  // "CreateFileW \\.\PhysicalDrive1 failed (error 5): access denied"; the call, the object and
  // the reason are left out when unknown. Empty for success.
  std::wstring Describe() const;

 private:
  std::uint32_t code_ = 0;
  bool failed_ = false;
  bool hresult_ = false;
  std::string call_;
  std::wstring object_;
};

// The text the table holds for a Windows error code, or for an HRESULT when `hresult` is set
// (an HRESULT_FROM_WIN32 value gives the Win32 code's text); empty when unknown.
std::wstring ErrorReason(std::uint32_t code, bool hresult = false);

// A value, or the Status of the failure that kept it from being made.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts implicitly
  // A failure; a success Status here is a programming error and is made a generic failure.
  Result(Status status) : status_(status.ok() ? Status::NoValue() : std::move(status)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }

  // The value; reading it from a failure is a programming error and ends the process.
  T& value() & { return Checked(), *value_; }
  const T& value() const& { return Checked(), *value_; }
  T&& value() && { return Checked(), std::move(*value_); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  // The value, or `fallback` after a failure.
  T value_or(T fallback) const& { return value_ ? *value_ : std::move(fallback); }

 private:
  void Checked() const {
    if (!value_) std::abort();
  }

  std::optional<T> value_;
  Status status_;
};

}  // namespace platform
