// The browser host against the engine stand-in, in a test window. This executable is the browser process:
// main() makes the engine app and starts the engine with it (the stand-in runs its sub-processes from this same
// file), then runs the tests, which read the stand-in's trace and count live objects on both sides. The first
// test runs while the engine's context is still being initialised (STANDIN_CONTEXT_DELAY_MS).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/threads.h"
#include "browser/browser_host.h"
#include "browser/browser_parent.h"
#include "browser/client.h"
#include "browser/host_rules.h"
#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "engine/engine_app.h"
#include "tests/support/engine_process.h"
#include "tests/support/trace_reader.h"
#include "ui/forms.h"

namespace {

using lzg::BrowserHost;
using lzg::ProcessType;
using lzg::BrowserParent;
using Texts = std::vector<std::string>;

// This process's engine, made by main() before the tests run.
lzg::EngineApp* engine_app = nullptr;
lzg::EngineApp& Engine() { return *engine_app; }

std::wstring TracePath() { return testutil::SelfDir() + L"test_browser_host.trace"; }

std::string Utf8(const std::wstring& s) { return testutil::ToUtf8(s); }

// ---- the stand-in's trace ----

struct TraceLine : tracefile::Record {
  std::string operator[](const std::string& k) const { return Get(k); }
};

// The lines written by this process.
std::vector<TraceLine> ReadTrace() {
  std::vector<TraceLine> lines;
  for (auto& r : tracefile::Read(TracePath()))
    if (r.pid == GetCurrentProcessId()) lines.push_back(TraceLine{std::move(r)});
  return lines;
}

// Lines of `event` (and matching `key`=`value` when given) written after `from`.
std::vector<TraceLine> Events(size_t from, const std::string& event, const std::string& key = "",
                              const std::string& value = "") {
  auto all = ReadTrace();
  std::vector<TraceLine> out;
  for (size_t i = from; i < all.size(); ++i)
    if (all[i].event == event && (key.empty() || all[i][key] == value)) out.push_back(all[i]);
  return out;
}
size_t TraceSize() { return ReadTrace().size(); }

// ---- waiting with the main thread's messages flowing ----

// What is queued already is handled before the first look.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000) {
  ui::Application::ProcessMessages();
  return ui::Application::ProcessMessagesUntil(done, ms);
}

bool WaitForContext() { return PumpUntil([] { return Engine().GlobalContextInitialized(); }, 10000); }

long StandinLive() {
  using Fn = int (*)();
  static Fn fn = reinterpret_cast<Fn>(GetProcAddress(Engine().LibHandle(), "standin_live_objects"));
  return fn ? fn() : -1;
}

void SendPageCommand(HWND browser_window, const std::wstring& text) {
  COPYDATASTRUCT cds{0x53544E44, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                     const_cast<wchar_t*>(text.c_str())};
  SendMessageW(browser_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

// ---- an owner of a host ----

// What a host's owner heard and was asked, as "<what> <details>" with the thread it came on: reports (the
// delegate, main thread) and questions (the policy, engine UI thread). The policy's rules: popups to an address
// with "take" in it, modified clicks that ask for a background tab, 'P' before the page (and 'S' marked as a
// shortcut), 'K' after the page, and navigations to an address with "blocked" in it are taken.
class Owner final : public BrowserHost::Delegate, public BrowserHost::Policy {
 public:
  // Set once the host exists (null once it is gone): "ready" and "closed" tell whether it holds the main
  // thread's browser reference.
  void set_host(BrowserHost* host) { host_ = host; }
  // Runs when the page asked to close its browser.
  void set_on_close_requested(std::function<void()> on_close_requested) {
    on_close_requested_ = std::move(on_close_requested);
  }

  // ---- Delegate ----
  void OnBrowserReady() override { Report(std::string("ready") + (host_ && host_->Browser() ? " held" : "")); }
  void OnBrowserCloseRequested() override {
    Report("close_requested");
    if (on_close_requested_) on_close_requested_();
  }
  void OnBrowserClosed() override { Report(std::string("closed") + (host_ && host_->Browser() ? " held" : "")); }
  void OnLoadEnded(const BrowserHost::LoadEnd& load) override {
    Report("load_end " + Flags(load.own_browser, load.main_frame) + " " + Utf8(load.url) + " " +
           std::to_string(load.http_status));
  }
  void OnLoadFailed(const BrowserHost::LoadError& failure) override {
    Report("load_failed " + Flags(failure.own_browser, failure.main_frame) + " " +
           std::to_string(failure.error_code) + " " + Utf8(failure.failed_url));
  }
  void OnRendererEnded(bool own_browser, cef_termination_status_t status) override {
    Report("renderer_ended " + std::to_string(own_browser) + " " + std::to_string(status));
  }
  void OnNewWindowTaken(const std::wstring& target_url, cef_window_open_disposition_t disposition) override {
    Report("new_window " + Utf8(target_url) + " " + std::to_string(disposition));
  }
  void OnKeyTaken(UINT message, WPARAM wparam) override {
    Report("key_taken " + std::to_string(message) + " " + std::to_string(wparam));
  }
  void OnNavigationCancelled(const BrowserHost::Navigation& navigation) override {
    Report("navigation_cancelled " + Flags(navigation.own_browser, navigation.main_frame) + " " +
           Utf8(navigation.url));
  }

  // ---- Policy ----
  bool TakesPopup(const std::wstring& target_url, cef_window_open_disposition_t disposition) const override {
    Ask("popup " + Utf8(target_url) + " " + std::to_string(disposition));
    return target_url.find(L"take") != std::wstring::npos;
  }
  bool TakesModifiedClick(const std::wstring& target_url, cef_window_open_disposition_t disposition) const override {
    Ask("click " + Utf8(target_url) + " " + std::to_string(disposition));
    return disposition == WOD_NEW_BACKGROUND_TAB;
  }
  lzg::PreKeyAnswer BeforeKey(const cef_key_event_t& event, const MSG* os_event, bool is_shortcut) const override {
    Ask("pre_key " + std::to_string(event.windows_key_code) + " " + std::to_string(event.type) + " " +
        std::to_string(os_event ? os_event->message : 0));
    return lzg::PreKeyAnswer{event.windows_key_code == 'P', is_shortcut || event.windows_key_code == 'S'};
  }
  bool TakesKey(const cef_key_event_t& event, const MSG*) const override {
    Ask("key " + std::to_string(event.windows_key_code) + " " + std::to_string(event.type));
    return event.windows_key_code == 'K';
  }
  bool CancelsNavigation(const BrowserHost::Navigation& navigation) const override {
    Ask("navigate " + Flags(navigation.own_browser, navigation.main_frame) + " " + Utf8(navigation.url) + " " +
        std::to_string(navigation.user_gesture));
    return navigation.url.find(L"blocked") != std::wstring::npos;
  }

  // Everything heard and asked whose text starts with `prefix`, in order.
  Texts Seen(const std::string& prefix = "") const {
    std::lock_guard<std::mutex> l(mu_);
    Texts out;
    for (const Note& n : notes_)
      if (n.text.rfind(prefix, 0) == 0) out.push_back(n.text);
    return out;
  }
  int Count(const std::string& prefix) const { return static_cast<int>(Seen(prefix).size()); }
  // Reports that came off the main thread and questions that came off the engine's UI thread.
  Texts Misplaced() const {
    std::lock_guard<std::mutex> l(mu_);
    Texts out;
    for (const Note& n : notes_) {
      const bool right = n.report ? n.thread == lzg::threads::Main()
                                  : n.thread == lzg::threads::EngineUi() && n.thread != lzg::threads::Main();
      if (!right) out.push_back(n.text);
    }
    return out;
  }

 private:
  struct Note {
    std::string text;
    bool report;
    DWORD thread;
  };
  static std::string Flags(bool own_browser, bool main_frame) {
    return std::to_string(own_browser) + std::to_string(main_frame);
  }
  void Report(std::string text) { Add(Note{std::move(text), true, GetCurrentThreadId()}); }
  void Ask(std::string text) const { Add(Note{std::move(text), false, GetCurrentThreadId()}); }
  void Add(Note note) const {
    std::lock_guard<std::mutex> l(mu_);
    notes_.push_back(std::move(note));
  }

  BrowserHost* host_ = nullptr;
  std::function<void()> on_close_requested_;
  mutable std::mutex mu_;
  mutable std::vector<Note> notes_;
};

// A test window with a browser parent filling it, and a host whose owner destroys the parent when the page asks
// to close (as the game window does).
struct Rig {
  Owner owner;
  ui::Form* form;
  BrowserParent* parent;
  std::unique_ptr<BrowserHost> host;
  bool free_parent_on_close_request = true;

  Rig() {
    form = new ui::Form(nullptr);
    form->SetBounds(50, 50, 500, 350);
    parent = new BrowserParent(form, form);
    parent->SetAlign(ui::Align::kClient);
    host = std::make_unique<BrowserHost>(Engine(), &owner, &owner);
    owner.set_host(host.get());
    owner.set_on_close_requested([this] {
      if (free_parent_on_close_request) FreeParent();
    });
    form->Show();
  }
  // Whatever the test did: every report came on the main thread and every question on the engine's UI thread.
  ~Rig() {
    EXPECT_EQ(owner.Misplaced(), Texts{});
    // The host first: a browser still open then ends with its parent, detached.
    host.reset();
    owner.set_host(nullptr);
    if (form) form->Free();
  }
  void FreeParent() {
    if (!parent) return;
    parent->Free();
    parent = nullptr;
  }
  bool CreateAndWait() {
    if (!host->CreateBrowser(parent)) return false;
    return PumpUntil([&] { return owner.Count("ready") > 0 && host->Initialized(); });
  }
  HWND BrowserWindow() { return parent && parent->HandleAllocated() ? parent->GetChildWindowHandle() : nullptr; }
  // The page closes itself: the host waits, and the owner destroys the parent, which ends the browser.
  void CloseThroughPage() {
    const int closed = owner.Count("closed");
    SendPageCommand(BrowserWindow(), L"close");
    ASSERT_TRUE(PumpUntil([&] { return owner.Count("closed") > closed && host->BrowserId() == 0; }));
    EXPECT_EQ(parent, nullptr);
    EXPECT_TRUE(host->IsClosing());
  }
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_app);
    our_base_ = lzg::LiveBridgedObjects();
    engine_base_ = StandinLive();
    trace_from_ = TraceSize();
  }
  // Everything of a host is gone on both sides once its browser closed and the host is destroyed.
  void ExpectBalanced() {
    EXPECT_TRUE(PumpUntil([&] { return lzg::LiveBridgedObjects() == our_base_ && StandinLive() == engine_base_; }))
        << "ours " << lzg::LiveBridgedObjects() << " (was " << our_base_ << "), engine " << StandinLive() << " (was "
        << engine_base_ << ")";
  }
  long our_base_ = 0, engine_base_ = 0;
  size_t trace_from_ = 0;
};

// The first test: the engine's context is not ready yet.
class HostBeforeContext : public HostTest {};

// Hosts once the engine's context is ready.
class Host : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_TRUE(WaitForContext());
  }
};

}  // namespace

// ---- host state table, creation, preferences, sizing ---------------------------------

TEST_F(HostBeforeContext, CreatesOnlyFromEmptyAndOnlyOnceTheContextIsReady) {
  ASSERT_FALSE(Engine().GlobalContextInitialized()) << "the engine was started with a context delay";
  Rig rig;
  EXPECT_FALSE(rig.host->CreateBrowser(rig.parent));
  EXPECT_FALSE(rig.host->HasClient());  // nothing changed: a later call may succeed
  ASSERT_TRUE(WaitForContext());
  EXPECT_TRUE(Events(trace_from_, "create_browser").empty());
  // Counted now that the engine's start-up work is done; from the first browser on, the engine's preference
  // store keeps a copy of the proxy dictionary for good.
  engine_base_ = StandinLive() + 1;

  rig.host->LoadUrl(L"https://early.example/");  // before the browser: not queued
  ASSERT_TRUE(rig.host->CreateBrowser(rig.parent));
  EXPECT_TRUE(rig.host->HasClient());  // requested
  EXPECT_FALSE(rig.host->Initialized());
  EXPECT_FALSE(rig.host->CreateBrowser(rig.parent));  // a second request while the first is pending
  ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("ready") > 0 && rig.host->Initialized(); }));
  // Reported once, on the main thread (~Rig), with the main thread's browser reference already held.
  EXPECT_EQ(rig.owner.Seen("ready"), Texts{"ready held"});
  int id = rig.host->BrowserId();
  EXPECT_NE(id, 0);
  EXPECT_EQ(lzg::BrowserIdOf(rig.host->Browser()), id);
  EXPECT_FALSE(rig.host->CreateBrowser(rig.parent));  // live

  auto creates = Events(trace_from_, "create_browser");
  ASSERT_EQ(creates.size(), 1u);
  const TraceLine& c = creates[0];
  RECT rc;
  GetClientRect(rig.parent->Handle(), &rc);
  char parent_hex[32];
  snprintf(parent_hex, sizeof parent_hex, "%x",
           static_cast<unsigned>(reinterpret_cast<uintptr_t>(rig.parent->Handle())));
  EXPECT_EQ(c["style"], "56010000");
  EXPECT_EQ(c["x"], "0");
  EXPECT_EQ(c["y"], "0");
  EXPECT_EQ(c["width"], std::to_string(rc.right));
  EXPECT_EQ(c["height"], std::to_string(rc.bottom));
  EXPECT_EQ(c["url"], "about:blank");
  EXPECT_EQ(c["sync"], "0");
  EXPECT_NE(c["parent"].find(parent_hex), std::string::npos) << c["parent"] << " vs " << parent_hex;
  EXPECT_TRUE(Events(trace_from_, "load_url").empty());

  // The browser window: the parent's first child, at its client rectangle.
  HWND bw = rig.BrowserWindow();
  ASSERT_TRUE(bw);
  EXPECT_EQ(GetWindow(rig.parent->Handle(), GW_CHILD), bw);
  RECT br;
  GetWindowRect(bw, &br);
  MapWindowPoints(HWND_DESKTOP, rig.parent->Handle(), reinterpret_cast<POINT*>(&br), 2);
  EXPECT_EQ(br.left, 0);
  EXPECT_EQ(br.top, 0);
  EXPECT_EQ(br.right, rc.right);
  EXPECT_EQ(br.bottom, rc.bottom);

  // A resize of the window follows through the fill alignment to the browser window.
  struct Size {
    int w, h;
  } sizes[] = {{640, 400}, {333, 222}};
  for (auto s : sizes) {
    rig.form->SetClientWidth(s.w);
    rig.form->SetClientHeight(s.h);
    GetWindowRect(bw, &br);
    MapWindowPoints(HWND_DESKTOP, rig.parent->Handle(), reinterpret_cast<POINT*>(&br), 2);
    EXPECT_EQ(br.left, 0);
    EXPECT_EQ(br.top, 0);
    EXPECT_EQ(br.right - br.left, s.w);
    EXPECT_EQ(br.bottom - br.top, s.h);
  }

  // The eight preferences, in order, for this browser.
  const std::vector<std::pair<std::string, std::string>> prefs = {
      {"proxy", "{\"mode\":\"direct\"}"},
      {"enable_do_not_track", "true"},
      {"enable_referrers", "true"},
      {"enable_a_ping", "false"},
      {"plugins.run_all_flash_in_allow_mode", "false"},
      {"plugins.allow_outdated", "false"},
      {"plugins.always_authorize", "false"},
      {"browser.enable_spellchecking", "true"}};
  // Written on the engine's UI thread as the browser is created, while the main thread may hear of it already.
  ASSERT_TRUE(PumpUntil([&] { return Events(trace_from_, "set_preference", "id", std::to_string(id)).size() >= 8; }));
  auto written = Events(trace_from_, "set_preference", "id", std::to_string(id));
  ASSERT_EQ(written.size(), prefs.size());
  for (size_t i = 0; i < prefs.size(); ++i) {
    EXPECT_EQ(written[i]["name"], prefs[i].first);
    EXPECT_EQ(written[i]["value"], prefs[i].second);
    EXPECT_EQ(written[i]["result"], "1");
  }

  // Operations of a live browser reach it.
  size_t mark = TraceSize();
  rig.host->SetFocus(true);
  rig.host->NotifyMoveOrResizeStarted();
  rig.host->LoadUrl(L"https://game.example/home");
  auto focus = Events(mark, "set_focus", "id", std::to_string(id));
  ASSERT_EQ(focus.size(), 1u);
  EXPECT_EQ(focus[0]["focus"], "1");
  EXPECT_EQ(Events(mark, "notify_move_or_resize_started", "id", std::to_string(id)).size(), 1u);
  auto loads = Events(mark, "load_url", "id", std::to_string(id));
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0]["frame"], "main");
  EXPECT_EQ(loads[0]["url"], "https://game.example/home");

  rig.CloseThroughPage();
  EXPECT_FALSE(rig.host->CreateBrowser(HWND(nullptr), RECT{}));  // closed: one browser per host
  rig.host.reset();
  rig.form->Free();
  rig.form = nullptr;
  ExpectBalanced();
}

TEST_F(Host, RefusedRequestLeavesTheHostRefusingForGood) {
  {
    Rig rig;
    SetEnvironmentVariableW(L"STANDIN_REFUSE_CREATE", L"1");
    EXPECT_FALSE(rig.host->CreateBrowser(rig.parent));
    SetEnvironmentVariableW(L"STANDIN_REFUSE_CREATE", nullptr);
    EXPECT_TRUE(rig.host->HasClient());
    EXPECT_FALSE(rig.host->CreateBrowser(rig.parent));
    auto creates = Events(trace_from_, "create_browser");
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(creates[0]["result"], "0");
  }
  ExpectBalanced();
}

TEST_F(Host, FailingPreferenceIsLoggedAndTheNextOneStillWritten) {
  {
    Rig rig;
    SetEnvironmentVariableW(L"STANDIN_FAIL_PREF", L"enable_referrers");
    ASSERT_TRUE(rig.CreateAndWait());
    std::string id = std::to_string(rig.host->BrowserId());
    // The preferences are written on the engine's UI thread, maybe after the main thread heard of the browser.
    EXPECT_TRUE(PumpUntil([&] { return Events(trace_from_, "set_preference", "id", id).size() >= 8; }));
    SetEnvironmentVariableW(L"STANDIN_FAIL_PREF", nullptr);
    auto written = Events(trace_from_, "set_preference", "id", id);
    ASSERT_EQ(written.size(), 8u);
    EXPECT_EQ(written[2]["name"], "enable_referrers");
    EXPECT_EQ(written[2]["result"], "0");
    EXPECT_EQ(written[3]["name"], "enable_a_ping");
    EXPECT_EQ(written[3]["result"], "1");
    auto logs = Events(trace_from_, "log");
    bool found = false;
    for (auto& l : logs)
      found = found || l["message"] ==
                           "TChromium.UpdatePreference error : 'Preference ''enable_referrers'' is managed and cannot "
                           "be changed'";
    EXPECT_TRUE(found) << logs.size() << " log lines";
    rig.CloseThroughPage();
  }
  ExpectBalanced();
}

// ---- what the engine asks and reports ------------------------------------------------

// The policy decides each popup from its address and disposition; the client slot is left as the engine
// proposed it whatever the answer. A popup let through is served by the host's client (its preferences written,
// its load ends reported as another browser's) and closes the engine's way, leaving the host's own browser be.
TEST_F(Host, PopupsAskThePolicyAndKeepTheProposedClient) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    const int host_id = rig.host->BrowserId();
    const size_t from = TraceSize();
    struct Case {
      int disposition, gesture;
      std::wstring url;
      bool taken;
    } cases[] = {
        {3, 1, L"https://p.example/take", true},          {4, 0, L"https://p.example/open-a", false},
        {5, 1, L"https://p.example/open-b", false},       {6, 0, L"https://p.example/open-c", false},
        {1, 1, L"https://p.example/take-current", true},  {9, 0, L"https://p.example/take-ignore", true},
    };
    size_t opened = 0;
    for (const auto& c : cases) {
      const std::string url = Utf8(c.url), disposition = std::to_string(c.disposition);
      const size_t mark = TraceSize();
      const int asked = rig.owner.Count("popup ");
      SendPageCommand(rig.BrowserWindow(), L"popup " + std::to_wstring(c.disposition) + L" " +
                                               std::to_wstring(c.gesture) + L" " + c.url);
      ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "on_before_popup").empty(); })) << url;
      auto t = Events(mark, "on_before_popup")[0];
      EXPECT_EQ(t["result"], c.taken ? "1" : "0") << url;
      EXPECT_EQ(t["client"], "kept") << url;
      EXPECT_EQ(t["disposition"], disposition);
      ASSERT_EQ(rig.owner.Count("popup "), asked + 1) << url;
      EXPECT_EQ(rig.owner.Seen("popup ").back(), "popup " + url + " " + disposition);
      if (c.taken) {
        EXPECT_TRUE(PumpUntil([&] { return rig.owner.Count("new_window " + url + " " + disposition) == 1; })) << url;
        continue;
      }
      ++opened;
      ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "popup_created").empty(); })) << url;
      const std::string pid = Events(mark, "popup_created")[0]["id"];
      HWND pw = nullptr;  // popups are top-level windows; the host's browser is a child
      ASSERT_TRUE(PumpUntil([&] { return (pw = FindWindowW(L"StandinBrowserWindow", nullptr)) != nullptr; }));
      EXPECT_TRUE(PumpUntil([&] { return rig.host->OtherBrowserCount() == 1; })) << url;
      EXPECT_TRUE(PumpUntil([&] { return Events(mark, "set_preference", "id", pid).size() == 8u; })) << url;
      EXPECT_TRUE(PumpUntil([&] { return rig.owner.Count("load_end 01 " + url + " 200") == 1; })) << url;
      EXPECT_EQ(rig.host->BrowserId(), host_id);

      const int close_requests = rig.owner.Count("close_requested"), closes = rig.owner.Count("closed");
      SendPageCommand(pw, L"close");
      ASSERT_TRUE(PumpUntil([&] { return !IsWindow(pw); })) << url;
      EXPECT_TRUE(PumpUntil([&] { return rig.host->OtherBrowserCount() == 0; })) << url;
      // The host answered "close" for the popup and stays as it was.
      auto do_close = Events(mark, "do_close", "id", pid);
      ASSERT_EQ(do_close.size(), 1u);
      EXPECT_EQ(do_close[0]["result"], "0");
      EXPECT_FALSE(rig.host->IsClosing());
      EXPECT_TRUE(rig.host->Initialized());
      EXPECT_EQ(rig.host->BrowserId(), host_id);
      EXPECT_EQ(rig.owner.Count("close_requested"), close_requests);
      EXPECT_EQ(rig.owner.Count("closed"), closes);
    }
    EXPECT_EQ(Events(from, "popup_created").size(), opened);
    EXPECT_EQ(rig.owner.Count("new_window"), 3);
    rig.CloseThroughPage();
    // The engine's reference to the client was the last one: no popup slot kept one of its own.
    ASSERT_TRUE(PumpUntil([&] { return !Events(from, "client_released", "id", std::to_string(host_id)).empty(); }));
    EXPECT_EQ(Events(from, "client_released", "id", std::to_string(host_id))[0]["held_elsewhere"], "0");
  }
  ExpectBalanced();
}

TEST_F(Host, KeysLoadEndsAndTheHostsOwnClose) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    const std::string id = std::to_string(rig.host->BrowserId());
    HWND bw = rig.BrowserWindow();

    // Keys: the policy's pre-key answer and shortcut flag go back to the engine, then its key answer.
    struct KeyCase {
      WPARAM vk;
      const char* pre_result;
      const char* shortcut;
      bool post;  // on_key_event follows
    } keys[] = {{'P', "1", "0", false}, {'S', "0", "1", true}, {'A', "0", "0", true}, {'K', "0", "0", true}};
    for (auto k : keys) {
      size_t mark = TraceSize();
      PostMessageW(bw, WM_KEYDOWN, k.vk, 0);
      ASSERT_TRUE(PumpUntil([&] {
        return !Events(mark, "key_event", "stage", "pre").empty() &&
               (!k.post || !Events(mark, "key_event", "stage", "post").empty());
      }));
      auto pre = Events(mark, "key_event", "stage", "pre")[0];
      EXPECT_EQ(pre["code"], std::to_string(k.vk));
      EXPECT_EQ(pre["result"], k.pre_result);
      EXPECT_EQ(pre["shortcut"], k.shortcut);
      if (k.post) {
        EXPECT_EQ(Events(mark, "key_event", "stage", "post")[0]["result"], k.vk == 'K' ? "1" : "0");
      }
    }
    EXPECT_EQ(rig.owner.Count("pre_key 80 0 256"), 1);  // 'P', raw key down, with its WM_KEYDOWN
    EXPECT_EQ(rig.owner.Count("key 80 "), 0);           // handled before the page
    EXPECT_EQ(rig.owner.Count("key 75 0"), 1);          // 'K' asked after the page
    EXPECT_TRUE(PumpUntil([&] { return rig.owner.Count("key_taken") == 1; }));
    EXPECT_EQ(rig.owner.Seen("key_taken"), Texts{"key_taken 256 75"});

    // Load ends: one per frame, sub-frames included (without an address), every status.
    rig.host->LoadUrl(L"https://game.example/?standin-frames=2&standin-status=404");
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("load_end ") == 4; }));
    const Texts expected = {"load_end 11 about:blank 200",  // the first page
                            "load_end 11 https://game.example/?standin-frames=2&standin-status=404 404",
                            "load_end 10  200", "load_end 10  200"};
    EXPECT_EQ(rig.owner.Seen("load_end "), expected);
    size_t mark = TraceSize();
    rig.host->LoadUrl(L"https://game.example/sub", L"f1");
    rig.host->LoadUrl(L"https://game.example/nowhere", L"no-such-frame");
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("load_end ") == 5; }));
    EXPECT_EQ(rig.owner.Seen("load_end ").back(), "load_end 10  200");
    auto loads = Events(mark, "load_url", "id", id);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0]["frame"], "f1");

    // Keep the client and the browser to call them late.
    cef_browser_t* browser = rig.host->Browser();
    ASSERT_TRUE(browser);
    lzg::AddRefCefObject(browser);
    lzg::CefRef<cef_browser_host_t> engine_host(browser->get_host(browser));
    lzg::CefRef<cef_client_t> client(engine_host->get_client(engine_host.get()));
    engine_host.reset();
    ASSERT_TRUE(client);

    // The page asks to close: the host answers "wait" and stops at once, before the browser has gone; the owner
    // hears of it and destroys the parent when it likes.
    rig.free_parent_on_close_request = false;
    mark = TraceSize();
    SendPageCommand(bw, L"close");
    ASSERT_TRUE(PumpUntil([&] { return rig.host->IsClosing(); }));
    EXPECT_FALSE(rig.host->Initialized());
    rig.host->LoadUrl(L"https://game.example/late");
    rig.host->SetFocus(true);
    rig.host->NotifyMoveOrResizeStarted();
    EXPECT_TRUE(Events(mark, "load_url").empty());
    EXPECT_TRUE(Events(mark, "set_focus").empty());
    EXPECT_TRUE(Events(mark, "notify_move_or_resize_started").empty());
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("close_requested") == 1; }));
    auto do_close = Events(mark, "do_close", "id", id);
    ASSERT_EQ(do_close.size(), 1u);
    EXPECT_EQ(do_close[0]["result"], "1");
    EXPECT_TRUE(IsWindow(bw));
    rig.FreeParent();
    // The browser's window goes with its parent (its own thread destroys it).
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(bw); }));
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("closed") == 1; }));
    EXPECT_EQ(rig.owner.Seen("closed"), Texts{"closed"});
    EXPECT_EQ(rig.host->BrowserId(), 0);
    EXPECT_FALSE(rig.host->HasClient());
    EXPECT_TRUE(rig.host->IsClosing());

    // Late callbacks after the close reach nothing and get the defaults.
    const size_t before = rig.owner.Seen().size();
    lzg::CefRef<cef_load_handler_t> lh(client->get_load_handler(client.get()));
    lzg::CefRef<cef_life_span_handler_t> ls(client->get_life_span_handler(client.get()));
    lzg::CefRef<cef_keyboard_handler_t> kh(client->get_keyboard_handler(client.get()));
    lzg::CefRef<cef_request_handler_t> rh(client->get_request_handler(client.get()));
    ASSERT_TRUE(lh && ls && kh && rh);
    auto give = [&] {
      lzg::AddRefCefObject(browser);
      return browser;
    };
    lh->on_load_end(lh.get(), give(), nullptr, 200);
    lh->on_load_error(lh.get(), give(), nullptr, ERR_ABORTED, nullptr, nullptr);
    EXPECT_EQ(ls->do_close(ls.get(), give()), 0);
    ls->on_before_close(ls.get(), give());
    cef_key_event_t ev{};
    ev.windows_key_code = 'P';
    int shortcut = 1;
    EXPECT_EQ(kh->on_pre_key_event(kh.get(), give(), &ev, nullptr, &shortcut), 0);
    EXPECT_EQ(shortcut, 1);
    ev.windows_key_code = 'K';
    EXPECT_EQ(kh->on_key_event(kh.get(), give(), &ev, nullptr), 0);
    const std::wstring blocked = L"https://game.example/blocked";
    cef_string_t blocked_url = lzg::CefStringView(blocked);
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), give(), nullptr, &blocked_url, WOD_NEW_BACKGROUND_TAB, 1), 0);
    EXPECT_EQ(rh->on_before_browse(rh.get(), give(), nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(rh->can_get_cookies(rh.get(), give(), nullptr, nullptr), 1);
    rh->on_render_process_terminated(rh.get(), give(), TS_PROCESS_CRASHED);
    ui::Application::ProcessMessages();
    EXPECT_EQ(rig.owner.Seen().size(), before);
    lh.reset();
    ls.reset();
    kh.reset();
    rh.reset();
    client.reset();
    lzg::ReleaseCefObject(browser);
  }
  ExpectBalanced();
}

// The delegate hears on the main thread only, with values that outlive the engine's call: its own browser's life
// span, load ends and failures, a renderer's end, and what a decision took.
TEST_F(Host, ReportsComeOnTheMainThreadWithValues) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    EXPECT_EQ(rig.owner.Seen("ready"), Texts{"ready held"});

    rig.host->LoadUrl(L"https://game.example/?standin-frames=1");
    ASSERT_TRUE(PumpUntil([&] {
      return rig.owner.Count("load_end 10 ") == 1 && rig.owner.Count("load_end 11 https://game.example") == 1;
    }));
    EXPECT_EQ(rig.owner.Count("load_end 10  200"), 1) << "a sub-frame's end carries no address";
    EXPECT_EQ(rig.owner.Count("load_end 11 https://game.example/?standin-frames=1 200"), 1);

    // Navigations the policy cancels, in the main frame or a sub-frame, do not load: the owner hears of each
    // cancel, and the engine reports each frame's load as aborted (-3), and nothing else.
    size_t mark = TraceSize();
    rig.host->LoadUrl(L"https://game.example/blocked");
    rig.host->LoadUrl(L"https://game.example/blocked-sub", L"f1");
    ASSERT_TRUE(PumpUntil([&] { return Events(mark, "on_before_browse").size() == 2; }));
    for (const auto& b : Events(mark, "on_before_browse")) EXPECT_EQ(b["result"], "1") << b["url"];
    EXPECT_EQ(rig.owner.Count("navigate 11 https://game.example/blocked 0"), 1);
    EXPECT_EQ(rig.owner.Count("navigate 10 https://game.example/blocked-sub 0"), 1);
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("load_failed") == 2; }));
    EXPECT_EQ(rig.owner.Seen("navigation_cancelled"),
              (Texts{"navigation_cancelled 11 https://game.example/blocked",
                     "navigation_cancelled 10 https://game.example/blocked-sub"}));
    EXPECT_EQ(rig.owner.Count("load_failed 11 -3 https://game.example/blocked"), 1);
    EXPECT_EQ(rig.owner.Count("load_failed 10 -3 https://game.example/blocked-sub"), 1);
    EXPECT_TRUE(Events(mark, "on_load_start").empty());
    EXPECT_TRUE(Events(mark, "on_load_end").empty());

    rig.host->LoadUrl(L"http://game.example/down?standin-neterror=-106");
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("load_failed") == 3; }));
    EXPECT_EQ(rig.owner.Count("load_failed 11 -106 http://game.example/down?standin-neterror=-106"), 1);
    // The engine's error document commits in the frame: a load end with its address and status 0.
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("load_end 11 chrome-error://chromewebdata/ 0") == 1; }));

    HWND bw = rig.BrowserWindow();
    PostMessageW(bw, WM_KEYDOWN, 'K', 0);  // the policy takes 'K'
    PostMessageW(bw, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("key_taken") == 1 && rig.owner.Count("key 65") == 1; }));
    EXPECT_EQ(rig.owner.Count("key_taken 256 75"), 1);

    SendPageCommand(bw, L"openurl 4 1 https://other.example/x");
    SendPageCommand(bw, L"openurl 1 1 https://other.example/y");  // answered false: loaded in place, not taken
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("new_window") == 1 && rig.owner.Count("click ") == 2; }));
    EXPECT_EQ(rig.owner.Count("new_window https://other.example/x 4"), 1);

    SendPageCommand(bw, L"crash");
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("renderer_ended") == 1; }));
    EXPECT_EQ(rig.owner.Count("renderer_ended 1 " + std::to_string(TS_PROCESS_CRASHED)), 1);

    mark = TraceSize();
    SendPageCommand(bw, L"close");
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("closed") == 1; }));
    ASSERT_FALSE(Events(mark, "do_close").empty());
    EXPECT_EQ(Events(mark, "do_close")[0]["result"], "1") << "the host did not make its own browser's close wait";
    EXPECT_EQ(rig.owner.Count("close_requested"), 1);
    EXPECT_EQ(rig.owner.Count("closed held"), 0) << "the main thread's reference outlived the close";
    EXPECT_EQ(rig.owner.Misplaced(), Texts{}) << "a report came off the main thread or a question off the engine's";
  }
  ExpectBalanced();
}

TEST_F(Host, DestroyedParentEndsTheBrowserAndTheHostForgetsIt) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    size_t mark = TraceSize();
    rig.FreeParent();
    ASSERT_TRUE(PumpUntil([&] { return rig.owner.Count("closed") == 1; }));
    EXPECT_TRUE(Events(mark, "do_close").empty());  // nobody asked the host to close
    EXPECT_EQ(rig.owner.Count("close_requested"), 0);
    EXPECT_EQ(rig.host->BrowserId(), 0);
    EXPECT_EQ(rig.host->Browser(), nullptr);
    EXPECT_FALSE(rig.host->HasClient());
    EXPECT_FALSE(rig.host->Initialized());
    EXPECT_FALSE(rig.host->IsClosing());
  }
  ExpectBalanced();
}

TEST_F(Host, DestroyingTheHostLeavesTheBrowserRunningDetached) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    HWND bw = rig.BrowserWindow();
    rig.host.reset();  // does not close the browser
    rig.owner.set_host(nullptr);
    EXPECT_TRUE(IsWindow(bw));
    const size_t seen = rig.owner.Seen().size();
    size_t mark = TraceSize();
    SendPageCommand(bw, L"navigate https://game.example/after-host?standin-frames=1");
    ASSERT_TRUE(PumpUntil([&] { return Events(mark, "on_load_end").size() >= 2; }));
    EXPECT_EQ(rig.owner.Seen().size(), seen);  // the load neither asked nor reported anything
    rig.FreeParent();
    ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "on_before_close").empty(); }));
    ui::Application::ProcessMessages();
    EXPECT_EQ(rig.owner.Seen().size(), seen);
  }
  ExpectBalanced();
}

// ---- the parent window on its own ---------------------------------------------------

namespace {
std::vector<MSG> child_messages;
LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SETFOCUS) child_messages.push_back(MSG{h, m, w, l, 0, {}});
  return DefWindowProcW(h, m, w, l);
}

// Counts the size changes the parent sees.
class CountingParent : public BrowserParent {
 public:
  using BrowserParent::BrowserParent;
  int resizes() const { return resizes_; }

 protected:
  void Resize() override {
    ++resizes_;
    BrowserParent::Resize();
  }

 private:
  int resizes_ = 0;
};
}  // namespace

TEST(ParentWindow, AnswersKeysDialogCodesAndHandsTheFocusOn) {
  ui::Form form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* parent = new CountingParent(&form, &form);
  parent->SetAlign(ui::Align::kClient);
  EXPECT_EQ(parent->GetChildWindowHandle(), nullptr);
  EXPECT_FALSE(parent->HandleAllocated());  // asking creates nothing
  parent->UpdateSize();
  EXPECT_FALSE(parent->HandleAllocated());

  // Keys pressed in the control stay with it, except Enter, Escape and the arrows (dialog navigation).
  struct Key {
    WPARAM vk;
    LRESULT wants;
  } keys[] = {{VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_LEFT, 0}, {VK_UP, 0}, {VK_RIGHT, 0}, {VK_DOWN, 0},
              {VK_TAB, 1},    {'A', 1},       {VK_F5, 1},   {VK_SPACE, 1}};
  for (auto k : keys) EXPECT_EQ(parent->Perform(ui::kWantSpecialKeyMessage, k.vk), k.wants) << k.vk;
  EXPECT_EQ(parent->Perform(WM_GETDLGCODE), DLGC_WANTARROWS | DLGC_WANTCHARS);

  form.Show();
  HWND h = parent->Handle();
  parent->UpdateSize();  // no child yet: nothing happens
  EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr);

  // Without a child the background is erased in the control's colour; with one it is left alone.
  parent->SetColor(RGB(10, 200, 30));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 400, 300);
  HGDIOBJ old = SelectObject(mem, bmp);
  auto fill = [&] {
    RECT all{0, 0, 400, 300};
    HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(mem, &all, b);
    DeleteObject(b);
  };
  fill();
  EXPECT_NE(SendMessageW(h, WM_ERASEBKGND, WPARAM(mem), 0), 0);
  EXPECT_EQ(GetPixel(mem, 5, 5), RGB(10, 200, 30));

  WNDCLASSW wc{};
  wc.lpfnWndProc = &RecordingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TestBrowserChild";
  RegisterClassW(&wc);
  HWND child = CreateWindowExW(0, L"TestBrowserChild", L"", WS_CHILD | WS_VISIBLE, 7, 9, 20, 20, h, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  EXPECT_EQ(parent->GetChildWindowHandle(), child);
  fill();
  EXPECT_EQ(SendMessageW(h, WM_ERASEBKGND, WPARAM(mem), 0), 0);
  EXPECT_EQ(GetPixel(mem, 5, 5), RGB(1, 2, 3));

  parent->UpdateSize();
  RECT cr, pr;
  GetClientRect(h, &pr);
  GetWindowRect(child, &cr);
  MapWindowPoints(HWND_DESKTOP, h, reinterpret_cast<POINT*>(&cr), 2);
  EXPECT_EQ(cr.left, 0);
  EXPECT_EQ(cr.top, 0);
  EXPECT_EQ(cr.right, pr.right);
  EXPECT_EQ(cr.bottom, pr.bottom);

  // The focus is posted on, with the window that lost it, after the control's own handling.
  child_messages.clear();
  SendMessageW(h, WM_SETFOCUS, WPARAM(form.Handle()), 0);
  EXPECT_TRUE(child_messages.empty());
  ui::Application::ProcessMessages();
  ASSERT_EQ(child_messages.size(), 1u);
  EXPECT_EQ(child_messages[0].wParam, WPARAM(form.Handle()));
  EXPECT_EQ(child_messages[0].lParam, 0);

  // A size change of the form reaches the control's Resize step, and the child follows.
  const int resizes = parent->resizes();
  form.SetClientWidth(250);
  EXPECT_GT(parent->resizes(), resizes);
  GetWindowRect(child, &cr);
  EXPECT_EQ(cr.right - cr.left, 250);

  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  parent->Free();
  EXPECT_FALSE(IsWindow(child));
}

// ---- the client's bindings -----------------------------------------------------------

namespace {
// The callback members of an engine struct that hold a function, by name; `names` lists every callback member
// after the counted base, in declaration order.
template <class S>
Texts BoundMembers(const S* s, std::initializer_list<const char*> names) {
  constexpr size_t first = sizeof(cef_base_ref_counted_t);
  EXPECT_EQ((sizeof(S) - first) / sizeof(void*), names.size()) << "the list of members is out of date";
  auto* slots = reinterpret_cast<void* const*>(reinterpret_cast<const char*>(s) + first);
  Texts bound;
  size_t i = 0;
  for (const char* name : names)
    if (slots[i++]) bound.push_back(name);
  return bound;
}
}  // namespace

// The client binds only the callbacks it answers; for every other member the engine gives its own default.
TEST(Client, BindsOnlyTheCallbacksItAnswers) {
  const long base = lzg::LiveBridgedObjects();
  {
    auto client = lzg::MakeRef<lzg::Client>(nullptr);
    cef_client_t* c = client->CefPtr();
    EXPECT_EQ(BoundMembers(c, {"get_audio_handler", "get_context_menu_handler", "get_dialog_handler",
                               "get_display_handler", "get_download_handler", "get_drag_handler", "get_find_handler",
                               "get_focus_handler", "get_jsdialog_handler", "get_keyboard_handler",
                               "get_life_span_handler", "get_load_handler", "get_render_handler",
                               "get_request_handler", "on_process_message_received"}),
              (Texts{"get_keyboard_handler", "get_life_span_handler", "get_load_handler", "get_request_handler"}));

    lzg::CefRef<cef_life_span_handler_t> ls(c->get_life_span_handler(c));
    lzg::CefRef<cef_keyboard_handler_t> kh(c->get_keyboard_handler(c));
    lzg::CefRef<cef_load_handler_t> lh(c->get_load_handler(c));
    lzg::CefRef<cef_request_handler_t> rh(c->get_request_handler(c));
    ASSERT_TRUE(ls && kh && lh && rh);
    EXPECT_EQ(BoundMembers(ls.get(), {"on_before_popup", "on_after_created", "do_close", "on_before_close"}),
              (Texts{"on_before_popup", "on_after_created", "do_close", "on_before_close"}));
    EXPECT_EQ(BoundMembers(kh.get(), {"on_pre_key_event", "on_key_event"}),
              (Texts{"on_pre_key_event", "on_key_event"}));
    EXPECT_EQ(BoundMembers(lh.get(), {"on_loading_state_change", "on_load_start", "on_load_end", "on_load_error"}),
              (Texts{"on_load_end", "on_load_error"}));
    EXPECT_EQ(BoundMembers(rh.get(), {"on_before_browse", "on_open_urlfrom_tab", "on_before_resource_load",
                                      "get_resource_handler", "on_resource_redirect", "on_resource_response",
                                      "get_resource_response_filter", "on_resource_load_complete",
                                      "get_auth_credentials", "can_get_cookies", "can_set_cookie", "on_quota_request",
                                      "on_protocol_execution", "on_certificate_error",
                                      "on_select_client_certificate", "on_plugin_crashed", "on_render_view_ready",
                                      "on_render_process_terminated"}),
              (Texts{"on_before_browse", "on_open_urlfrom_tab", "can_get_cookies", "can_set_cookie",
                     "on_render_process_terminated"}));
    // Every request may read and set cookies (the engine's default for a null member would block them all).
    ASSERT_TRUE(rh->can_get_cookies && rh->can_set_cookie);
    EXPECT_EQ(rh->can_get_cookies(rh.get(), nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(rh->can_set_cookie(rh.get(), nullptr, nullptr, nullptr, nullptr), 1);
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), base);
}

// ---- dispatch in-process, with browser objects of our own ---------------------------

namespace {
class FakeBrowser : public lzg::CefObject<cef_browser_t, FakeBrowser> {
  using Self = FakeBrowser;

 public:
  explicit FakeBrowser(int id) : id_(id) { LZG_BIND(get_identifier, GetIdentifier); }
  int GetIdentifier() { return id_; }

 private:
  int id_;
};

// The engine's task: its counted base and one callback (the client itself posts no task, so its engine header
// leaves the struct opaque).
struct EngineTask {
  cef_base_ref_counted_t base;
  void(CEF_CALLBACK* execute)(EngineTask* self);
};

class UiTask : public lzg::CefObject<EngineTask, UiTask> {
  using Self = UiTask;

 public:
  explicit UiTask(std::function<void()> work)
      : work_(std::move(work)), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    LZG_BIND(execute, Execute);
  }
  ~UiTask() override { CloseHandle(done_); }
  void Execute() {
    work_();
    SetEvent(done_);
  }
  HANDLE done() const { return done_; }

 private:
  std::function<void()> work_;
  HANDLE done_;
};

// Runs `work` on the engine's UI thread, where the engine calls the client, and waits for it without handling
// this thread's messages: what the host posts to the main thread is still queued when this returns.
bool OnEngineUi(std::function<void()> work) {
  auto task = lzg::MakeRef<UiTask>(std::move(work));
  if (!lzg::g_cef.cef_post_task(TID_UI, reinterpret_cast<cef_task_t*>(task->ToCef()))) return false;
  if (WaitForSingleObject(task->done(), 5000) != WAIT_OBJECT_0) return false;
  // The engine drops its reference once the task has returned.
  for (int i = 0; i < 5000 && !task->HasOneRef(); ++i) Sleep(1);
  return task->HasOneRef();
}

cef_client_t* taken_client = nullptr;
int CEF_EXPORT TakeClient(const cef_window_info_t*, cef_client_t* client, const cef_string_t*,
                          const cef_browser_settings_t*, cef_request_context_t* context) {
  lzg::ReleaseCefObject(context);
  lzg::ReleaseCefObject(std::exchange(taken_client, client));
  return 1;
}

// Asks `host` for its browser with the engine's create_browser set aside: the client the host hands over comes
// back here, with the reference the engine would have taken over, and no browser is made. The test then plays
// the engine's callbacks itself.
lzg::CefRef<cef_client_t> RequestBrowserAndTakeClient(BrowserHost& host) {
  const auto engine_create = lzg::g_cef.cef_browser_host_create_browser;
  lzg::g_cef.cef_browser_host_create_browser = &TakeClient;
  const bool requested = host.CreateBrowser(HWND(nullptr), RECT{0, 0, 100, 100});
  lzg::g_cef.cef_browser_host_create_browser = engine_create;
  EXPECT_TRUE(requested);
  return lzg::CefRef<cef_client_t>(std::exchange(taken_client, nullptr));
}

// The client's handler objects, each with the reference its getter gave.
struct Handlers {
  explicit Handlers(cef_client_t* c)
      : ls(c->get_life_span_handler(c)),
        kh(c->get_keyboard_handler(c)),
        lh(c->get_load_handler(c)),
        rh(c->get_request_handler(c)) {}
  bool All() const { return ls && kh && lh && rh; }
  lzg::CefRef<cef_life_span_handler_t> ls;
  lzg::CefRef<cef_keyboard_handler_t> kh;
  lzg::CefRef<cef_load_handler_t> lh;
  lzg::CefRef<cef_request_handler_t> rh;
};

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_app);
    ASSERT_TRUE(WaitForContext());
    base_ = lzg::LiveBridgedObjects();
  }
  // Every object of ours handed to the engine came back.
  void ExpectBalanced() {
    EXPECT_TRUE(PumpUntil([&] { return lzg::LiveBridgedObjects() == base_; }))
        << lzg::LiveBridgedObjects() << " live, " << base_ << " before";
  }
  long base_ = 0;
};
}  // namespace

TEST_F(Dispatch, PolicyAnswersSlotLeftAsProposedBookkeepingAndDetachedDefaults) {
  {
    Owner owner;
    BrowserHost host(Engine(), &owner, &owner);
    owner.set_host(&host);
    auto client = RequestBrowserAndTakeClient(host);
    ASSERT_TRUE(client);
    Handlers h(client.get());
    ASSERT_TRUE(h.All());
    auto own = lzg::MakeRef<FakeBrowser>(7);
    auto popup = lzg::MakeRef<FakeBrowser>(8);
    // The client the engine proposes for a popup.
    auto proposed = lzg::MakeRef<lzg::Client>(nullptr);

    // Before the page sees a key: the policy's answer and shortcut flag go back to the engine.
    struct PreKeyCase {
      int code, shortcut_in, result, shortcut_out;
    } pre_keys[] = {{'A', 0, 0, 0}, {'A', 1, 0, 1}, {'S', 0, 0, 1}, {'P', 0, 1, 0}, {'P', 1, 1, 1}};
    for (const auto& k : pre_keys) {
      cef_key_event_t ev{};
      ev.windows_key_code = k.code;
      int shortcut = k.shortcut_in, result = -1;
      ASSERT_TRUE(OnEngineUi(
          [&] { result = h.kh->on_pre_key_event(h.kh.get(), own->ToCef(), &ev, nullptr, &shortcut); }));
      EXPECT_EQ(result, k.result) << k.code << " " << k.shortcut_in;
      EXPECT_EQ(shortcut, k.shortcut_out) << k.code << " " << k.shortcut_in;
    }
    // After the page: a key the policy takes is reported with the system message it came from, if any.
    MSG os_event{nullptr, WM_KEYDOWN, 'K', 0, 0, {}};
    struct KeyCase {
      int code;
      MSG* os_event;
      int result;
    } post_keys[] = {{'A', &os_event, 0}, {'K', &os_event, 1}, {'K', nullptr, 1}};
    for (const auto& k : post_keys) {
      cef_key_event_t ev{};
      ev.windows_key_code = k.code;
      int result = -1;
      ASSERT_TRUE(OnEngineUi([&] { result = h.kh->on_key_event(h.kh.get(), own->ToCef(), &ev, k.os_event); }));
      EXPECT_EQ(result, k.result) << k.code;
    }
    EXPECT_EQ(owner.Count("key "), 3);
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("key_taken") == 1; }));
    EXPECT_EQ(owner.Seen("key_taken"), Texts{"key_taken 256 75"});

    // A popup: the client slot, window info, settings and script access stay as the engine proposed them, whatever
    // the policy answers, and the slot's reference is released (the engine keeps its own for the popup).
    struct PopupCase {
      const wchar_t* url;
      int no_js, result;
    } popups[] = {{L"https://p.example/open", 0, 0},
                  {L"https://p.example/open", 1, 0},
                  {L"https://p.example/take", 0, 1},
                  {L"https://p.example/take", 1, 1}};
    for (const auto& k : popups) {
      const std::string what = Utf8(k.url) + " " + std::to_string(k.no_js);
      cef_client_t* slot = proposed->ToCef();
      int no_js = k.no_js;
      cef_window_info_t wi{};
      wi.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
      wi.x = 11;
      wi.y = 22;
      wi.width = 333;
      wi.height = 444;
      cef_browser_settings_t bs{};
      bs.size = sizeof bs;
      bs.default_font_size = 17;
      bs.javascript = STATE_ENABLED;
      cef_window_info_t wi_before;
      cef_browser_settings_t bs_before;
      std::memcpy(&wi_before, &wi, sizeof wi);
      std::memcpy(&bs_before, &bs, sizeof bs);
      cef_popup_features_t pf{};
      const std::wstring url = k.url;
      cef_string_t u = lzg::CefStringView(url);
      int result = -1;
      ASSERT_TRUE(OnEngineUi([&] {
        result = h.ls->on_before_popup(h.ls.get(), own->ToCef(), nullptr, &u, nullptr, WOD_NEW_POPUP, 1, &pf, &wi,
                                       &slot, &bs, &no_js);
      }));
      EXPECT_EQ(result, k.result) << what;
      EXPECT_EQ(slot, proposed->CefPtr()) << what;
      EXPECT_EQ(no_js, k.no_js) << what;
      EXPECT_EQ(std::memcmp(&wi, &wi_before, sizeof wi), 0) << what;
      EXPECT_EQ(std::memcmp(&bs, &bs_before, sizeof bs), 0) << what;
      EXPECT_TRUE(proposed->HasOneRef()) << what;
    }
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("new_window") == 2; }));
    EXPECT_EQ(owner.Seen("new_window"),
              (Texts{"new_window https://p.example/take 5", "new_window https://p.example/take 5"}));

    // Bookkeeping: the first browser is the host's; a popup from the same client is counted, not recorded.
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_after_created(h.ls.get(), own->ToCef()); }));
    EXPECT_TRUE(host.Initialized());
    EXPECT_EQ(host.BrowserId(), 7);
    // The main thread takes its own reference when it handles the hand-over, and then hears of it.
    EXPECT_EQ(host.Browser(), nullptr);
    EXPECT_EQ(owner.Count("ready"), 0);
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == own->CefPtr(); }));
    EXPECT_FALSE(own->HasOneRef());
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("ready") == 1; }));
    EXPECT_EQ(owner.Seen("ready"), Texts{"ready held"});
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_after_created(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(host.BrowserId(), 7);
    EXPECT_EQ(host.OtherBrowserCount(), 1);

    // Closes: a popup's closes the engine's way and leaves the host as it was.
    int result = -1;
    ASSERT_TRUE(OnEngineUi([&] { result = h.ls->do_close(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(host.IsClosing());
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_before_close(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(host.OtherBrowserCount(), 0);
    EXPECT_TRUE(popup->HasOneRef());
    EXPECT_TRUE(host.Initialized());
    // The host's own: it waits for the owner (who destroys the parent), and stops at once.
    ASSERT_TRUE(OnEngineUi([&] { result = h.ls->do_close(h.ls.get(), own->ToCef()); }));
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(host.Initialized());  // at once, before the browser has closed
    EXPECT_TRUE(host.IsClosing());
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("close_requested") == 1; }));
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_before_close(h.ls.get(), own->ToCef()); }));
    EXPECT_EQ(host.BrowserId(), 0);
    EXPECT_FALSE(host.HasClient());
    // ... and the main thread drops its reference once it hears of the close.
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == nullptr && owner.Count("closed") == 1; }));
    EXPECT_EQ(owner.Seen("closed"), Texts{"closed"});
    EXPECT_TRUE(own->HasOneRef());

    // The close detached the client: defaults, and nothing reaches the host or its owner.
    const size_t seen = owner.Seen().size();
    ASSERT_TRUE(OnEngineUi([&] {
      cef_key_event_t ev{};
      ev.windows_key_code = 'P';
      int shortcut = 1;
      EXPECT_EQ(h.kh->on_pre_key_event(h.kh.get(), own->ToCef(), &ev, nullptr, &shortcut), 0);
      EXPECT_EQ(shortcut, 1);
      ev.windows_key_code = 'K';
      EXPECT_EQ(h.kh->on_key_event(h.kh.get(), own->ToCef(), &ev, &os_event), 0);
      EXPECT_EQ(h.ls->do_close(h.ls.get(), own->ToCef()), 0);
      h.ls->on_after_created(h.ls.get(), own->ToCef());
      cef_client_t* slot = proposed->ToCef();
      const std::wstring url = L"https://p.example/take";
      cef_string_t u = lzg::CefStringView(url);
      // A detached client cancels popups: a browser opened now would be one that nobody tracks.
      EXPECT_EQ(h.ls->on_before_popup(h.ls.get(), own->ToCef(), nullptr, &u, nullptr, WOD_NEW_POPUP, 1, nullptr,
                                      nullptr, &slot, nullptr, nullptr),
                1);
      EXPECT_EQ(slot, proposed->CefPtr());
      EXPECT_EQ(h.rh->on_open_urlfrom_tab(h.rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1), 0);
      EXPECT_EQ(h.rh->can_set_cookie(h.rh.get(), own->ToCef(), nullptr, nullptr, nullptr), 1);
      h.lh->on_load_end(h.lh.get(), own->ToCef(), nullptr, 200);
      h.rh->on_render_process_terminated(h.rh.get(), own->ToCef(), TS_PROCESS_CRASHED);
    }));
    EXPECT_EQ(host.BrowserId(), 0);
    EXPECT_TRUE(proposed->HasOneRef());
    ui::Application::ProcessMessages();
    EXPECT_EQ(owner.Seen().size(), seen);
    EXPECT_EQ(owner.Misplaced(), Texts{});
    // Every browser reference handed in came back.
    EXPECT_TRUE(own->HasOneRef());
    EXPECT_TRUE(popup->HasOneRef());
  }
  ExpectBalanced();
}

// A host without a delegate or a policy: the engine's defaults hold, and its bookkeeping is the same.
TEST_F(Dispatch, WithoutDelegateOrPolicyTheEngineDefaultsHold) {
  {
    BrowserHost host(Engine(), nullptr, nullptr);
    auto client = RequestBrowserAndTakeClient(host);
    ASSERT_TRUE(client);
    Handlers h(client.get());
    ASSERT_TRUE(h.All());
    auto own = lzg::MakeRef<FakeBrowser>(7);
    auto popup = lzg::MakeRef<FakeBrowser>(8);
    auto proposed = lzg::MakeRef<lzg::Client>(nullptr);
    MSG os_event{nullptr, WM_KEYDOWN, 'K', 0, 0, {}};

    ASSERT_TRUE(OnEngineUi([&] {
      // Keys go to the page, the shortcut flag back unchanged.
      for (int code : {'P', 'S', 'A'})
        for (int in : {0, 1}) {
          cef_key_event_t ev{};
          ev.windows_key_code = code;
          int shortcut = in;
          EXPECT_EQ(h.kh->on_pre_key_event(h.kh.get(), own->ToCef(), &ev, &os_event, &shortcut), 0) << code;
          EXPECT_EQ(shortcut, in) << code;
          EXPECT_EQ(h.kh->on_key_event(h.kh.get(), own->ToCef(), &ev, &os_event), 0) << code;
        }
      // Popups open, with the slot as proposed; modified clicks and navigations load.
      const std::wstring url = L"https://p.example/take/blocked";
      cef_string_t u = lzg::CefStringView(url);
      cef_client_t* slot = proposed->ToCef();
      int no_js = 1;
      EXPECT_EQ(h.ls->on_before_popup(h.ls.get(), own->ToCef(), nullptr, &u, nullptr, WOD_NEW_POPUP, 1, nullptr,
                                      nullptr, &slot, nullptr, &no_js),
                0);
      EXPECT_EQ(slot, proposed->CefPtr());
      EXPECT_EQ(no_js, 1);
      EXPECT_EQ(h.rh->on_open_urlfrom_tab(h.rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1), 0);
      EXPECT_EQ(h.rh->on_before_browse(h.rh.get(), own->ToCef(), nullptr, nullptr, 1, 0), 0);
      // Reports have nobody to go to.
      h.lh->on_load_end(h.lh.get(), own->ToCef(), nullptr, 200);
      h.lh->on_load_error(h.lh.get(), own->ToCef(), nullptr, ERR_ABORTED, nullptr, nullptr);
      h.rh->on_render_process_terminated(h.rh.get(), own->ToCef(), TS_PROCESS_CRASHED);
    }));
    EXPECT_TRUE(proposed->HasOneRef());

    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_after_created(h.ls.get(), own->ToCef()); }));
    EXPECT_EQ(host.BrowserId(), 7);
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == own->CefPtr(); }));
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_after_created(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(host.OtherBrowserCount(), 1);
    int result = -1;
    ASSERT_TRUE(OnEngineUi([&] { result = h.ls->do_close(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(host.IsClosing());
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_before_close(h.ls.get(), popup->ToCef()); }));
    EXPECT_EQ(host.OtherBrowserCount(), 0);
    // Its own browser closes the engine's way too, and the host stops at once.
    ASSERT_TRUE(OnEngineUi([&] { result = h.ls->do_close(h.ls.get(), own->ToCef()); }));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(host.IsClosing());
    EXPECT_FALSE(host.Initialized());
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_before_close(h.ls.get(), own->ToCef()); }));
    EXPECT_EQ(host.BrowserId(), 0);
    EXPECT_FALSE(host.HasClient());
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == nullptr; }));
    EXPECT_TRUE(own->HasOneRef());
    EXPECT_TRUE(popup->HasOneRef());
  }
  ExpectBalanced();
}

// A modified click reaches the policy with what the engine gave; its answer goes back, and a click it took is
// reported. Error codes beyond the named ones reach the owner as they were sent.
TEST_F(Dispatch, ModifiedClicksAndWideEngineValuesReachTheOwner) {
  {
    Owner owner;
    auto host = std::make_unique<BrowserHost>(Engine(), &owner, &owner);
    owner.set_host(host.get());
    auto client = RequestBrowserAndTakeClient(*host);
    ASSERT_TRUE(client);
    Handlers h(client.get());
    ASSERT_TRUE(h.All());
    auto own = lzg::MakeRef<FakeBrowser>(7);
    ASSERT_TRUE(OnEngineUi([&] { h.ls->on_after_created(h.ls.get(), own->ToCef()); }));

    const std::wstring url = L"https://t.example/a b?c=1";
    cef_string_t u = lzg::CefStringView(url);
    struct ClickCase {
      const cef_string_t* url;
      cef_window_open_disposition_t disposition;
      int gesture, result;
    } clicks[] = {{&u, WOD_NEW_BACKGROUND_TAB, 1, 1}, {&u, WOD_NEW_WINDOW, 0, 0}, {nullptr, WOD_CURRENT_TAB, 1, 0}};
    for (const auto& k : clicks) {
      int result = -1;
      ASSERT_TRUE(OnEngineUi([&] {
        result = h.rh->on_open_urlfrom_tab(h.rh.get(), own->ToCef(), nullptr, k.url, k.disposition, k.gesture);
      }));
      EXPECT_EQ(result, k.result) << k.disposition;
    }
    EXPECT_EQ(owner.Seen("click "),
              (Texts{"click https://t.example/a b?c=1 4", "click https://t.example/a b?c=1 6", "click  1"}));
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("new_window") == 1; }));
    EXPECT_EQ(owner.Seen("new_window"), Texts{"new_window https://t.example/a b?c=1 4"});

    const int32_t sent_errors[] = {ERR_ABORTED, -118, -501, -9999, INT32_MIN, 1};
    Texts expected;
    for (int32_t e : sent_errors) {
      ASSERT_TRUE(OnEngineUi([&] { h.lh->on_load_error(h.lh.get(), own->ToCef(), nullptr, e, nullptr, nullptr); }));
      expected.push_back("load_failed 10 " + std::to_string(e) + " ");
    }
    EXPECT_TRUE(PumpUntil([&] { return owner.Count("load_failed") == static_cast<int>(expected.size()); }));
    EXPECT_EQ(owner.Seen("load_failed"), expected);

    // Once the host is gone: the address loads in place, and nobody is asked.
    host.reset();
    owner.set_host(nullptr);
    int result = -1;
    ASSERT_TRUE(OnEngineUi([&] {
      result = h.rh->on_open_urlfrom_tab(h.rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1);
    }));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(owner.Count("click "), 3);
    EXPECT_EQ(owner.Misplaced(), Texts{});
    EXPECT_TRUE(own->HasOneRef());
  }
  ExpectBalanced();
}

TEST(HostRules, QuotedStrDoublesInnerQuotes) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"", L"''"}, {L"abc", L"'abc'"}, {L"it's", L"'it''s'"}, {L"''", L"''''''"}, {L"中文'", L"'中文'''"}};
  for (auto c : cases) EXPECT_EQ(lzg::QuotedStr(c.in), c.out);
}

// ---- the engine for this process ------------------------------------------------------

int main(int argc, char** argv) {
  testutil::EngineStart start =
      testutil::StartEngineForTest(TracePath(), {{L"STANDIN_CONTEXT_DELAY_MS", L"1500"}});
  if (!start.app) return start.exit_code;
  std::unique_ptr<lzg::EngineApp> app = std::move(start.app);
  engine_app = app.get();
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  ui::Application::DestroyForms();
  using LiveFn = int (*)();
  auto engine_live = reinterpret_cast<LiveFn>(GetProcAddress(app->LibHandle(), "standin_live_objects"));
  engine_app = nullptr;
  app.reset();  // the engine goes down here; the library stays loaded
  if (engine_live) {
    printf("engine live objects after shutdown: %d\n", engine_live());
    if (engine_live() != 0) rc = 1;
  }
  // The engine saw no browser open at shutdown and kept nothing of ours.
  for (auto& l : ReadTrace())
    if (l.event == "shutdown") {
      printf("engine shutdown: open_browsers=%s live_objects=%s\n", l["open_browsers"].c_str(),
             l["live_objects"].c_str());
      if (l["open_browsers"] != "0") rc = 1;
    }
  for (auto& l : ReadTrace())
    if (l.event == "fault") {
      printf("engine fault: %s\n", l["what"].c_str());
      rc = 1;
    }
  printf("our live objects after shutdown: %ld\n", lzg::LiveBridgedObjects());
  if (lzg::LiveBridgedObjects() != 0) rc = 1;
  return rc;
}
