#pragma once
// Win32, internal: the one owner of every Windows handle the platform layer opens. A
// ScopedHandle holds one value and gives it back to the system when it goes out of scope; its
// Traits say which values are empty and how a value is given back. Owners move, never copy.
//
// Giving a handle back keeps the thread's last error: code that fails, sets the error and
// returns lets its owners close on the way out without hiding the reason from the caller.
//
// A Traits type provides:
//   using Handle = ...;                   the value held
//   static Handle Empty();                the value of an empty owner
//   static bool IsValid(Handle);          false for every value that must not be given back
//   void Close(Handle) const;             gives the value back (may be static)
// Traits may carry state the close needs (the window of a DC, the DC of a selection); an owner
// keeps its traits with its value and hands both on when it moves.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace platform::win32 {

template <class Traits>
class ScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle, Traits traits = Traits()) : handle_(handle), traits_(std::move(traits)) {}
  ~ScopedHandle() { Close(); }

  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()), traits_(std::move(other.traits_)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.release();
      traits_ = std::move(other.traits_);
    }
    return *this;
  }

  Handle get() const { return handle_; }
  bool is_valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return is_valid(); }

  // Gives up ownership without closing: the caller owns the value now.
  Handle release() {
    Handle handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }

  // Closes the value held (unless it is `handle` itself) and takes `handle`. The traits stay: a
  // DC or a selection takes only a value of the same window or DC.
  void reset(Handle handle = Traits::Empty()) {
    if (handle == handle_) return;
    Close();
    handle_ = handle;
  }

 private:
  void Close() {
    if (!Traits::IsValid(handle_)) return;
    const DWORD error = GetLastError();
    traits_.Close(handle_);
    SetLastError(error);
    handle_ = Traits::Empty();
  }

  Handle handle_ = Traits::Empty();
  Traits traits_{};
};

// A kernel object (file, process, thread, event, mutex, pipe end): CloseHandle. Both null and
// INVALID_HANDLE_VALUE mean no handle, since the opening calls report failure with either.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};

// A search of FindFirstFileW: FindClose.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { FindClose(handle); }
};

// A loaded module: FreeLibrary.
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { FreeLibrary(handle); }
};

// Memory a call allocated with LocalAlloc for its caller: LocalFree.
template <class Pointer = void*>
struct LocalMemoryTraits {
  using Handle = Pointer;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle memory) { return memory != nullptr; }
  static void Close(Handle memory) { LocalFree(const_cast<void*>(static_cast<const void*>(memory))); }
};

// Memory a shell or COM call allocated for its caller: CoTaskMemFree.
template <class Pointer = void*>
struct CoTaskMemoryTraits {
  using Handle = Pointer;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle memory) { return memory != nullptr; }
  static void Close(Handle memory) { CoTaskMemFree(const_cast<void*>(static_cast<const void*>(memory))); }
};

// The DC of a window (or of the screen, for no window) from GetDC: ReleaseDC with that window.
struct WindowDcTraits {
  using Handle = HDC;
  HWND window = nullptr;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle dc) { return dc != nullptr; }
  void Close(Handle dc) const { ReleaseDC(window, dc); }
};

// A DC of our own from CreateCompatibleDC: DeleteDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle dc) { return dc != nullptr; }
  static void Close(Handle dc) { DeleteDC(dc); }
};

// A GDI object we made (bitmap, brush, font): DeleteObject.
template <class Object = HGDIOBJ>
struct GdiObjectTraits {
  using Handle = Object;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle object) { return object != nullptr; }
  static void Close(Handle object) { DeleteObject(object); }
};

// The object a SelectObject replaced in a DC: selected again, so the DC is left as found.
struct SelectionTraits {
  using Handle = HGDIOBJ;
  HDC dc = nullptr;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle previous) { return previous != nullptr && previous != HGDI_ERROR; }
  void Close(Handle previous) const { SelectObject(dc, previous); }
};

using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;
using ScopedModule = ScopedHandle<ModuleTraits>;
template <class Pointer = void*>
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits<Pointer>>;
template <class Pointer = void*>
using ScopedCoTaskMemory = ScopedHandle<CoTaskMemoryTraits<Pointer>>;
using ScopedWindowDc = ScopedHandle<WindowDcTraits>;
using ScopedMemoryDc = ScopedHandle<MemoryDcTraits>;
template <class Object = HGDIOBJ>
using ScopedGdiObject = ScopedHandle<GdiObjectTraits<Object>>;
using ScopedSelection = ScopedHandle<SelectionTraits>;

// GetDC(window), released with the owner.
inline ScopedWindowDc GetWindowDc(HWND window) { return ScopedWindowDc(GetDC(window), WindowDcTraits{window}); }

// Selects `object` into `dc` until the owner goes, which selects the replaced object again.
inline ScopedSelection SelectInto(HDC dc, HGDIOBJ object) {
  return ScopedSelection(SelectObject(dc, object), SelectionTraits{dc});
}

}  // namespace platform::win32
