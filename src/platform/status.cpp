#include "platform/status.h"

#include <cstdio>

#include "platform/types.h"

namespace platform {

namespace {

struct ErrorText {
  std::uint32_t code;
  const wchar_t* text;
};

// The Windows error codes the program meets, with a short text each (the trace is for the
// developer; the windows show their own texts).
constexpr ErrorText kWin32Texts[] = {
    {1, L"invalid function"},
    {2, L"file not found"},
    {3, L"path not found"},
    {5, L"access denied"},
    {6, L"invalid handle"},
    {8, L"not enough memory"},
    {15, L"no such drive"},
    {18, L"no more files"},
    {19, L"write protected"},
    {21, L"device not ready"},
    {23, L"data error (CRC)"},
    {29, L"write fault"},
    {30, L"read fault"},
    {31, L"device failure"},
    {32, L"file in use"},
    {33, L"region locked"},
    {80, L"file exists"},
    {87, L"invalid parameter"},
    {109, L"pipe ended"},
    {112, L"disk full"},
    {122, L"buffer too small"},
    {123, L"invalid name"},
    {126, L"module not found"},
    {127, L"procedure not found"},
    {145, L"folder not empty"},
    {154, L"label too long"},
    {183, L"already exists"},
    {206, L"name too long"},
    {223, L"file too large"},
    {232, L"pipe closing"},
    {267, L"not a folder"},
    {433, L"no such device"},
    {1005, L"unrecognized volume"},
    {1117, L"I/O device error"},
    {1235, L"request aborted"},
    {1392, L"file corrupt"},
    {1814, L"resource not found"},
};

constexpr std::uint32_t kFacilityWin32 = 0x80070000u;
constexpr std::uint32_t kGenFailure = kErrorGenFailure;
// E_FAIL, for an HRESULT failure that came with no code.
constexpr std::uint32_t kHResultFail = 0x80004005u;

thread_local std::uint32_t t_lastFailure = 0;

}  // namespace

std::wstring ErrorReason(std::uint32_t code, bool hresult) {
  if (hresult) {
    if ((code & 0xFFFF0000u) != kFacilityWin32) return {};
    code &= 0xFFFFu;
  }
  for (const ErrorText& entry : kWin32Texts)
    if (entry.code == code) return entry.text;
  return {};
}

Status Status::Win32(std::uint32_t code, std::string call, std::wstring object) {
  Status status;
  status.failed_ = true;
  status.code_ = code == 0 ? kGenFailure : code;
  status.call_ = std::move(call);
  status.object_ = std::move(object);
  t_lastFailure = status.code_;
  return status;
}

std::uint32_t LastErrorCode() { return t_lastFailure; }

Status Status::NoValue() {
  Status status;
  status.failed_ = true;
  status.code_ = kGenFailure;
  status.call_ = "Result";
  return status;
}

Status Status::HResult(std::int32_t hr, std::string call, std::wstring object) {
  Status status;
  status.failed_ = true;
  status.hresult_ = true;
  status.code_ = hr == 0 ? kHResultFail : static_cast<std::uint32_t>(hr);
  status.call_ = std::move(call);
  status.object_ = std::move(object);
  return status;
}

Status Status::On(std::wstring object) const {
  Status status = *this;
  status.object_ = std::move(object);
  return status;
}

std::wstring Status::CodeText() const {
  if (!hresult_) return L"error " + std::to_wstring(code_);
  wchar_t hex[16];
  std::swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code_));
  return std::wstring(L"error ") + hex;
}

std::wstring Status::Reason() const { return failed_ ? ErrorReason(code_, hresult_) : std::wstring(); }

std::wstring Status::Suffix() const { return failed_ ? L" (" + CodeText() + L")" : std::wstring(); }

std::wstring Status::Describe() const {
  if (!failed_) return {};
  std::wstring text(call_.begin(), call_.end());
  if (!object_.empty()) text += (text.empty() ? L"" : L" ") + object_;
  text += (text.empty() ? L"failed" : L" failed") + Suffix();
  const std::wstring reason = Reason();
  if (!reason.empty()) text += L": " + reason;
  return text;
}

}  // namespace platform
