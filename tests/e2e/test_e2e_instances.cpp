// Several instances of the real client at once, on the stand-in that gives each storage folder to one browser
// process (a second one on it is a fault, which fails the run): every instance of a profile running at the same
// time gets folders of its own, a slot is free again once its instance has ended or was killed, and the
// profile's caches of earlier months go once the game has loaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "tests/support/client_test.h"
#include "tests/support/log_lines.h"
#include "tests/support/scoped_env.h"

namespace {

using e2e::ClientRun;

const wchar_t kConfig[] =
    L"[dump]\r\ndoUrl2=http://game.example/play\r\nistui=1\r\nWidth_0=800\r\nHeight_0=600\r\nWidth_1=800\r\n"
    L"Height_1=600\r\n";

// "yymm" of today: this month's cache.
std::string ThisMonth() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[8];
  snprintf(text, sizeof text, "%02u%02u", now.wYear % 100u, now.wMonth % 100u);
  return text;
}

std::string Temp() { return testutil::ToUtf8(testutil::GetEnv(L"TEMP").value_or(L"")); }

// The three folders an instance's engine was given (its initialise and its cookie store), and the slot its start
// line names.
struct Instance {
  std::string cache, user_data, cookies;
  int slot = 0;
};

class Instances : public e2e::ClientTest {
 protected:
  // A further instance beside the fixture's run, on the same account: the same TEMP (the test's) and APPDATA.
  testing::AssertionResult StartBeside(ClientRun& run, const std::wstring& args = L"") {
    run.WriteConfig(kConfig);
    if (!run.Start(args, {L"APPDATA=" + run_.AppData()})) return testing::AssertionFailure() << "not started";
    return testing::AssertionSuccess();
  }

  // What `run`'s instance uses, once its game page is there.
  Instance Of(const ClientRun& run) const {
    Instance i;
    const auto initialize = run.Events("initialize");
    const auto cookies = run.Events("cookie_set_storage_path");
    if (!initialize.empty()) {
      i.cache = initialize[0].Get("cache_path");
      i.user_data = initialize[0].Get("user_data_path");
    }
    if (!cookies.empty()) i.cookies = cookies[0].Get("path");
    for (const std::string& line : run_.LogLines()) {
      const std::vector<std::string> columns = logfile::Columns(line);
      const std::string start = "start: lzgmin 1.0.0.0, profile ";
      if (columns.size() != 6 || columns[1] != std::to_string(run.Pid()) || columns[5].rfind(start, 0) != 0) continue;
      const size_t at = columns[5].find(", slot ");
      if (at != std::string::npos) i.slot = std::atoi(columns[5].c_str() + at + 7);
    }
    return i;
  }

  // The folders of `profile`'s slot `slot`, as the instance must have them.
  void ExpectFolders(const ClientRun& run, int profile, int slot) const {
    SCOPED_TRACE(testing::Message() << "instance " << run.Pid() << ", profile " << profile << ", slot " << slot);
    const Instance i = Of(run);
    const std::string name = profile ? "/lzgmin3game" : "/lzgmin";
    const std::string suffix = slot >= 2 ? "-" + std::to_string(slot) : "";
    const std::string appdata = testutil::ToUtf8(run_.AppData());
    EXPECT_EQ(i.slot, slot);
    EXPECT_EQ(i.cache, Temp() + name + "/cache" + ThisMonth() + suffix);
    EXPECT_EQ(i.cookies, appdata + name + "/cookies" + suffix);
    EXPECT_EQ(i.user_data, appdata + name + "/UserData" + suffix);
  }
};

bool Loaded(ClientRun& run) { return run.WaitLoaded(90000); }

bool Ends(ClientRun& run) {
  if (!run.ExitThroughDialog()) return false;
  e2e::ExpectCleanEnd(run);
  return true;
}

TEST_F(Instances, TwoOfEachProfileAtOnceEachWithFoldersOfTheirOwn) {
  // Started together, as a player's second account and a game page's two popups do.
  ClientRun second, popup, second_popup;
  ASSERT_TRUE(StartClient(kConfig));
  ASSERT_TRUE(StartBeside(second));
  ASSERT_TRUE(StartBeside(popup, L"http://game.example/popup-one"));
  ASSERT_TRUE(StartBeside(second_popup, L"http://game.example/popup-two"));
  for (ClientRun* run : {&run_, &second, &popup, &second_popup}) ASSERT_TRUE(Loaded(*run)) << run->Pid();

  // Which of two instances started together is the first is theirs to settle; each has one slot's folders.
  std::map<DWORD, int> profile_of = {{run_.Pid(), 0}, {second.Pid(), 0}, {popup.Pid(), 1}, {second_popup.Pid(), 1}};
  std::set<std::pair<int, int>> slots;
  for (ClientRun* run : {&run_, &second, &popup, &second_popup}) {
    const int slot = Of(*run).slot;
    slots.insert({profile_of[run->Pid()], slot});
    ExpectFolders(*run, profile_of[run->Pid()], slot);
  }
  EXPECT_EQ(slots, (std::set<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 1}, {1, 2}}));

  // None of them lost a folder to another (the stand-in's fault check, in every run's end).
  for (ClientRun* run : {&second, &popup, &second_popup}) EXPECT_TRUE(Ends(*run)) << run->Pid();
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Instances, ASlotIsTakenAgainAfterItsInstanceEndsOrIsKilledAndFurtherOnesTakeTheNextNumbers) {
  ASSERT_TRUE(StartGame(kConfig));
  ExpectFolders(run_, 0, 1);
  // One at a time, so that the order is the slots'.
  ClientRun second, third, fourth;
  for (auto [run, slot] : {std::pair{&second, 2}, std::pair{&third, 3}, std::pair{&fourth, 4}}) {
    ASSERT_TRUE(StartBeside(*run));
    ASSERT_TRUE(Loaded(*run));
    ExpectFolders(*run, 0, slot);
  }

  // The second ends: the next instance takes its slot, not a fifth.
  ASSERT_TRUE(Ends(second));
  ClientRun after_end;
  ASSERT_TRUE(StartBeside(after_end));
  ASSERT_TRUE(Loaded(after_end));
  ExpectFolders(after_end, 0, 2);

  // The third is killed: no end of its own, and still its slot is free.
  testutil::Terminate(third.Pid());
  ASSERT_TRUE(third.WaitExit(10000));
  ClientRun after_kill;
  ASSERT_TRUE(StartBeside(after_kill));
  ASSERT_TRUE(Loaded(after_kill));
  ExpectFolders(after_kill, 0, 3);

  for (ClientRun* run : {&fourth, &after_end, &after_kill}) EXPECT_TRUE(Ends(*run)) << run->Pid();
  ASSERT_TRUE(ExitCleanly());
}

// Old caches in the profile's folder under TEMP, made by the test: earlier months' go once the game page has
// loaded, and not before; this month's and everything else stays.
class OldCaches : public e2e::ClientTest {
 protected:
  ~OldCaches() override { testutil::RemoveTree(folder_); }

  void Make(const std::wstring& name) {
    CreateDirectoryW((folder_ + L"\\" + name).c_str(), nullptr);
    testutil::WriteBytes(folder_ + L"\\" + name + L"\\data_0", "cache entry");
  }
  bool Has(const std::wstring& name) const { return testutil::Exists(folder_ + L"\\" + name); }

  const std::wstring folder_ = testutil::GetEnv(L"TEMP").value_or(L"") + L"\\lzgmin";
};

TEST_F(OldCaches, EarlierMonthsGoOnceTheGamePageHasLoaded) {
  const std::wstring this_month = L"cache" + testutil::FromUtf8(ThisMonth());
  ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  for (const std::wstring& name : {std::wstring(L"cache0001"), std::wstring(L"cache0001-2"), this_month,
                                   this_month + L"-2", std::wstring(L"cachefoo")})
    Make(name);

  // The game page waits for the cookie store: the browser's blank first page is there, the game is not.
  ASSERT_TRUE(StartClient(kConfig, L"", {L"STANDIN_COOKIE_DELAY_MS=4000"}));
  ASSERT_TRUE(run_.WaitEvents("on_load_end", 1, nullptr, 60000));
  Sleep(1000);
  if (run_.Events("load_url").empty()) {
    EXPECT_TRUE(Has(L"cache0001\\data_0")) << "an old cache went before the game page had loaded";
  }
  ASSERT_TRUE(run_.WaitLoaded(60000));
  EXPECT_TRUE(testutil::WaitUntil([&] { return !Has(L"cache0001") && !Has(L"cache0001-2"); }, 20000));
  for (const std::wstring& name : {this_month, this_month + L"-2", std::wstring(L"cachefoo")})
    EXPECT_TRUE(Has(name + L"\\data_0")) << testutil::ToUtf8(name);

  // One line each, from a thread of the instance's own, not its main thread.
  std::set<std::string> removed;
  for (const std::string& line : run_.LogLines()) {
    const std::vector<std::string> columns = logfile::Columns(line);
    if (columns.size() != 6 || columns[5].rfind("Old cache", 0) != 0) continue;
    EXPECT_EQ(columns[1], std::to_string(run_.Pid())) << line;
    EXPECT_EQ(columns[4], "other") << line;
    removed.insert(columns[5]);
  }
  EXPECT_EQ(removed, (std::set<std::string>{"Old cache removed: lzgmin\\cache0001",
                                            "Old cache removed: lzgmin\\cache0001-2"}));
  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
