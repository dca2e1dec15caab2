// Set-up and clean-up shared by the launcher's end-to-end tests.
#include "launcher_test.h"

namespace tarvolin_test {

namespace {

const char kSearchPathVariable[] = "PATH";
// The probe's own file type; the command follows the shell's "%1" rule.
const char kProbeFileExtension[] = ".tarvolinprobe";
const char kProbeFileType[] = "TarvolinTest.ProbeFile";
const char kProbeOpenCommandKey[] = "TarvolinTest.ProbeFile\\shell\\open\\command";

std::string EnvironmentValue(const char* name) {
  char value[32768];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

bool SetClassesRootDefault(const char* key_name, const std::string& value) {
  HKEY key = NULL;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key_name, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG set =
      RegSetValueExA(key, NULL, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

bool CreateEmptyFile(const std::string& path) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

void LauncherTest::SetUp() {
  ASSERT_TRUE(StopLeftoverLaunchers()) << "something still holds the name \"Tarvolin\"";
  log_ = BeginProbeLog();
  ASSERT_FALSE(log_.empty()) << "no probe log could be made";
  // Short command lines such as "probe 1" find the probe through the search
  // path, which the launcher and what it starts inherit.
  saved_search_path_ = EnvironmentValue(kSearchPathVariable);
  const std::string search_path = FolderOf(ProbePath()) + ";" + saved_search_path_;
  SetEnvironmentVariableA(kSearchPathVariable, search_path.c_str());
}

void LauncherTest::TearDown() {
  CloseRequestChannel(&client_);
  EndProcess(launcher_);
  launcher_ = NULL;
  if (early_region_ != NULL) CloseHandle(early_region_);
  early_region_ = NULL;
  EndProbeLog(log_);
  SetEnvironmentVariableA(kSearchPathVariable, saved_search_path_.c_str());
}

void LauncherTest::MakeRegionBeforeLauncher(DWORD size) {
  SetLastError(0xdeadbeef);
  early_region_ =
      CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, size, kRequestRegionName);
  ASSERT_NE(early_region_, nullptr) << "could not make the region, error " << GetLastError();
}

void LauncherTest::StartServingLauncher() {
  launcher_ = StartLauncher();
  ASSERT_NE(launcher_, nullptr) << "Tarvolin.exe did not start: " << LauncherPath();
  window_ = WaitForLauncherWindow(launcher_);
  ASSERT_NE(window_, nullptr) << "the launcher showed no \"Tarvolin\" window";
  const bool opened = WaitUntil([this] {
    CloseRequestChannel(&client_);
    return OpenRequestChannel(&client_);
  });
  ASSERT_TRUE(opened) << "the request channel's named objects do not exist";
}

LRESULT LauncherTest::CloseLauncherWindow() {
  DWORD_PTR result = 0xdeadbeef;
  const LRESULT sent =
      SendMessageTimeoutA(window_, WM_CLOSE, 0, 0, SMTO_NORMAL, kWaitTimeoutMs, &result);
  EXPECT_NE(sent, 0) << "WM_CLOSE was not answered in time";
  return static_cast<LRESULT>(result);
}

std::vector<ProbeRecord> LauncherTest::WaitForRecords(size_t count) {
  return WaitForProbeRecords(log_, count);
}

std::vector<ProbeRecord> LauncherTest::RecordsAfterSettling() {
  Sleep(kSettleTimeMs);
  return ReadProbeRecords(log_);
}

void LauncherShellTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(LauncherTest::SetUp());
  const std::string command = Quoted(ProbePath()) + " \"%1\"";
  ASSERT_TRUE(SetClassesRootDefault(kProbeFileExtension, kProbeFileType) &&
              SetClassesRootDefault(kProbeOpenCommandKey, command))
      << "could not register the probe's file type";
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  target_ = std::string(folder) + "Tarvolin target" + kProbeFileExtension;
  ASSERT_TRUE(CreateEmptyFile(target_)) << "could not create " << target_;
}

void LauncherShellTest::TearDown() {
  LauncherTest::TearDown();
  DeleteFileA(target_.c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kProbeFileType);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kProbeFileExtension);
}

std::string LauncherShellTest::ShellOpenedCommandLine() const {
  return Quoted(ProbePath()) + " " + Quoted(target_);
}

}  // namespace tarvolin_test
