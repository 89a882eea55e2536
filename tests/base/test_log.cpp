// The client's log file under the real Windows functions: many writers in many processes lose no line and
// mix none, rotation at 1 MiB keeps every line, secrets never reach the file, and a log that cannot be
// written never troubles the writer.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "base/threads.h"
#include "tests/support/log_lines.h"
#include "tests/support/scoped_env.h"
#include "tests/support/test_util.h"

namespace {

using testutil::TempDir;

// Points %APPDATA% at a folder of the test's own for the test's life (the children inherit it); empty removes it.
class AppData {
 public:
  explicit AppData(const std::wstring& value) {
    env_.Set(L"APPDATA", value.empty() ? std::nullopt : std::optional<std::wstring>(value));
  }

 private:
  testutil::ScopedEnv env_;
};

using logfile::Columns;
using logfile::Lines;

std::string Read(const std::wstring& path) {
  std::string bytes;
  testutil::ReadBytes(path, bytes);
  return bytes;
}

std::wstring LogDir(const TempDir& dir) { return dir.Dir() + L"lzgmin\\logs\\"; }

// What a hammering child writes: `count` lines "<tag> <k> <padding>", from two threads.
int Hammer(const std::wstring& tag, int count) {
  lzg::log::SetProcess(1, L"renderer");
  const std::wstring pad(60, L'x');
  auto run = [&](int from, int to) {
    for (int k = from; k < to; ++k) lzg::log::Write(tag + L" " + std::to_wstring(k) + L" " + pad);
  };
  std::thread other(run, count / 2, count);
  run(0, count / 2);
  other.join();
  return 0;
}

HANDLE StartHammer(const std::wstring& tag, int count) {
  const std::wstring self = testutil::SelfPath();
  std::wstring cmd = L"\"" + self + L"\" --hammer " + tag + L" " + std::to_wstring(count);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

TEST(Log, ConcurrentWritersAcrossRotationKeepEveryLineWhole) {
  TempDir dir;
  AppData appData(dir.Dir());
  constexpr int kChildren = 6, kLines = 1800;  // about 1.5 MiB in all: the file rotates at least once
  std::vector<HANDLE> children;
  for (int c = 0; c < kChildren; ++c) {
    HANDLE h = StartHammer(L"w" + std::to_wstring(c), kLines);
    ASSERT_NE(h, nullptr);
    children.push_back(h);
  }
  for (HANDLE h : children) {
    EXPECT_EQ(WaitForSingleObject(h, 600000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(h, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(h);
  }

  const std::wstring logs = LogDir(dir);
  std::map<std::string, int> seen;
  size_t files = 0;
  for (const wchar_t* name : {L"lzgmin.log", L"lzgmin.1.log", L"lzgmin.2.log"}) {
    const std::string bytes = Read(logs + name);
    if (bytes.empty()) continue;
    ++files;
    EXPECT_LE(bytes.size(), lzg::log::kRotateBytes) << testutil::ToUtf8(name);
    ASSERT_EQ(bytes.back(), '\n') << "a torn last line in " << testutil::ToUtf8(name);
    for (const std::string& line : Lines(bytes)) {
      const std::vector<std::string> col = Columns(line);
      ASSERT_EQ(col.size(), 6u) << line;
      EXPECT_EQ(col[0].size(), 23u) << line;  // 2026-12-10 16:50:01.123
      EXPECT_EQ(col[2], "1");
      EXPECT_EQ(col[3], "renderer");
      EXPECT_TRUE(col[4] == "main" || col[4] == "other") << line;
      const size_t space = col[5].find(' ', col[5].find(' ') + 1);
      ASSERT_NE(space, std::string::npos) << line;
      EXPECT_EQ(col[5].substr(space + 1), std::string(60, 'x')) << "a mixed line: " << line;
      ++seen[col[5].substr(0, space)];
    }
  }
  EXPECT_GE(files, 2u) << "the file never rotated";
  EXPECT_EQ(seen.size(), static_cast<size_t>(kChildren * kLines)) << "lines lost";
  for (const auto& [key, n] : seen) EXPECT_EQ(n, 1) << key << " written " << n << " times";
}

TEST(Log, RotationKeepsTwoOlderFiles) {
  TempDir dir;
  AppData appData(dir.Dir());
  lzg::log::SetProcess(0, L"main");
  lzg::log::Write(L"first");
  const std::wstring logs = LogDir(dir);
  ASSERT_TRUE(testutil::Exists(logs + L"lzgmin.log"));
  testutil::WriteBytes(logs + L"lzgmin.2.log", "oldest\n");
  testutil::WriteBytes(logs + L"lzgmin.1.log", "older\n");
  testutil::WriteBytes(logs + L"lzgmin.log", std::string(lzg::log::kRotateBytes - 10, 'a') + "\n");
  lzg::log::Write(L"after the threshold");
  EXPECT_EQ(Read(logs + L"lzgmin.2.log"), "older\n");
  EXPECT_EQ(Read(logs + L"lzgmin.1.log").size(), lzg::log::kRotateBytes - 9);
  const std::vector<std::string> now = Lines(Read(logs + L"lzgmin.log"));
  ASSERT_EQ(now.size(), 1u);
  EXPECT_EQ(Columns(now[0]).back(), "after the threshold");
}

TEST(Log, SecretsQueriesAndCodesNeverReachTheFile) {
  TempDir dir;
  AppData appData(dir.Dir());
  lzg::log::SetProcess(0, L"main");
  lzg::log::AddSecret(L"player01");
  lzg::log::AddSecret(L"hunter22");
  lzg::log::Write(L"load error http://game.example/play?uid=player01&tg=555 for player01 with hunter22");
  const std::string bytes = Read(LogDir(dir) + L"lzgmin.log");
  ASSERT_FALSE(bytes.empty());
  for (const char* secret : {"player01", "hunter22", "uid="}) EXPECT_EQ(bytes.find(secret), std::string::npos);
  const std::vector<std::string> col = Columns(Lines(bytes).at(0));
  ASSERT_EQ(col.size(), 6u);
  // The code's digits may well stand in the time or the process id: it is looked for in the text.
  EXPECT_EQ(col[5].find("555"), std::string::npos) << col[5];
  EXPECT_EQ(col[1], std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(col[3], "main");
  EXPECT_EQ(col[4], "main");
  EXPECT_EQ(col[5], "load error http://game.example/play for *** with ***");
}

TEST(Log, ThreadsAreNamed) {
  TempDir dir;
  AppData appData(dir.Dir());
  lzg::log::SetProcess(0, L"main");
  std::thread ui([] {
    lzg::threads::SetEngineUi(GetCurrentThreadId());
    lzg::log::Write(L"from the engine");
  });
  ui.join();
  std::thread([] { lzg::log::Write(L"from elsewhere"); }).join();
  lzg::threads::SetEngineUi(0);
  const std::vector<std::string> lines = Lines(Read(LogDir(dir) + L"lzgmin.log"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Columns(lines[0])[4], "engine UI");
  EXPECT_EQ(Columns(lines[1])[4], "other");
}

// Nothing the log meets stops the writer or takes long: the line is dropped.
TEST(Log, UnwritableLogIsDroppedQuietly) {
  TempDir dir;
  {
    AppData none(L"");
    EXPECT_EQ(lzg::log::FilePath(), L"");
    lzg::log::Write(L"no appdata");
  }
  {
    // The folder's place is taken by a file.
    testutil::WriteBytes(dir.File(L"lzgmin"), "not a folder");
    AppData blocked(dir.Dir());
    lzg::log::Write(L"no folder");
    EXPECT_EQ(Read(dir.File(L"lzgmin")), "not a folder");
  }
  {
    TempDir other;
    AppData appData(other.Dir());
    lzg::log::Write(L"kept");
    const std::wstring path = LogDir(other) + L"lzgmin.log";
    // Another program holds the file without sharing it.
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const ULONGLONG start = GetTickCount64();
    lzg::log::Write(L"dropped");
    EXPECT_LT(GetTickCount64() - start, 3000u);
    CloseHandle(held);
    lzg::log::Write(L"kept again");
    const std::vector<std::string> lines = Lines(Read(path));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Columns(lines[0]).back(), "kept");
    EXPECT_EQ(Columns(lines[1]).back(), "kept again");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--hammer") {
    const std::string tag = argv[2];
    return Hammer(std::wstring(tag.begin(), tag.end()), std::atoi(argv[3]));
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
