// The launcher's start: the one hidden message window it makes, and the
// single-instance guard that keeps a second launcher out whenever anything
// holds the name "Tarvolin".
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "launcher_client.h"
#include "launcher_test.h"
#include "test_support.h"

namespace tarvolin_test {
namespace {

class LauncherStartTest : public LauncherTest {};

constexpr LONG kWindowWidth = 227;
constexpr LONG kWindowHeight = 27;

TEST_F(LauncherStartTest, MakesOneHiddenTopLevelWindowWithoutText) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  EXPECT_EQ(FindLauncherWindows().size(), 1u);

  RECT rect = {-1, -1, -1, -1};
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(GetWindowRect(window_, &rect)) << GetLastError();
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, kWindowWidth);
  EXPECT_EQ(rect.bottom - rect.top, kWindowHeight);

  EXPECT_FALSE(IsWindowVisible(window_));
  // A message-only window would have the message root as its ancestor.
  EXPECT_EQ(GetParent(window_), nullptr);
  EXPECT_EQ(GetAncestor(window_, GA_PARENT), GetDesktopWindow()) << "not a top-level window";

  // The creation name is not kept as the window's text.
  EXPECT_EQ(GetWindowTextLengthA(window_), 0);

  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW) << std::hex << style;
  EXPECT_EQ(style & WS_VISIBLE, 0) << std::hex << style;
  EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0)
      << "no extended style but the one every overlapped window gets";
}

TEST_F(LauncherStartTest, SecondLauncherEndsAtOnceAndTheFirstStays) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  EXPECT_EQ(RunProgram(Quoted(LauncherPath())), 0u) << "the second launcher did not end with 0";
  EXPECT_TRUE(IsRunning(launcher_)) << "the first launcher ended";
  const std::vector<HWND> windows = FindLauncherWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0], window_);

  // The first launcher's channel is the one in use and still serves.
  ASSERT_TRUE(SendRegionRequest(client_, "exec://" + ProbeCommandLine("first-serves")));
  EXPECT_EQ(RecordsContaining(WaitForRecords(1), "first-serves").size(), 1u);
}

// Ways in which the name "Tarvolin" can be taken while no launcher runs.
// Each returns the handle that keeps it taken.
HANDLE KeepMutexOfAnEndedLauncher() {
  HANDLE launcher = StartLauncher();
  HWND window = WaitForLauncherWindow(launcher);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kLauncherName);
  if (window != NULL) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForExitCode(launcher) != 0) {
    CloseHandle(mutex);
    mutex = NULL;
  }
  EndProcess(launcher);
  return mutex;
}

HANDLE CreateClientMutex() { return CreateMutexA(NULL, FALSE, kLauncherName); }

// Kinds share one namespace: the launcher's CreateMutexA then fails.
HANDLE CreateEventOfTheName() { return CreateEventA(NULL, TRUE, FALSE, kLauncherName); }

HANDLE CreateSemaphoreOfTheName() { return CreateSemaphoreA(NULL, 0, 1, kLauncherName); }

struct TakenNameCase {
  const char* name;
  HANDLE (*take_name)();
};

// Names the case in test listings.
void PrintTo(const TakenNameCase& c, std::ostream* out) { *out << c.name; }

class TakenNameTest : public LauncherTest, public ::testing::WithParamInterface<TakenNameCase> {
 protected:
  void TearDown() override {
    if (name_holder_ != NULL) CloseHandle(name_holder_);
    LauncherTest::TearDown();
  }
  HANDLE name_holder_ = NULL;
};

TEST_P(TakenNameTest, EveryNewLauncherEndsWithExitCode0AndNoWindow) {
  name_holder_ = GetParam().take_name();
  ASSERT_NE(name_holder_, nullptr) << "could not take the name";
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    launcher_ = StartLauncher();
    ASSERT_NE(launcher_, nullptr);
    EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher did not end with exit code 0";
    EndProcess(launcher_);
    launcher_ = NULL;
    EXPECT_TRUE(FindLauncherWindows().empty()) << "the launcher left a window";
  }
  SetLastError(0xdeadbeef);
  HANDLE region = OpenFileMappingA(FILE_MAP_READ, FALSE, kRequestRegionName);
  EXPECT_EQ(region, nullptr) << "a request region exists";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  if (region != NULL) CloseHandle(region);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TakenNameTest,
    ::testing::Values(TakenNameCase{"MutexKeptFromAnEndedLauncher", KeepMutexOfAnEndedLauncher},
                      TakenNameCase{"MutexMadeByAClient", CreateClientMutex},
                      TakenNameCase{"EventOfTheName", CreateEventOfTheName},
                      TakenNameCase{"SemaphoreOfTheName", CreateSemaphoreOfTheName}),
    [](const ::testing::TestParamInfo<TakenNameCase>& info) {
      return std::string(info.param.name);
    });

// A global CBT hook, living in a DLL of its own, refuses the creation of
// windows of the class "Tarvolin" in every process: the one way to make the
// launcher's CreateWindowExA fail from outside.
class RefusedWindowTest : public LauncherTest {
 protected:
  void TearDown() override {
    if (hook_ != NULL) UnhookWindowsHookEx(hook_);
    if (hook_module_ != NULL) FreeLibrary(hook_module_);
    if (refused_ != NULL) CloseHandle(refused_);
    LauncherTest::TearDown();
  }
  HMODULE hook_module_ = NULL;
  HHOOK hook_ = NULL;
  HANDLE refused_ = NULL;
};

TEST_F(RefusedWindowTest, LauncherEndsWithExitCode0AndFreesTheName) {
  const std::string hook_path = WindowsPath(TARVOLIN_CBT_HOOK_PATH);
  hook_module_ = LoadLibraryA(hook_path.c_str());
  ASSERT_NE(hook_module_, nullptr) << "could not load " << hook_path;
  typedef HOOKPROC (*HookProcedureGetter)();
  const auto get_hook = reinterpret_cast<HookProcedureGetter>(
      reinterpret_cast<void (*)()>(GetProcAddress(hook_module_, "LauncherWindowRefusingHook")));
  ASSERT_NE(get_hook, nullptr);
  // The hook sets this event whenever it refuses a window, in any process.
  refused_ = CreateEventA(NULL, TRUE, FALSE, "TarvolinTestWindowRefused");
  ASSERT_NE(refused_, nullptr);
  SetLastError(0xdeadbeef);
  hook_ = SetWindowsHookExA(WH_CBT, get_hook(), hook_module_, 0);
  ASSERT_NE(hook_, nullptr) << "SetWindowsHookExA failed, error " << GetLastError();

  launcher_ = StartLauncher();
  ASSERT_NE(launcher_, nullptr);
  const DWORD exit_code = WaitForExitCode(launcher_);
  const bool hook_ran = WaitForSingleObject(refused_, 0) == WAIT_OBJECT_0;
  if (!hook_ran && exit_code == kNoExitCode && !FindLauncherWindows().empty()) {
    GTEST_SKIP() << "this platform does not run a global CBT hook in the launcher's process";
  }
  ASSERT_TRUE(hook_ran) << "the hook refused no window";
  EXPECT_EQ(exit_code, 0u) << "the launcher did not end with exit code 0";
  EXPECT_TRUE(FindLauncherWindows().empty());

  // With the hook gone, the name is free and a launcher starts normally.
  UnhookWindowsHookEx(hook_);
  hook_ = NULL;
  EXPECT_FALSE(LauncherNameExists());
  EndProcess(launcher_);
  launcher_ = NULL;
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
}

}  // namespace
}  // namespace tarvolin_test
