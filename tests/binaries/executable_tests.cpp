// What the two shipped executables carry, read back from the built files:
// the version information and the nine-image application icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

struct Executable {
  const char* name;
  const char* build_path;
};

void PrintTo(const Executable& executable, std::ostream* out) { *out << executable.name; }

const Executable kExecutables[] = {
    {"Tarvolin", TARVOLIN_LAUNCHER_FILE},
    {"Kestrune", TARVOLIN_REMOVER_FILE},
};

// The icon group's directory as stored in an RT_GROUP_ICON resource.
#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE color_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes_in_resource;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
#pragma pack(pop)

class ExecutableTest : public ::testing::TestWithParam<Executable> {
 protected:
  std::string Path() const { return tarvolin_test::WindowsPath(GetParam().build_path); }
};

TEST_P(ExecutableTest, CarriesVersion3_1_0_65InUsEnglishWithCodePage1200) {
  const std::string path = Path();
  DWORD ignored = 0;
  SetLastError(0xdeadbeef);
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_NE(size, 0u) << "no version information in " << path << ", error " << GetLastError();
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 3)) << "file version 3.1";
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(65, 0)) << "file version .0.65";
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 3)) << "product version 3.1";
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(65, 0)) << "product version .0.65";
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0409) << "language US English";
  EXPECT_EQ(translation[1], 1200) << "code page 1200";

  char* file_version = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                             reinterpret_cast<void**>(&file_version), &length))
      << "no string table for 040904B0";
  EXPECT_STREQ(file_version, "3.1.0.65");
  char* original_name = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&original_name), &length));
  EXPECT_EQ(std::string(original_name), std::string(GetParam().name) + ".exe");
}

TEST_P(ExecutableTest, CarriesOneIconOfNineImages) {
  const std::string path = Path();
  SetLastError(0xdeadbeef);
  HMODULE module = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << path << ", error " << GetLastError();

  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr) << "no icon group 1";
  const auto* header =
      static_cast<const GroupIconHeader*>(LockResource(LoadResource(module, group)));
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->count, 9u);

  std::set<std::pair<int, int>> images;  // (size, bits per pixel)
  const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
  for (WORD i = 0; i < header->count; ++i) {
    EXPECT_EQ(entries[i].width, entries[i].height) << "image " << i << " is not square";
    images.insert({entries[i].width, entries[i].bit_count});
    HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entries[i].id), MAKEINTRESOURCEA(3));
    EXPECT_NE(image, nullptr) << "image " << i << " is missing";  // RT_ICON
  }
  const std::set<std::pair<int, int>> expected = {{48, 4},  {48, 8}, {48, 32}, {32, 4}, {32, 8},
                                                  {32, 32}, {16, 4}, {16, 8},  {16, 32}};
  EXPECT_EQ(images, expected);
  FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(ShippedPrograms, ExecutableTest, ::testing::ValuesIn(kExecutables),
                         [](const ::testing::TestParamInfo<Executable>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
