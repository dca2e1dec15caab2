// RemoveRunEntry against the real registry, on a test key of its own under
// HKEY_CURRENT_USER that stands in for the Run key. The test key's handle is
// the root, so a root closed by mistake shows as a handle that stops working.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <string.h>

#include <utility>
#include <vector>

#include "counting_text_heap.h"
#include "lead_bytes.h"
#include "owned_text.h"
#include "run_entry.h"

namespace {

const char kTestKeyPath[] = "Software\\Quillmere\\KestruneRunEntryTests";
const char kRunKeyName[] = "Run";
const char kEntryName[] = "Tarvolin";
const char kOtherName[] = "Other";

const LeadByteTable kSingleByte = SingleByteLeadBytes();

void SetStringValue(HKEY key, const char* name, const char* data) {
  SetLastError(0xdeadbeef);
  LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                               static_cast<DWORD>(strlen(data) + 1));
  ASSERT_EQ(result, ERROR_SUCCESS) << "could not set value " << name;
}

bool HasValue(HKEY key, const char* name) {
  return RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
}

class RemoveRunEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTextHeap();
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKeyPath);  // left over from an aborted run
    SetLastError(0xdeadbeef);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                              &root_, NULL),
              ERROR_SUCCESS)
        << "could not create the test key";
  }

  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestKeyPath);
    EXPECT_EQ(LiveTextBlocks(), 0) << "an owned text was not freed";
  }

  // The stand-in Run key under the root, with the entry and another value.
  void CreateRunKey(bool with_entry) {
    HKEY run;
    SetLastError(0xdeadbeef);
    ASSERT_EQ(RegCreateKeyExA(root_, kRunKeyName, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &run, NULL),
              ERROR_SUCCESS)
        << "could not create the stand-in Run key";
    if (with_entry) SetStringValue(run, kEntryName, "C:\\Tarvolin.exe");
    SetStringValue(run, kOtherName, "C:\\other.exe");
    RegCloseKey(run);
  }

  bool RunKeyHasValue(const char* name) {
    HKEY run;
    if (RegOpenKeyExA(root_, kRunKeyName, 0, KEY_READ, &run) != ERROR_SUCCESS) return false;
    bool found = HasValue(run, name);
    RegCloseKey(run);
    return found;
  }

  // Builds the value name first and then the key path, as the remover does,
  // and checks that the key path's block is freed first, then the name's.
  LONG Remove() {
    OwnedText value_name(kEntryName, kSingleByte);
    OwnedText key_path(kRunKeyName, kSingleByte);
    const void* name_block = value_name.Text();
    const void* path_block = key_path.Text();
    LONG result = RemoveRunEntry(root_, std::move(key_path), std::move(value_name));
    std::vector<void*> freed = FreedTextBlocks();
    std::vector<void*> expected;
    if (path_block != nullptr) expected.push_back(const_cast<void*>(path_block));
    if (name_block != nullptr) expected.push_back(const_cast<void*>(name_block));
    EXPECT_EQ(freed, expected) << "key path then value name must be freed, before the return";
    return result;
  }

  void ExpectRootStillOpen() {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(RegSetValueExA(root_, "probe", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
              ERROR_SUCCESS)
        << "the root key handle must not be closed";
  }

  HKEY root_ = NULL;
};

TEST_F(RemoveRunEntryTest, DeletesThePresentEntryAndKeepsTheOthers) {
  CreateRunKey(true);
  EXPECT_EQ(Remove(), ERROR_SUCCESS);
  EXPECT_FALSE(RunKeyHasValue(kEntryName)) << "the entry must be deleted";
  EXPECT_TRUE(RunKeyHasValue(kOtherName)) << "another value must stay";
  ExpectRootStillOpen();
}

TEST_F(RemoveRunEntryTest, CountsAnAbsentEntryAsSuccess) {
  CreateRunKey(false);
  EXPECT_EQ(Remove(), ERROR_SUCCESS);
  EXPECT_TRUE(RunKeyHasValue(kOtherName)) << "another value must stay";
  ExpectRootStillOpen();
}

TEST_F(RemoveRunEntryTest, ReturnsFileNotFoundForAnAbsentKey) {
  EXPECT_EQ(Remove(), ERROR_FILE_NOT_FOUND) << "a missing key stays an error";
  ExpectRootStillOpen();
}

TEST_F(RemoveRunEntryTest, LeavesTheRegistryAloneWhenATextHasNoBlock) {
  // Allocation 0 is the value name, allocation 1 the key path.
  for (int failing : {0, 1}) {
    ResetTextHeap();
    CreateRunKey(true);
    FailTextAllocation(failing);
    EXPECT_EQ(Remove(), ERROR_NOT_ENOUGH_MEMORY) << "allocation " << failing << " failed";
    EXPECT_TRUE(RunKeyHasValue(kEntryName)) << "allocation " << failing << ": nothing deleted";
  }
  ExpectRootStillOpen();
}

// A Run key whose access list lets everybody read and delete it, but not
// set or delete its values.
bool MakeKeyReadOnly(HKEY key) {
  EXPLICIT_ACCESSA access;
  ZeroMemory(&access, sizeof access);
  access.grfAccessPermissions = KEY_READ | DELETE;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = const_cast<char*>("EVERYONE");
  PACL acl = NULL;
  if (SetEntriesInAclA(1, &access, NULL, &acl) != ERROR_SUCCESS) return false;
  DWORD result = SetSecurityInfo(key, SE_REGISTRY_KEY,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 NULL, NULL, acl, NULL);
  LocalFree(acl);
  return result == ERROR_SUCCESS;
}

TEST_F(RemoveRunEntryTest, ReturnsTheOpenCodeForAKeyThatIsNotWritable) {
  CreateRunKey(true);
  HKEY run;
  ASSERT_EQ(RegOpenKeyExA(root_, kRunKeyName, 0, READ_CONTROL | WRITE_DAC, &run), ERROR_SUCCESS);
  bool locked = MakeKeyReadOnly(run);
  RegCloseKey(run);
  ASSERT_TRUE(locked) << "could not set the key's access list";

  LONG expected = RegOpenKeyExA(root_, kRunKeyName, 0, KEY_WRITE, &run);
  if (expected == ERROR_SUCCESS) {
    RegCloseKey(run);
    GTEST_SKIP() << "the platform grants KEY_WRITE despite the key's access list, "
                    "so a key that the user may not write cannot be made here";
  }
  EXPECT_EQ(Remove(), expected) << "the open's code must come back unchanged";
  EXPECT_TRUE(RunKeyHasValue(kEntryName)) << "nothing may be deleted";
  ExpectRootStillOpen();
}

}  // namespace
