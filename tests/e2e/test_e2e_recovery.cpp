// The real client under the engine stand-in bringing its game page back: after the renderer's end
// (at most three reloads in ten minutes) and after a load of the game that fails before anything arrives
// (the error page, then retries after 5 s, 15 s, ...), with the exit dialog open or chosen meanwhile.
#include <gtest/gtest.h>

#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;
using e2e::TraceEvent;

const char kGame[] = "http://game.example/play";
const char kUnreachable[] = "http://game.example/play?standin-neterror=-105";
const char kBrokenOff[] = "http://game.example/play?standin-neterror-after-commit=-324";
const char kErrorDocument[] = "chrome-error://chromewebdata/";

std::wstring Config(const std::string& url) {
  return L"[dump]\r\ndoUrl2=" + testutil::FromUtf8(url) +
         L"\r\nistui=1\r\nWidth_0=800\r\nHeight_0=600\r\nSizeIndex_0=4\r\ntitle_0=恢复测试\r\n";
}

void Dump(const ClientRun& run) {
  for (auto& e : run.Trace()) {
    std::string d;
    for (auto& [k, v] : e.fields) d += " " + k + "=" + v.substr(0, 80);
    printf("%.0f %lu %s%s\n", e.ms, e.pid, e.event.c_str(), d.c_str());
  }
}

bool IsDataPage(const TraceEvent& e) { return e.Get("url").rfind("data:text/html", 0) == 0; }

// The client's loads of `url` (its own calls), of the error page when `url` is empty.
std::vector<TraceEvent> Loads(const ClientRun& run, const std::string& url) {
  std::vector<TraceEvent> out;
  for (auto& e : run.Events("load_url"))
    if (url.empty() ? IsDataPage(e) : e.Get("url") == url) out.push_back(e);
  return out;
}

// The client's records sent to the engine's log that contain `text`.
std::vector<TraceEvent> Records(const ClientRun& run, const std::string& text) {
  std::vector<TraceEvent> out;
  for (auto& e : run.Events("log"))
    if (e.Get("message").find(text) != std::string::npos) out.push_back(e);
  return out;
}

bool MainLoadEndAfter(const ClientRun& run, double ms) {
  for (auto& e : run.Events("on_load_end"))
    if (e.Get("frame") == "main" && e.ms >= ms) return true;
  return false;
}

// Crashes the game page and waits until the home address has been asked for again and has loaded.
// The time from the engine's report to the client's new load of the home address, in ms.
double CrashAndWaitForReload(ClientRun& run, const wchar_t* command) {
  const size_t ends = run.Events("on_render_process_terminated").size();
  const size_t loads = Loads(run, kGame).size();
  EXPECT_TRUE(run.PageCommand(command));
  EXPECT_TRUE(run.WaitEvents("on_render_process_terminated", ends + 1));
  EXPECT_TRUE(testutil::WaitUntil([&] { return Loads(run, kGame).size() == loads + 1; }, 10000)) << "no reload";
  auto again = Loads(run, kGame);
  if (again.size() != loads + 1) return 1e9;
  const double gone = run.Events("on_render_process_terminated").back().ms;
  EXPECT_TRUE(testutil::WaitUntil([&] { return MainLoadEndAfter(run, again.back().ms); }));
  return again.back().ms - gone;
}

using Recovery = e2e::ClientTest;

TEST_F(Recovery, ACrashedGamePageComesBackAndTheWindowStillWorks) {
  ASSERT_TRUE(StartGame(Config(kGame)));
  const size_t renderers = run_.Events("subprocess_launch").size();

  const double delay = CrashAndWaitForReload(run_, L"crash");
  EXPECT_LT(delay, 2000) << "the home address came back too late";
  auto ended = run_.Events("on_render_process_terminated");
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].Get("status"), "2");
  EXPECT_EQ(ended[0].Get("code"), "c0000005");
  // A new renderer for the reloaded page.
  auto launched = run_.Events("subprocess_launch");
  ASSERT_EQ(launched.size(), renderers + 1);
  EXPECT_EQ(launched.back().Get("type"), "renderer");
  // Recorded for support, with the status.
  ASSERT_EQ(Records(run_, "renderer ended: status 2 (crashed)").size(), 1u);
  EXPECT_EQ(Records(run_, "Game page reloaded (renderer ended)").size(), 1u);

  // The window and the dialog work as before: stay, then exit.
  PostMessageW(run_.Game(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return !run_.DialogVisible(); }));
  EXPECT_TRUE(run_.Running());
  ASSERT_TRUE(ExitCleanly());
  EXPECT_EQ(Loads(run_, kGame).size(), 2u);
}

TEST_F(Recovery, FourCrashesGiveThreeReloadsThenTheTitleSaysWhy) {
  ASSERT_TRUE(StartGame(Config(kGame)));
  // The out-of-memory end is reported as a crash with the engine's OOM exit code; it counts the same.
  const wchar_t* commands[] = {L"crash", L"crash oom", L"crash"};
  for (const wchar_t* c : commands) CrashAndWaitForReload(run_, c);
  EXPECT_EQ(run_.Events("on_render_process_terminated")[1].Get("code"), "e0000008");
  ASSERT_EQ(Loads(run_, kGame).size(), 4u);

  ASSERT_TRUE(run_.PageCommand(L"crash"));
  ASSERT_TRUE(run_.WaitEvents("on_render_process_terminated", 4));
  ASSERT_TRUE(testutil::WaitUntil([&] { return !Records(run_, "no more").empty(); }, 5000));
  Sleep(2000);
  EXPECT_EQ(Loads(run_, kGame).size(), 4u) << "a fourth reload within ten minutes";
  EXPECT_EQ(Records(run_, "Game page reloaded").size(), 3u);
  RECT r{};
  GetWindowRect(run_.Game(), &r);
  e2e::SaveScreenshot(r, L"recovery_stopped");
  ASSERT_TRUE(ExitCleanly());
}

TEST_F(Recovery, ACrashWithTheExitDialogOpenWaitsForTheAnswer) {
  ASSERT_TRUE(StartGame(Config(kGame)));

  // Stay: the held reload goes ahead.
  PostMessageW(run_.Game(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.PageCommand(L"crash"));
  ASSERT_TRUE(run_.WaitEvents("on_render_process_terminated", 1));
  ASSERT_TRUE(testutil::WaitUntil([&] { return !Records(run_, "held while the exit dialog").empty(); }, 5000));
  EXPECT_EQ(Loads(run_, kGame).size(), 1u) << "reloaded behind the dialog";
  ASSERT_TRUE(run_.ClickStay());
  ASSERT_TRUE(testutil::WaitUntil([&] { return Loads(run_, kGame).size() == 2; }, 5000));
  ASSERT_TRUE(testutil::WaitUntil([&] { return MainLoadEndAfter(run_, Loads(run_, kGame).back().ms); }));

  // Exit: no reload at all.
  PostMessageW(run_.Game(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  ASSERT_TRUE(run_.PageCommand(L"crash"));
  ASSERT_TRUE(run_.WaitEvents("on_render_process_terminated", 2));
  ASSERT_TRUE(testutil::WaitUntil([&] { return Records(run_, "held while the exit dialog").size() == 2; }, 5000));
  ASSERT_TRUE(run_.ClickExit());
  // During the exit's wait for the browser, when the page is still there to be told: nothing follows.
  run_.PageCommand(L"crash");
  ASSERT_TRUE(run_.WaitExit());
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(Loads(run_, kGame).size(), 2u);
}

// A load of the game that fails: before anything arrived (the engine commits its error document, whose load end
// follows the failure) or after the response began and broke off (the load end carries the error).
struct Failure {
  const char* home;
  const char* error;
  const char* text;
  const char* end_url;     // the load end that follows the failure
  const char* end_status;
};

class FailedLoads : public e2e::ClientTest, public testing::WithParamInterface<Failure> {};

TEST_P(FailedLoads, ShowTheErrorPageAndRetryOnTimeUntilTheGameLoads) {
  const Failure f = GetParam();
  ASSERT_TRUE(StartClient(Config(f.home)));
  // The error page within 2 s of the failure.
  if (!testutil::WaitUntil([&] { return !Loads(run_, "").empty(); }, 40000)) Dump(run_);
  ASSERT_FALSE(Loads(run_, "").empty());
  auto errors = run_.Events("on_load_error");
  ASSERT_GE(errors.size(), 1u);
  EXPECT_EQ(errors[0].Get("error"), f.error);
  EXPECT_EQ(errors[0].Get("text"), f.text);
  EXPECT_LT(Loads(run_, "")[0].ms - errors[0].ms, 2000);
  // The engine's load end for the failed load itself came, and did not stand for the game's arrival.
  ASSERT_TRUE(testutil::WaitUntil([&] { return MainLoadEndAfter(run_, Loads(run_, "")[0].ms); }));
  bool failed_load_ended = false;
  for (auto& e : run_.Events("on_load_end"))
    failed_load_ended |= e.Get("frame") == "main" && e.Get("url") == f.end_url && e.Get("status") == f.end_status;
  EXPECT_TRUE(failed_load_ended) << "no load end for the failed load";
  Sleep(500);
  RECT r{};
  GetWindowRect(run_.Game(), &r);
  e2e::SaveScreenshot(r, L"recovery_error_page");

  // Retries: never before their time (5 s, then 15 s after the next failure), not much later either.
  const double wants[] = {5000, 15000};
  for (size_t i = 0; i < 2; ++i) {
    ASSERT_TRUE(testutil::WaitUntil([&] { return Loads(run_, f.home).size() == i + 2; }, 30000)) << "retry " << i;
    auto fails = run_.Events("on_load_error");
    ASSERT_GE(fails.size(), i + 1);
    const double waited = Loads(run_, f.home)[i + 1].ms - fails[i].ms;
    EXPECT_GE(waited, wants[i]) << "retry " << i + 1 << " early";
    EXPECT_LT(waited, wants[i] + 5000) << "retry " << i + 1 << " late";
    ASSERT_TRUE(run_.WaitEvents("on_load_error", i + 2));
  }
  const std::string record = std::string("Game page failed to load: error ") + f.error + " " + f.text;
  EXPECT_TRUE(testutil::WaitUntil([&] { return Records(run_, record).size() == 3; }, 5000));
  EXPECT_EQ(Records(run_, "Game page: retry").size(), 2u);

  // The game becomes reachable: it loads, and the retries stop.
  ASSERT_TRUE(run_.PageCommand(testutil::FromUtf8(std::string("navigate ") + kGame)));
  bool ok = testutil::WaitUntil(
      [&] {
        for (auto& e : run_.Events("on_before_browse"))
          if (e.Get("url") == kGame) return MainLoadEndAfter(run_, e.ms);
        return false;
      },
      30000);
  if (!ok) Dump(run_);
  ASSERT_TRUE(ok);
  if (run_.Events("on_load_error").size() != 3u) Dump(run_);
  EXPECT_EQ(run_.Events("on_load_error").size(), 3u);
  const size_t retries = Loads(run_, f.home).size();
  Sleep(1000);
  ASSERT_TRUE(ExitCleanly());
  EXPECT_EQ(Loads(run_, f.home).size(), retries);
}

INSTANTIATE_TEST_SUITE_P(Recovery, FailedLoads,
                         testing::Values(Failure{kUnreachable, "-105", "ERR_NAME_NOT_RESOLVED", kErrorDocument, "0"},
                                         Failure{kBrokenOff, "-324", "ERR_EMPTY_RESPONSE", kBrokenOff, "-324"}),
                         [](const testing::TestParamInfo<Failure>& info) {
                           return info.index == 0 ? std::string("BeforeCommit") : std::string("AfterCommit");
                         });

TEST_F(Recovery, ExitWithARetryPendingEndsCleanly) {
  ASSERT_TRUE(StartClient(Config(kUnreachable)));
  ASSERT_TRUE(testutil::WaitUntil([&] { return !Loads(run_, "").empty(); }, 40000));
  PostMessageW(run_.Game(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(testutil::WaitUntil([&] { return run_.DialogVisible(); }));
  const size_t loads = Loads(run_, kUnreachable).size();
  ASSERT_TRUE(run_.ClickExit());
  ASSERT_TRUE(run_.WaitExit());
  e2e::ExpectCleanEnd(run_);
  EXPECT_EQ(Loads(run_, kUnreachable).size(), loads) << "a retry after the dialog's exit";
}

TEST_F(Recovery, SubFrameAbortedAndPopupFailuresChangeNothing) {
  ASSERT_TRUE(StartGame(Config("http://game.example/play?standin-frames=2&standin-subframe-neterror=-105")));
  ASSERT_TRUE(run_.WaitEvents("on_load_error", 1));
  EXPECT_EQ(run_.Events("on_load_error")[0].Get("frame"), "f1");

  // A load replaced or cancelled.
  ASSERT_TRUE(run_.PageCommand(L"navigate http://game.example/play?standin-neterror=-3"));
  ASSERT_TRUE(run_.WaitEvents("on_load_error", 2));
  // An engine-opened popup browser whose load fails, then whose renderer ends.
  ASSERT_TRUE(run_.PageCommand(L"popup 1 0 http://game.example/p?standin-neterror=-102"));
  if (!run_.WaitEvents("on_load_error", 3)) Dump(run_);
  ASSERT_TRUE(run_.WaitEvents("on_load_error", 3));
  HWND popup = nullptr;
  ASSERT_TRUE(testutil::WaitUntil([&] {
    popup = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"StandinBrowserWindow", nullptr); w;
         w = FindWindowExW(nullptr, w, L"StandinBrowserWindow", nullptr)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == run_.Pid()) popup = w;
    }
    return popup != nullptr;
  }));
  ASSERT_TRUE(e2e::SendPageCommand(popup, L"crash"));
  ASSERT_TRUE(run_.WaitEvents("on_render_process_terminated", 1));
  Sleep(6000);  // past the first retry's time
  EXPECT_TRUE(Loads(run_, "").empty()) << "an error page for a failure that is not the game's";
  EXPECT_TRUE(Records(run_, "Game page").empty());
  EXPECT_EQ(run_.Events("load_url").size(), 1u);
  ASSERT_TRUE(e2e::SendPageCommand(popup, L"close"));
  ASSERT_TRUE(run_.WaitEvents("on_before_close", 1));
  ASSERT_TRUE(ExitCleanly());
}

// A link to another program (customer service, a messenger, mail) in the game page: the client refuses it before
// the engine hands it on, and the game stays as it was. In a sub-frame the engine's own failure stays there.
TEST_F(Recovery, ALinkToAnotherProgramLeavesTheGameAsItWas) {
  const std::string home = "http://game.example/play?standin-frames=2";
  ASSERT_TRUE(StartGame(Config(home)));
  const int main_loads = run_.Count("on_load_end", "frame", "main");
  const std::string link = "tencent://message/?uin=1";
  ASSERT_TRUE(run_.PageCommand(testutil::FromUtf8("navigate " + link)));
  ASSERT_TRUE(run_.WaitEvents("on_load_error", 1));
  auto browse = run_.Events("on_before_browse");
  ASSERT_FALSE(browse.empty());
  EXPECT_EQ(browse.back().Get("url"), link);
  EXPECT_EQ(browse.back().Get("frame"), "main");
  EXPECT_EQ(browse.back().Get("result"), "1");
  auto cancelled = run_.Events("on_load_error");
  EXPECT_EQ(cancelled[0].Get("error"), "-3");
  EXPECT_EQ(cancelled[0].Get("frame"), "main");
  EXPECT_TRUE(run_.Events("on_protocol_execution").empty()) << "handed to another program";
  // Recorded with the scheme and the address's length, not the address.
  ASSERT_TRUE(testutil::WaitUntil(
      [&] { return !Records(run_, "refused: address with scheme \"tencent\" (24 characters)").empty(); }, 5000));
  EXPECT_TRUE(Records(run_, "uin=1").empty());

  // The same link in a sub-frame: the engine's failure is that frame's.
  ASSERT_TRUE(run_.PageCommand(testutil::FromUtf8("navigateframe f1 " + link)));
  ASSERT_TRUE(run_.WaitEvents("on_protocol_execution", 1));
  EXPECT_EQ(run_.Events("on_protocol_execution")[0].Get("allow"), "0") << "another program started";
  ASSERT_TRUE(run_.WaitEvents("on_load_error", 2));
  auto failed = run_.Events("on_load_error")[1];
  EXPECT_EQ(failed.Get("frame"), "f1");
  EXPECT_EQ(failed.Get("error"), "-302");
  EXPECT_EQ(failed.Get("text"), "ERR_UNKNOWN_URL_SCHEME");

  Sleep(6000);  // past the first retry's time
  EXPECT_EQ(run_.Events("load_url").size(), 1u) << "an error page or a reload";
  EXPECT_EQ(run_.Count("on_load_end", "frame", "main"), main_loads) << "the game page was replaced";
  EXPECT_TRUE(Records(run_, "Game page").empty());
  RECT r{};
  GetWindowRect(run_.Game(), &r);
  e2e::SaveScreenshot(r, L"recovery_other_program_link");
  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
