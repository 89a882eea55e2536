// The executable's path and directory, also from an installation path longer than MAX_PATH, and the
// file checks. The long-path case runs a copy of this program from such a folder, which writes what it
// finds for itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/files.h"
#include "tests/support/test_util.h"

namespace {

constexpr wchar_t kReportSwitch[] = L"--report-exe-path=";

// \\?\ lets the test create, copy and remove below MAX_PATH's limit.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

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

TEST(Files, ExePathFromAFolderLongerThanMaxPath) {
  testutil::TempDir temp;
  const std::wstring root = temp.Dir().substr(0, temp.Dir().size() - 1);
  // Removed past MAX_PATH before the folder object tries without the prefix.
  struct LongRemoval {
    std::wstring root;
    ~LongRemoval() { testutil::RemoveTree(Long(root)); }
  } removal{root};
  std::wstring dir = root;
  while (dir.size() < MAX_PATH + 40) {
    dir += L"\\一个很长的安装目录名称_" + std::to_wstring(dir.size());
    ASSERT_TRUE(CreateDirectoryW(Long(dir).c_str(), nullptr)) << GetLastError();
  }
  const std::wstring exe = dir + L"\\test_files.exe";
  ASSERT_TRUE(CopyFileW(Long(lzg::ExePath()).c_str(), Long(exe).c_str(), FALSE)) << GetLastError();
  const std::wstring report = temp.File(L"report.txt");

  std::wstring cmd = L"test_files.exe " + std::wstring(kReportSwitch) + report;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(Long(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      root.c_str(), &si, &pi);
  if (!started) {
    const DWORD error = GetLastError();
    GTEST_SKIP() << "this system cannot start a program from a path of " << exe.size() << " characters (error "
                 << error << ")";
  }
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::string bytes;
  ASSERT_TRUE(testutil::ReadBytes(report, bytes));
  EXPECT_EQ(code, 0u);
  const std::wstring seen(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  // Windows may hand the path back with or without the \\?\ prefix; the folder is the point.
  const std::wstring plain = seen.rfind(L"\\\\?\\", 0) == 0 ? seen.substr(4) : seen;
  EXPECT_EQ(plain, exe) << "the executable's path was cut or lost";
}

}  // namespace

int main(int argc, char** argv) {
  const std::wstring line = GetCommandLineW();
  const size_t at = line.find(kReportSwitch);
  if (at != std::wstring::npos) {
    const std::wstring path = lzg::ExePath();
    const std::wstring directory = lzg::ExeDirectory();
    const std::string bytes(reinterpret_cast<const char*>(path.data()), path.size() * sizeof(wchar_t));
    testutil::WriteBytes(line.substr(at + std::size(kReportSwitch) - 1), bytes);
    return directory.empty() || path.compare(0, directory.size(), directory) != 0 ? 2 : 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
