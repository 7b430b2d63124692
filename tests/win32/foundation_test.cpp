// The Win32 platform layer under Wine: the trace file, message order through the real message
// loop, the single-instance rule between two real processes, the file services, and the owner
// of Windows handles.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ui/program.h"
#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/file_reader.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "platform/messages.h"
#include "platform/win32/scoped_handle.h"

namespace {

std::string ReadAll(const std::wstring& path) {
  platform::Result<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return {};
  return std::string(bytes->begin(), bytes->end());
}

TEST(Win32Foundation, TraceFileLandsInProgramDataWithLatin1BytesAndCrLf) {
  const std::wstring path = L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log";
  DeleteFileW(path.c_str());
  TraceLog(L"caf\u00e9 \u4e2d 100%s%d");
  TraceLog(L"second");
  EXPECT_EQ(app::TraceLogPath(), path);
  std::string log = ReadAll(path);
  ASSERT_EQ(log.size(), 2 * 13 + std::string("caf\xe9 ? 100%s%d\r\nsecond\r\n").size()) << log;
  EXPECT_EQ(log.substr(2, 1), ":");
  EXPECT_EQ(log.substr(13, 16), "caf\xe9 ? 100%s%d\r\n");
  EXPECT_EQ(log.substr(log.size() - 8), "second\r\n");

  // Deleted while the program runs: the next line creates it again.
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  TraceLog(L"again");
  EXPECT_EQ(ReadAll(path).substr(13), "again\r\n");
}

class OrderRecorder : public platform::MessageHandler {
 public:
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    if (message == WM_USER + 80) order.push_back(static_cast<int>(wParam));
  }
  std::vector<int> order;
};

TEST(Win32Foundation, PostedMessagesAndALaterSynchronousCallArriveInOrder) {
  OrderRecorder recorder;
  platform::WindowHandle window = platform::CreateMessageWindow(&recorder);
  ASSERT_NE(window, 0u);
  std::atomic<bool> returned{false};
  bool callRan = false;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) platform::PostWindowMessage(window, WM_USER + 80, i, 100);
    callRan = platform::CallOnWindowThread(window, [&] { recorder.order.push_back(-1); });
    // The worker waited for the call: it has run by now.
    returned = true;
  });
  ASSERT_TRUE(platform::PumpMessagesUntil([&] { return returned.load(); }, 20000));
  worker.join();
  EXPECT_TRUE(callRan);
  ASSERT_EQ(recorder.order.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(recorder.order[i], i);
  EXPECT_EQ(recorder.order.back(), -1);

  // A call to a destroyed window is refused, not left waiting.
  platform::DestroyMessageWindow(window);
  EXPECT_FALSE(platform::CallOnWindowThread(window, [] {}));
}

// Starts Draventa.exe (built beside the tests, in <build>\src) and returns its process handle.
HANDLE StartProgram() {
  std::wstring exe = platform::ExecutableFolder() + L"..\\src\\Draventa.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return nullptr;
  CloseHandle(info.hThread);
  return info.hProcess;
}

bool MutexExists() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, ui::kInstanceMutexName);
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

TEST(Win32Foundation, SecondProgramExitsAtOnceWithCodeZero) {
  ASSERT_FALSE(MutexExists());
  HANDLE first = StartProgram();
  ASSERT_NE(first, nullptr) << "Draventa.exe not found beside the tests";
  for (int i = 0; i < 300 && !MutexExists(); ++i) {
    ASSERT_EQ(WaitForSingleObject(first, 100), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first instance ended";
  }
  ASSERT_TRUE(MutexExists());

  HANDLE second = StartProgram();
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(WaitForSingleObject(second, 30000), WAIT_OBJECT_0) << "the second instance did not leave";
  DWORD code = 1;
  GetExitCodeProcess(second, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(WaitForSingleObject(first, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first instance runs on";
  CloseHandle(second);

  TerminateProcess(first, 0);
  WaitForSingleObject(first, 10000);
  CloseHandle(first);
}

TEST(Win32Foundation, FoldersAttributesAndTreeDeletion) {
  std::string data = GetProgramDataFolder();
  ASSERT_EQ(data, "C:\\ProgramData\\Qarvel\\DraventaWin\\");
  std::wstring root = L"C:\\ProgramData\\Qarvel\\DraventaWin\\FilesTest";
  DeleteFolderTree(root);
  ASSERT_TRUE(platform::CreateFolderPath(root + L"\\a\\b"));
  ASSERT_TRUE(platform::WriteWholeFile(root + L"\\a\\b\\f.txt", {'h', 'i'}));
  ASSERT_TRUE(platform::AppendToFile(root + L"\\a\\b\\f.txt", "!"));
  platform::Result<std::uint64_t> size = platform::GetFileSizeOf(root + L"\\a\\b\\f.txt");
  ASSERT_TRUE(size);
  EXPECT_EQ(*size, 3u);

  ASSERT_TRUE(platform::SetAttributes(root + L"\\a\\b\\f.txt", platform::kAttrReadOnly | platform::kAttrHidden));
  EXPECT_TRUE(platform::GetAttributes(root + L"\\a\\b\\f.txt").value() & platform::kAttrReadOnly);
  EXPECT_TRUE(ClearReadOnlyAttribute(root + L"\\a\\b\\f.txt"));
  EXPECT_EQ(platform::GetAttributes(root + L"\\a\\b\\f.txt").value() & (platform::kAttrReadOnly | platform::kAttrHidden),
            platform::kAttrHidden);

  std::vector<std::wstring> names;
  EXPECT_TRUE(platform::ListFolder(root + L"\\a", [&](const platform::FolderEntry& e) {
    names.push_back(e.name + (e.IsFolder() ? L"\\" : L""));
    return true;
  }));
  EXPECT_EQ(names, std::vector<std::wstring>{L"b\\"});

  ASSERT_TRUE(platform::WriteWholeFile(root + L"\\AutoRun.inf", {'[', 'A', ']', '\r', '\n', '[', 'B', ']', '\r', '\n'}));
  EXPECT_EQ(platform::ReadIniSectionNames(root + L"\\AutoRun.inf").value(), (std::vector<std::wstring>{L"A", L"B"}));
  platform::Result<std::wstring> temp = platform::CreateTempFileIn(root, L"dp");
  ASSERT_TRUE(temp);
  EXPECT_TRUE(platform::IsFile(*temp)) << *temp;

  // The chunked reader, through the cache and past it (whole sectors into an aligned buffer),
  // gives back every byte of a file that ends inside a sector, and then 0.
  std::vector<std::uint8_t> written((1u << 20) + 1234);
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
  ASSERT_TRUE(platform::WriteWholeFile(root + L"\\big.bin", written));
  for (auto cache : {platform::FileReader::Cache::kUse, platform::FileReader::Cache::kBypass}) {
    platform::Result<platform::FileReader> reader = platform::FileReader::Open(root + L"\\big.bin", cache);
    ASSERT_TRUE(reader) << reader.status().Describe();
    EXPECT_EQ(reader->Size(), written.size());
    std::vector<std::uint8_t> back;
    for (int chunks = 0; chunks < 4; ++chunks) {
      const std::uint8_t* data = nullptr;
      platform::Result<std::size_t> read = reader->ReadNext(data);
      ASSERT_TRUE(read);
      if (*read == 0) break;
      back.insert(back.end(), data, data + *read);
    }
    EXPECT_TRUE(back == written) << back.size();
  }
  EXPECT_FALSE(platform::FileReader::Open(root + L"\\missing.bin", platform::FileReader::Cache::kBypass));

  EXPECT_TRUE(DeleteFolderTree(root + L"\\"));
  EXPECT_FALSE(platform::PathExists(root));
  EXPECT_FALSE(DeleteFolderTree(root));
}

// A DLL planted beside the program is found by name until the search is restricted; after that
// only a load by full path (as the program loads its own libraries) reaches it.
TEST(Win32Foundation, ALibraryPlantedBesideTheProgramIsNotLoadedByName) {
  const std::wstring folder = platform::ExecutableFolder();
  const std::wstring planted = folder + L"planted_library.dll";
  ASSERT_TRUE(CopyFileW((folder + L"QvMultiLang.dll").c_str(), planted.c_str(), FALSE));
  HMODULE before = LoadLibraryW(L"planted_library.dll");
  ASSERT_NE(before, nullptr) << "the program's folder is searched by default";
  FreeLibrary(before);

  EXPECT_EQ(platform::RestrictLibrarySearch(), L"libraries are searched in the system folder only");
  EXPECT_EQ(LoadLibraryW(L"planted_library.dll"), nullptr);
  EXPECT_TRUE(platform::LoadLibraryAt(planted));
  EXPECT_EQ(SetErrorMode(0) & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
            static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

// Kernel-handle validity, closes written down instead of made; each close spoils the last error.
struct RecordingTraits {
  using Handle = HANDLE;
  static inline std::vector<HANDLE> closed;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle handle) { return platform::win32::KernelHandleTraits::IsValid(handle); }
  static void Close(Handle handle) {
    closed.push_back(handle);
    SetLastError(ERROR_ACCESS_DENIED);
  }
};

TEST(Win32Foundation, ScopedHandleClosesEachOwnedValueOnceAndKeepsTheLastError) {
  using namespace platform::win32;
  using Recorded = ScopedHandle<RecordingTraits>;
  const HANDLE a = reinterpret_cast<HANDLE>(0x40), b = reinterpret_cast<HANDLE>(0x80);
  struct Case {
    const char* what;
    HANDLE start;
    std::function<void(Recorded&)> act;
    HANDLE left;                  // held after act
    std::vector<HANDLE> closed;   // once the owner is gone
  };
  const std::vector<Case> cases = {
      {"NULL is no handle", nullptr, [](Recorded&) {}, nullptr, {}},
      {"INVALID_HANDLE_VALUE is no handle", INVALID_HANDLE_VALUE, [](Recorded&) {}, INVALID_HANDLE_VALUE, {}},
      {"a handle is closed with its owner", a, [](Recorded&) {}, a, {a}},
      {"a move takes the handle and empties the source", a,
       [&](Recorded& owner) {
         Recorded taker(std::move(owner));
         EXPECT_FALSE(owner);
         EXPECT_EQ(taker.get(), a);
       },
       nullptr, {a}},
      {"a move onto an owner closes what it held", a,
       [&](Recorded& owner) {
         Recorded giver(b);
         owner = std::move(giver);
         EXPECT_EQ(giver.get(), nullptr);
       },
       b, {a, b}},
      {"reset closes the old handle", a, [&](Recorded& owner) { owner.reset(b); }, b, {a, b}},
      {"reset to the handle held keeps it open", a, [&](Recorded& owner) { owner.reset(a); }, a, {a}},
      {"reset to nothing closes", a, [](Recorded& owner) { owner.reset(); }, nullptr, {a}},
      {"reset over INVALID_HANDLE_VALUE closes nothing", INVALID_HANDLE_VALUE,
       [&](Recorded& owner) { owner.reset(b); }, b, {b}},
      {"release hands the handle out unclosed", a, [&](Recorded& owner) { EXPECT_EQ(owner.release(), a); }, nullptr,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingTraits::closed.clear();
    {
      Recorded owner(c.start);
      c.act(owner);
      EXPECT_EQ(owner.get(), c.left);
      EXPECT_EQ(static_cast<bool>(owner), c.left != nullptr && c.left != INVALID_HANDLE_VALUE);
      SetLastError(1234);
    }
    EXPECT_EQ(GetLastError(), 1234u) << "a close replaced the caller's error";
    EXPECT_EQ(RecordingTraits::closed, c.closed);
  }

  // Real owners: each leaves the error set before it went, and what it held is given back
  // (where that can be seen: a closed event handle is no handle; a DC has its own font again).
  HDC memoryDc = CreateCompatibleDC(nullptr);
  ASSERT_NE(memoryDc, nullptr);
  const HGDIOBJ ownFont = GetCurrentObject(memoryDc, OBJ_FONT);
  const HGDIOBJ fixedFont = GetStockObject(ANSI_FIXED_FONT);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  WIN32_FIND_DATAW found{};
  struct Owner {
    const char* what;
    std::function<void()> ownThenDrop;  // sets error 1234 while it owns
    std::function<bool()> givenBack;
  };
  const std::vector<Owner> owners = {
      {"event", [&] { ScopedKernelHandle owner(event); SetLastError(1234); },
       [&] {
         DWORD flags = 0;
         return !GetHandleInformation(event, &flags);
       }},
      {"find", [&] {
         ScopedFindHandle owner(FindFirstFileW(L"C:\\windows\\*", &found));
         EXPECT_TRUE(owner);
         SetLastError(1234);
       },
       [] { return true; }},
      {"module", [&] {
         ScopedModule owner(LoadLibraryW(L"shlwapi.dll"));
         EXPECT_TRUE(owner);
         SetLastError(1234);
       },
       [] { return true; }},
      {"window DC and font selection", [&] {
         ScopedWindowDc screen = GetWindowDc(nullptr);
         EXPECT_TRUE(screen);
         ScopedSelection owner = SelectInto(memoryDc, fixedFont);
         EXPECT_EQ(GetCurrentObject(memoryDc, OBJ_FONT), fixedFont);
         SetLastError(1234);
       },
       [&] { return GetCurrentObject(memoryDc, OBJ_FONT) == ownFont; }},
  };
  for (const Owner& owner : owners) {
    SCOPED_TRACE(owner.what);
    SetLastError(0);
    owner.ownThenDrop();
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_TRUE(owner.givenBack());
  }
  DeleteDC(memoryDc);
}

}  // namespace
