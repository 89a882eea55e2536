// The real client's own log under the engine stand-in: the lines a normal run, a failed engine start, a
// renderer crash and a load error leave, in the format support reads, from every instance into one file,
// and never a credential, a code or a query part.
#include <gtest/gtest.h>

#include "tests/support/client_test.h"
#include "tests/support/log_lines.h"
#include "tests/config/des_reference.h"

namespace {

using e2e::ClientRun;

struct Line {
  std::string time, pid, profile, role, thread, text;
};

// Every line of the run's log files, each checked to be whole and in the six columns.
std::vector<Line> ParsedLog(const ClientRun& run) {
  std::vector<Line> out;
  for (const std::string& raw : run.LogLines()) {
    const std::vector<std::string> col = logfile::Columns(raw);
    EXPECT_EQ(col.size(), 6u) << raw;
    if (col.size() != 6) continue;
    const std::string& t = col[0];
    EXPECT_TRUE(t.size() == 23 && t[4] == '-' && t[10] == ' ' && t[13] == ':' && t[19] == '.') << raw;
    EXPECT_TRUE(col[2] == "0" || col[2] == "1") << raw;
    EXPECT_TRUE(col[4] == "main" || col[4] == "engine UI" || col[4] == "other") << raw;
    EXPECT_FALSE(col[5].empty()) << raw;
    out.push_back({col[0], col[1], col[2], col[3], col[4], col[5]});
  }
  return out;
}

std::vector<Line> Of(const std::vector<Line>& lines, DWORD pid) {
  std::vector<Line> out;
  for (const Line& l : lines)
    if (l.pid == std::to_string(pid)) out.push_back(l);
  return out;
}

bool Has(const ClientRun& run, const std::string& text) {
  for (const std::string& l : run.LogLines())
    if (l.find(text) != std::string::npos) return true;
  return false;
}

std::string Screen() {
  return std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN));
}

const wchar_t kConfig[] =
    L"[dump]\r\ndoUrl2=http://game.example/play?session=abc\r\nWidth_0=800\r\nHeight_0=600\r\nSizeIndex_0=4\r\n"
    L"title_0=日志\r\n";

using Log = e2e::ClientTest;

TEST_F(Log, NormalRunWritesItsStartAndItsEnd) {
  ASSERT_TRUE(StartGame(kConfig));
  ASSERT_TRUE(ExitCleanly());
  const std::vector<Line> own = Of(ParsedLog(run_), run_.Pid());
  ASSERT_GE(own.size(), 2u);
  // The build's folder has no crash_reporter.cfg beside the client: the engine writes no crash dumps.
  EXPECT_EQ(own.front().text, "start: lzgmin 1.0.0.0, profile 0, slot 1, home http://game.example/play, engine "
                              "74.1.19.0, screen " + Screen() + ", crash dumps off");
  EXPECT_EQ(own.back().text, "end: the game window closed, exit code 0");
  for (const Line& l : own) {
    EXPECT_EQ(l.profile, "0");
    EXPECT_EQ(l.role, "main");
  }
  EXPECT_EQ(own.front().thread, "main");
  EXPECT_EQ(own.back().thread, "main");
}

TEST_F(Log, FailedEngineStartSaysSo) {
  ASSERT_TRUE(StartClient(kConfig, L"", {L"STANDIN_INIT_FAIL=1"}));
  ASSERT_TRUE(run_.WaitExit(30000));
  e2e::ExpectCleanEnd(run_, {.engineStarted = false});
  const std::vector<Line> own = Of(ParsedLog(run_), run_.Pid());
  ASSERT_GE(own.size(), 2u);
  EXPECT_EQ(own.front().text.rfind("start: lzgmin 1.0.0.0, profile 0, slot 1, ", 0), 0u) << own.front().text;
  EXPECT_EQ(own.back().text, "end: the engine did not start, exit code 0");
}

TEST_F(Log, RendererCrashAndLoadErrorAreRecorded) {
  ASSERT_TRUE(StartGame(kConfig));
  ASSERT_TRUE(run_.PageCommand(L"crash"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return Has(run_, "Game page renderer ended: status 2"); }, 20000));
  ASSERT_TRUE(run_.WaitEvents("on_load_end", 2, [](const e2e::TraceEvent& e) { return e.Get("frame") == "main"; }));
  ASSERT_TRUE(run_.PageCommand(L"navigate http://game.example/gone?standin-neterror=-105&key=v1"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return Has(run_, "Game page failed to load: error -105"); }, 20000));
  ASSERT_TRUE(ExitCleanly());
  bool crash = false, failure = false;
  for (const Line& l : Of(ParsedLog(run_), run_.Pid())) {
    if (l.text.find("renderer ended") != std::string::npos) {
      crash = true;
      EXPECT_EQ(l.thread, "main") << l.text;
    }
    if (l.text.find("failed to load") != std::string::npos) {
      failure = true;
      EXPECT_NE(l.text.find("http://game.example/gone"), std::string::npos) << l.text;
      EXPECT_EQ(l.text.find("key=v1"), std::string::npos) << l.text;
      EXPECT_EQ(l.text.find("standin-neterror"), std::string::npos) << l.text;
    }
  }
  EXPECT_TRUE(crash);
  EXPECT_TRUE(failure);
}

// Credentials kept for tests ("istest" 1), a promotion code, and addresses that carry them: no log line
// of either instance holds any of them, while the lines still say what happened.
TEST_F(Log, NoSecretInAnyLogFile) {
  const std::string uid = "player01", password = "secret-pw";
  const std::string stored = ref::EncryptPassword(password, uid);
  testutil::WriteBytes(run_.Dir() + L"52lzg.dat", "97531\r\n");
  ASSERT_TRUE(StartClient(L"[dump]\r\nistest=1\r\nuid=" + testutil::FromUtf8(uid) + L"\r\nip=" + testutil::FromUtf8(stored) +
                          L"\r\ndoUrl2=http://game.example/play?uid=" + testutil::FromUtf8(uid) +
                          L"&pwd=" + testutil::FromUtf8(password) +
                          L"&standin-neterror=-105\r\nistui=1\r\nWidth_0=800\r\nHeight_0=600\r\nSizeIndex_0=4\r\n"));
  ASSERT_TRUE(testutil::WaitUntil([&] { return Has(run_, "Game page failed to load"); }, 20000));
  ASSERT_TRUE(run_.PageCommand(L"popup 3 1 http://game.example/popup?uid=" + testutil::FromUtf8(uid)));
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.OtherInstances().empty(); }, 60000));
  const DWORD second = run_.OtherInstances().front();
  ASSERT_TRUE(testutil::WaitUntil([&] { return !Of(ParsedLog(run_), second).empty(); }, 60000));
  run_.KillOtherInstances();
  ASSERT_TRUE(ExitCleanly());

  std::string all;
  for (const std::string& l : run_.LogLines()) all += l + "\n";
  for (const std::string& secret : {uid, password, stored, std::string("97531")})
    EXPECT_EQ(all.find(secret), std::string::npos) << secret << " is in the log:\n" << all;
  EXPECT_NE(all.find("failed to load"), std::string::npos);
  const std::vector<Line> popup = Of(ParsedLog(run_), second);
  ASSERT_FALSE(popup.empty());
  EXPECT_EQ(popup.front().profile, "1");
  EXPECT_EQ(popup.front().text.rfind("start: lzgmin 1.0.0.0, profile 1, slot 1, home http://game.example/popup, ", 0),
            0u)
      << popup.front().text;
}

}  // namespace
