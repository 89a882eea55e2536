// Popups in a row against the real client, most with hostile addresses
// (blanks, quotes, engine switches, a command-shell switch, 8000 characters,
// nothing at all, no web address): the twenty with a web address or none start
// exactly twenty new instances, each with exactly one argument as the client and
// as a Windows runtime split it, each a game window in profile 1 with its own
// directories and size entries (profile 0 for the empty address); the others
// start nothing and are recorded. All instances end with their sub-processes,
// and the popup opener's USER, GDI and private bytes are back where they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tests/hardening/probe.h"
#include "tests/support/client_test.h"

namespace {

using e2e::ClientRun;
using e2e::TraceEvent;

constexpr long kUserMargin = 2;
constexpr long kGdiMargin = 4;
constexpr double kPrivateMarginMiB = 1.5;

struct Case {
  std::string address;  // what the page asks to open (UTF-8)
  std::string argument;  // the new instance's one argument; empty: started without one
  bool starts = true;    // false: no web address, so no instance at all
};

std::vector<Case> Cases() {
  const std::string longPath(8000 - 17, 'L');
  return {
      {"http://p.example/1", "http://p.example/1"},
      {"http://p.example/2?a=1&b=2#top", "http://p.example/2?a=1&b=2#top"},
      {"http://h.example/a b  c", "http://h.example/a%20b%20%20c"},
      {"http://h.example/\"q\" x", "http://h.example/%22q%22%20x"},
      {"\"\" http://h.example/after-an-empty-pair", "", false},
      {"http://h.example/\"\" http://h.example/after-an-empty-pair",
       "http://h.example/%22%22%20http://h.example/after-an-empty-pair"},
      {"--type=renderer", "", false},
      {"http://h.example/r --type=renderer", "http://h.example/r%20--type=renderer"},
      {"--type=gpu-process", "", false},
      {"http://h.example/g --type=gpu-process", "http://h.example/g%20--type=gpu-process"},
      {"--type=gpu-process --standin-parent=1", "", false},
      {"http://h.example/p --type=gpu-process --standin-parent=1",
       "http://h.example/p%20--type=gpu-process%20--standin-parent=1"},
      {"--renderer-cmd-prefix=calc", "", false},
      {"http://h.example/c --renderer-cmd-prefix=calc", "http://h.example/c%20--renderer-cmd-prefix=calc"},
      {"/c calc", "", false},
      {"http://h.example/ /c calc", "http://h.example/%20/c%20calc"},
      {"x\" --type=renderer \"y", "", false},
      {"http://h.example/x\" --type=renderer \"y", "http://h.example/x%22%20--type=renderer%20%22y"},
      {"\t--type=utility", "", false},
      {"http://h.example/\t--type=utility", "http://h.example/%09--type=utility"},
      {"-", "", false},
      {"http://h.example/-", "http://h.example/-"},
      {"file://host/share/x.html", "", false},
      {"\\\\host\\share\\x", "", false},
      {"http://h.example/" + longPath, "http://h.example/" + longPath},
      {"", ""},
      {"http://h.example/\xE4\xB8\xAD\xE6\x96\x87?\xE5\x90\x8D=\xE5\x80\xBC", "http://h.example/\xE4\xB8\xAD\xE6\x96\x87?\xE5\x90\x8D=\xE5\x80\xBC"},
      {"http://h.example/tab\there", "http://h.example/tab%09here"},
      {"http://h.example/back\\slash\\\" --type=renderer", "http://h.example/back\\slash\\%22%20--type=renderer"},
      {"http://p.example/19", "http://p.example/19"},
      {"http://p.example/20", "http://p.example/20"},
  };
}

std::set<DWORD> Instances(const ClientRun& run) {
  auto v = run.OtherInstances();
  return {v.begin(), v.end()};
}

// Instances (not in `except`) that have loaded their home address, by pid.
std::map<DWORD, std::string> LoadedHomes(const ClientRun& run, const std::set<DWORD>& except) {
  std::map<DWORD, std::string> out;
  for (auto& e : run.Trace())
    if (e.event == "load_url" && e.pid != run.Pid() && !except.count(e.pid) && !out.count(e.pid))
      out[e.pid] = e.Get("url");
  return out;
}

using Popups = e2e::ClientTest;

TEST_F(Popups, TwentyInARowHostileAddressesIncluded) {
  hardening::ProcessWatch processes(run_);
  ASSERT_TRUE(StartGame(L"[dump]\r\ndoUrl2=http://game.example/home\r\nistest=1\r\nWidth_0=1000\r\nHeight_0=720\r\n"
                        L"Width_1=800\r\nHeight_1=600\r\nSizeIndex_1=4\r\n"));

  // Warm-up: two popups, their instances ended.
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(run_.PageCommand(L"popup 3 1 http://warm.example/" + std::to_wstring(i)));
  ASSERT_TRUE(testutil::WaitUntil([&] { return LoadedHomes(run_, {}).size() == 2; }, 60000));
  const std::set<DWORD> warm = Instances(run_);
  ASSERT_EQ(warm.size(), 2u);
  processes.Update();
  for (DWORD pid : warm) testutil::Terminate(pid);
  const hardening::Resources before = (Sleep(1000), hardening::Measure(run_.Pid()));

  const std::vector<Case> cases = Cases();
  const size_t starting = std::count_if(cases.begin(), cases.end(), [](const Case& c) { return c.starts; });
  ASSERT_EQ(starting, 20u);
  for (size_t i = 0; i < cases.size(); ++i)
    ASSERT_TRUE(
        run_.PageCommand(L"popup " + std::to_wstring(3 + i % 4) + L" 1 " + testutil::FromUtf8(cases[i].address)));
  std::map<DWORD, std::string> homes;
  ASSERT_TRUE(testutil::WaitUntil(
      [&] {
        homes = LoadedHomes(run_, warm);
        return homes.size() >= starting;
      },
      150000))
      << homes.size() << " of " << starting << " new instances loaded their address";
  Sleep(1500);  // a surplus instance would show up now
  processes.Update();

  std::set<DWORD> started = Instances(run_);
  for (DWORD pid : warm) started.erase(pid);
  EXPECT_EQ(started.size(), starting) << "new instances";
  homes = LoadedHomes(run_, warm);
  EXPECT_EQ(homes.size(), starting);
  // Every popup stays cancelled, refused or not; each refusal is recorded once.
  int cancelled = 0;
  for (auto& e : run_.Events("on_before_popup")) cancelled += e.Get("result") == "1";
  EXPECT_EQ(cancelled, static_cast<int>(cases.size() + warm.size()));
  size_t notes = 0;
  for (auto& e : run_.Events("log")) notes += e.Get("message").find("New instance refused") != std::string::npos;
  EXPECT_EQ(notes, cases.size() - starting);

  // Which instance took which address: by its home (the empty address opens the configured one).
  std::map<std::string, DWORD> byHome;
  for (auto& [pid, url] : homes) byHome[url] = pid;
  const auto trace = run_.Trace();
  for (const Case& c : cases) {
    if (!c.starts) continue;
    SCOPED_TRACE(c.address.size() > 80 ? c.address.substr(0, 80) + "..." : c.address);
    const bool profile1 = !c.argument.empty();
    const std::string home = profile1 ? c.argument : "http://game.example/home";
    auto it = byHome.find(home);
    ASSERT_NE(it, byHome.end()) << "no instance opened " << home.substr(0, 80);
    const DWORD pid = it->second;

    const std::wstring cmd = hardening::CommandLineOf(pid);
    ASSERT_FALSE(cmd.empty()) << "command line of " << pid << " not readable";
    const auto args = hardening::ClientArguments(cmd);
    ASSERT_EQ(args.size(), profile1 ? 1u : 0u) << testutil::ToUtf8(cmd).substr(0, 200);
    if (profile1) {
      EXPECT_EQ(testutil::ToUtf8(args[0]), c.argument);
    }
    EXPECT_EQ(hardening::WindowsArgumentCount(cmd), profile1 ? 2 : 1) << testutil::ToUtf8(cmd).substr(0, 200);

    // A game window of its own, in its profile; never an engine sub-process.
    std::string cache, userData, cookies, executeType = "<none>";
    bool subprocess = false;
    for (auto& e : trace) {
      if (e.pid != pid) continue;
      if (e.event == "initialize") cache = e.Get("cache_path"), userData = e.Get("user_data_path");
      if (e.event == "cookie_set_storage_path") cookies = e.Get("path");
      if (e.event == "execute_process") executeType = e.Get("type");
      subprocess |= e.event == "subprocess_start";
    }
    EXPECT_FALSE(subprocess);
    EXPECT_EQ(executeType, "");
    const std::string dir = profile1 ? "/lzgmin3game/" : "/lzgmin/";
    EXPECT_NE(cache.find(dir + "cache"), std::string::npos) << cache;
    EXPECT_NE(userData.find(dir + "UserData"), std::string::npos) << userData;
    EXPECT_NE(cookies.find(dir + "cookies"), std::string::npos) << cookies;
    const auto windows = hardening::VisibleTopLevel({pid});
    ASSERT_EQ(windows.size(), 1u) << "visible windows of the new instance";
    EXPECT_EQ(windows[0].cls, L"LzgForm");
    const e2e::Geometry g = e2e::GeometryOf(windows[0].hwnd);
    EXPECT_EQ(g.clientW, profile1 ? 800 : 1000);
    EXPECT_EQ(g.clientH, profile1 ? 600 : 720);
  }

  // Every instance ends, and with it every sub-process it started (the opener's own go on).
  for (DWORD pid : started) testutil::Terminate(pid);
  const std::set<DWORD> openers = processes.SubProcessesOf(run_.Pid());
  EXPECT_EQ(openers.size(), 2u) << "the opener's GPU and renderer processes";
  EXPECT_GE(processes.SubProcesses().size(), openers.size() + 2 * (started.size() + warm.size()))
      << "each instance starts its own GPU and renderer processes";
  auto left = processes.StillRunning(10000, openers);
  EXPECT_TRUE(left.empty()) << left.size() << " process(es) still running";

  // The opener is unharmed and gave back what the twenty cost it.
  EXPECT_TRUE(run_.Running());
  EXPECT_TRUE(testutil::Answers(run_.Game()));
  EXPECT_FALSE(run_.DialogVisible());
  EXPECT_EQ(run_.Events("load_url").size(), 1u) << "the game page was reloaded";
  Sleep(700);
  const hardening::Resources after = hardening::Measure(run_.Pid());
  const auto hostile = std::count_if(cases.begin(), cases.end(),
                                     [](const Case& c) { return c.address.empty() || c.argument != c.address; });
  hardening::Figure("stress popups x" + std::to_string(started.size()) + " (" + std::to_string(hostile) +
                    " hostile addresses, " + std::to_string(cases.size() - starting) +
                    " refused): " + hardening::Describe(before, after));
  EXPECT_LE(std::labs(after.user - before.user), kUserMargin);
  EXPECT_LE(std::labs(after.gdi - before.gdi), kGdiMargin);
  EXPECT_LE(after.privateMiB - before.privateMiB, kPrivateMarginMiB);

  ASSERT_TRUE(ExitCleanly());
}

}  // namespace
