// The executable's path and directory, a path of any length read whole, and the file checks.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/files.h"

namespace {

TEST(Files, ExePathAndDirectoryOfThisProgram) {
  const std::wstring path = lzg::ExePath();
  const std::wstring dir = lzg::ExeDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), L'\\');
  EXPECT_EQ(path, dir + L"test_files.exe");
  EXPECT_TRUE(lzg::FileExists(path));
  EXPECT_FALSE(lzg::DirectoryExists(path));
  EXPECT_TRUE(lzg::DirectoryExists(dir));
  EXPECT_FALSE(lzg::FileExists(dir));
  EXPECT_FALSE(lzg::FileExists(dir + L"no such file"));
  EXPECT_FALSE(lzg::DirectoryExists(dir + L"no such folder"));
}

// Wine cannot start a program from a path longer than MAX_PATH, so the reading itself is driven with paths of every length around the buffer's steps, cut as GetModuleFileNameW cuts.
TEST(Files, APathOfAnyLengthIsReadWhole) {
  for (size_t length : {size_t{1}, size_t{259}, size_t{260}, size_t{261}, size_t{519}, size_t{520}, size_t{1040},
                        size_t{1500}, size_t{32767}}) {
    std::wstring path = L"C:\\";
    while (path.size() < length) path += static_cast<wchar_t>(L'a' + path.size() % 26);
    path.resize(length);
    int calls = 0;
    const std::wstring read = lzg::ReadWhole([&](wchar_t* buffer, DWORD size) -> DWORD {
      ++calls;
      const size_t n = std::min<size_t>(path.size(), size);
      path.copy(buffer, n);
      if (n == size) {
        buffer[size - 1] = L'\0';  // cut and terminated, as the system does
        return size;
      }
      buffer[n] = L'\0';
      return static_cast<DWORD>(n);
    });
    EXPECT_EQ(read, path) << "length " << length;
    EXPECT_LE(calls, 9) << "length " << length;
  }
  EXPECT_EQ(lzg::ReadWhole([](wchar_t*, DWORD) -> DWORD { return 0; }), L"");
  // A call that never fits ends, empty, instead of growing forever.
  EXPECT_EQ(lzg::ReadWhole([](wchar_t*, DWORD size) { return size; }), L"");
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
