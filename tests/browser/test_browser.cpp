// The browser host against the engine stand-in, in a test window. This
// executable is the browser process: main() starts the engine through
// GlobalCEFApp (the stand-in runs its sub-processes from this same file), then
// runs the tests, which read the stand-in's trace and count live objects on
// both sides. The first test runs while the engine's context is still being
// initialised (STANDIN_CONTEXT_DELAY_MS).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "browser/browser_host.h"
#include "browser/client.h"
#include "browser/host_rules.h"
#include "browser/browser_parent.h"
#include "engine/engine_app.h"
#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"
#include "tests/support/trace_reader.h"
#include "ui/forms.h"

using namespace ui;

namespace {

std::wstring TracePath() { return testutil::SelfDir() + L"test_browser.trace"; }


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
  Application::ProcessMessages();
  return Application::ProcessMessagesUntil(done, ms);
}

long StandinLive() {
  using Fn = int (*)();
  static Fn fn = reinterpret_cast<Fn>(GetProcAddress(GlobalCEFApp->LibHandle(), "standin_live_objects"));
  return fn ? fn() : -1;
}

void SendPageCommand(HWND browserWindow, const std::wstring& text) {
  COPYDATASTRUCT cds{0x53544E44, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                     const_cast<wchar_t*>(text.c_str())};
  SendMessageW(browserWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

int IdOf(cef_browser_t* b) { return b->get_identifier(b); }

std::wstring FrameName(cef_frame_t* f) { return f ? lzg::CefTakeUserFree(f->get_name(f)) : L"<none>"; }

// A test window with a browser parent filling it and a browser host.
struct Rig {
  Form* form;
  BrowserParent* parent;
  BrowserHost* chromium;
  std::mutex mu;
  std::vector<std::string> events;  // "<event> <details>"
  std::atomic<int> created{0}, beforeClose{0}, closeAsked{0};
  std::atomic<DWORD> eventThread{0};
  std::atomic<bool> wrongSender{false};
  CloseBrowserAction closeAnswer = CloseBrowserAction::kDelay;

  explicit Rig(bool bindKeys = true) {
    form = new Form(nullptr);
    form->SetBounds(50, 50, 500, 350);
    parent = new BrowserParent(form, form);
    parent->SetAlign(Align::kClient);
    chromium = new BrowserHost(form);
    form->Show();
    chromium->OnAfterCreated = [this](TObject* s, cef_browser_t* b) {
      Note(s, "after_created " + std::to_string(IdOf(b)));
      ++created;
    };
    chromium->OnClose = [this](TObject* s, cef_browser_t* b, CloseBrowserAction& a) {
      Note(s, "close " + std::to_string(IdOf(b)));
      if (IdOf(b) == chromium->BrowserId() || chromium->IsClosing()) a = closeAnswer;
      ++closeAsked;
    };
    chromium->OnBeforeClose = [this](TObject* s, cef_browser_t* b) {
      Note(s, "before_close " + std::to_string(IdOf(b)));
      ++beforeClose;
    };
    chromium->OnLoadEnd = [this](TObject* s, cef_browser_t* b, cef_frame_t* f, int status) {
      Note(s, "load_end " + std::to_string(IdOf(b)) + " " + testutil::ToUtf8(FrameName(f)) + " " +
                  std::to_string(status));
    };
    if (bindKeys) {
      chromium->OnPreKeyEvent = [this](TObject* s, cef_browser_t*, const cef_key_event_t* e, MSG* os, bool& shortcut,
                                       bool& result) {
        Note(s, "pre_key " + std::to_string(e->windows_key_code) + " " + std::to_string(e->type) + " " +
                    std::to_string(os ? os->message : 0));
        if (e->windows_key_code == 'P') result = true;
        if (e->windows_key_code == 'S') shortcut = true;
      };
      chromium->OnKeyEvent = [this](TObject* s, cef_browser_t*, const cef_key_event_t* e, MSG*, bool& result) {
        Note(s, "key " + std::to_string(e->windows_key_code) + " " + std::to_string(e->type));
        if (e->windows_key_code == 'K') result = true;
      };
    }
  }
  ~Rig() {
    if (form) form->Free();
  }
  void Note(TObject* sender, const std::string& e) {
    if (sender != chromium) wrongSender = true;
    eventThread = GetCurrentThreadId();
    std::lock_guard<std::mutex> l(mu);
    events.push_back(e);
  }
  std::vector<std::string> Seen(const std::string& prefix) {
    std::lock_guard<std::mutex> l(mu);
    std::vector<std::string> out;
    for (auto& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }
  bool CreateAndWait() {
    if (!chromium->CreateBrowser(parent)) return false;
    return PumpUntil([&] { return created > 0 && chromium->Initialized(); });
  }
  HWND BrowserWindow() { return parent->HandleAllocated() ? parent->GetChildWindowHandle() : nullptr; }
  // The page closes itself; the owner delays and destroys the parent, as the game window does.
  void CloseThroughPage() {
    int before = beforeClose;
    closeAnswer = CloseBrowserAction::kDelay;
    SendPageCommand(BrowserWindow(), L"close");
    ASSERT_TRUE(PumpUntil([&] { return chromium->IsClosing(); }));
    parent->Free();
    parent = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return beforeClose > before && chromium->BrowserId() == 0; }));
  }
};

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GlobalCEFApp);
    our_base_ = lzg::LiveBridgedObjects();
    engine_base_ = StandinLive();
    trace_from_ = TraceSize();
  }
  // Everything of a host is gone on both sides once its browser closed and the host is freed.
  void ExpectBalanced() {
    EXPECT_TRUE(PumpUntil([&] { return lzg::LiveBridgedObjects() == our_base_ && StandinLive() == engine_base_; }))
        << "ours " << lzg::LiveBridgedObjects() << " (was " << our_base_ << "), engine " << StandinLive() << " (was "
        << engine_base_ << ")";
  }
  long our_base_ = 0, engine_base_ = 0;
  size_t trace_from_ = 0;
};

}  // namespace

// ---- host state table, creation, preferences, sizing ---------------------------------

TEST_F(Host, CreatesOnlyFromEmptyAndOnlyOnceTheContextIsReady) {
  ASSERT_FALSE(GlobalCEFApp->GlobalContextInitialized()) << "the engine was started with a context delay";
  Rig rig;
  EXPECT_FALSE(rig.chromium->CreateBrowser(rig.parent));
  EXPECT_FALSE(rig.chromium->HasClientHandler());  // nothing changed: a later call may succeed
  ASSERT_TRUE(PumpUntil([] { return GlobalCEFApp->GlobalContextInitialized(); }, 10000));
  EXPECT_TRUE(Events(trace_from_, "create_browser").empty());

  rig.chromium->LoadURL(L"https://early.example/");  // before the browser: not queued
  ASSERT_TRUE(rig.chromium->CreateBrowser(rig.parent));
  EXPECT_TRUE(rig.chromium->HasClientHandler());  // Requested
  EXPECT_FALSE(rig.chromium->Initialized());
  EXPECT_FALSE(rig.chromium->CreateBrowser(rig.parent));  // a second request while the first is pending
  ASSERT_TRUE(PumpUntil([&] { return rig.created > 0 && rig.chromium->Initialized(); }));
  EXPECT_NE(rig.eventThread.load(), GetCurrentThreadId());
  EXPECT_FALSE(rig.wrongSender);
  int id = rig.chromium->BrowserId();
  EXPECT_NE(id, 0);
  EXPECT_FALSE(rig.chromium->CreateBrowser(rig.parent));  // Live

  auto creates = Events(trace_from_, "create_browser");
  ASSERT_EQ(creates.size(), 1u);
  const TraceLine& c = creates[0];
  RECT rc;
  GetClientRect(rig.parent->Handle(), &rc);
  char parentHex[32];
  snprintf(parentHex, sizeof parentHex, "%x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(rig.parent->Handle())));
  EXPECT_EQ(c["style"], "56010000");
  EXPECT_EQ(c["x"], "0");
  EXPECT_EQ(c["y"], "0");
  EXPECT_EQ(c["width"], std::to_string(rc.right));
  EXPECT_EQ(c["height"], std::to_string(rc.bottom));
  EXPECT_EQ(c["url"], "about:blank");
  EXPECT_EQ(c["sync"], "0");
  EXPECT_NE(c["parent"].find(parentHex), std::string::npos) << c["parent"] << " vs " << parentHex;
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
  auto written = Events(trace_from_, "set_preference", "id", std::to_string(id));
  ASSERT_EQ(written.size(), prefs.size());
  for (size_t i = 0; i < prefs.size(); ++i) {
    EXPECT_EQ(written[i]["name"], prefs[i].first);
    EXPECT_EQ(written[i]["value"], prefs[i].second);
    EXPECT_EQ(written[i]["result"], "1");
  }

  // Operations of a live browser reach it.
  size_t mark = TraceSize();
  rig.chromium->SetFocus(true);
  rig.chromium->NotifyMoveOrResizeStarted();
  rig.chromium->LoadURL(L"https://game.example/home");
  EXPECT_EQ(Events(mark, "set_focus", "id", std::to_string(id))[0]["focus"], "1");
  EXPECT_EQ(Events(mark, "notify_move_or_resize_started", "id", std::to_string(id)).size(), 1u);
  auto loads = Events(mark, "load_url", "id", std::to_string(id));
  ASSERT_EQ(loads.size(), 1u);
  EXPECT_EQ(loads[0]["frame"], "main");
  EXPECT_EQ(loads[0]["url"], "https://game.example/home");

  rig.CloseThroughPage();
  EXPECT_FALSE(rig.chromium->CreateBrowser(HWND(nullptr), RECT{}));  // Closed: one browser per host
  rig.form->Free();
  rig.form = nullptr;
  ExpectBalanced();
}

TEST_F(Host, RefusedRequestLeavesTheHostRefusingForGood) {
  {
    Rig rig;
    SetEnvironmentVariableW(L"STANDIN_REFUSE_CREATE", L"1");
    EXPECT_FALSE(rig.chromium->CreateBrowser(rig.parent));
    SetEnvironmentVariableW(L"STANDIN_REFUSE_CREATE", nullptr);
    EXPECT_TRUE(rig.chromium->HasClientHandler());
    EXPECT_FALSE(rig.chromium->CreateBrowser(rig.parent));
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
    SetEnvironmentVariableW(L"STANDIN_FAIL_PREF", nullptr);
    std::string id = std::to_string(rig.chromium->BrowserId());
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

// ---- events ------------------------------------------------------------------------

TEST_F(Host, PopupsReachOnBeforePopupWithWriteBacks) {
  {
    Rig rig;
    // A client of our own to hand back for one of the popups.
    auto other = lzg::MakeRef<lzg::Client>(nullptr, lzg::ClientHandlerFlags{});
    struct Seen {
      std::wstring url, frameName;
      int disposition;
      bool gesture;
      DWORD thread;
    };
    std::mutex mu;
    std::vector<Seen> seen;
    rig.chromium->OnBeforePopup = [&](TObject* s, cef_browser_t*, cef_frame_t* f, const std::wstring& url,
                                      const std::wstring& frameName, cef_window_open_disposition_t d, bool gesture,
                                      const cef_popup_features_t&, cef_window_info_t&, cef_client_t*& client,
                                      cef_browser_settings_t&, bool& noJs, bool& result) {
      EXPECT_EQ(s, rig.chromium);
      EXPECT_TRUE(f);
      {
        std::lock_guard<std::mutex> l(mu);
        seen.push_back({url, frameName, static_cast<int>(d), gesture, GetCurrentThreadId()});
      }
      if (url.find(L"cancel") != std::wstring::npos) result = true;
      if (url.find(L"none") != std::wstring::npos) client = nullptr;
      if (url.find(L"replace") != std::wstring::npos) client = other->CefPtr();
      if (url.find(L"nojs") != std::wstring::npos) noJs = true;
    };
    ASSERT_TRUE(rig.CreateAndWait());
    const int hostId = rig.chromium->BrowserId();
    struct Case {
      int disposition, gesture;
      std::wstring url;
      const char* result;
      const char* client;
      bool opens;
    } cases[] = {
        {3, 1, L"https://p.example/cancel", "1", "kept", false},
        {4, 0, L"https://p.example/none", "0", "none", true},
        {5, 1, L"https://p.example/replace", "0", "replaced", true},
        {6, 0, L"https://p.example/keep", "0", "kept", true},
        {1, 1, L"https://p.example/cancel-current", "1", "kept", false},
        {9, 0, L"https://p.example/cancel-ignore", "1", "kept", false},
    };
    for (const auto& c : cases) {
      size_t mark = TraceSize();
      size_t before = seen.size();
      SendPageCommand(rig.BrowserWindow(), L"popup " + std::to_wstring(c.disposition) + L" " +
                                               std::to_wstring(c.gesture) + L" " + c.url);
      ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "on_before_popup").empty(); })) << testutil::ToUtf8(c.url);
      auto t = Events(mark, "on_before_popup")[0];
      EXPECT_EQ(t["result"], c.result) << testutil::ToUtf8(c.url);
      EXPECT_EQ(t["client"], c.client) << testutil::ToUtf8(c.url);
      EXPECT_EQ(t["disposition"], std::to_string(c.disposition));
      ASSERT_EQ(seen.size(), before + 1);
      EXPECT_EQ(seen.back().url, c.url);
      EXPECT_EQ(seen.back().frameName, L"");
      EXPECT_EQ(seen.back().disposition, c.disposition);
      EXPECT_EQ(seen.back().gesture, c.gesture == 1);
      EXPECT_NE(seen.back().thread, GetCurrentThreadId());
      if (c.opens) {
        ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "popup_created").empty(); }));
        int popupId = std::stoi(Events(mark, "popup_created")[0]["id"]);
        std::string pid = std::to_string(popupId);
        HWND pw = nullptr;  // popups are top-level windows; the host's browser is a child
        ASSERT_TRUE(PumpUntil([&] { return (pw = FindWindowW(L"StandinBrowserWindow", nullptr)) != nullptr; }));
        const bool ours = std::string(c.client) == "kept";
        if (ours) {
          // Our client serves the popup: its events arrive and its preferences are
          // written, but the host keeps its own browser.
          ASSERT_TRUE(PumpUntil([&] { return !rig.Seen("after_created " + pid).empty(); }));
          EXPECT_EQ(Events(mark, "set_preference", "id", pid).size(), 8u);
        } else {
          PumpUntil([] { return false; }, 300);
          EXPECT_TRUE(rig.Seen("after_created " + pid).empty());
        }
        EXPECT_EQ(rig.chromium->BrowserId(), hostId);
        SendPageCommand(pw, L"close");
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(pw); }));
        if (ours) {
          ASSERT_TRUE(PumpUntil([&] { return !rig.Seen("before_close " + pid).empty(); }));
          EXPECT_EQ(rig.Seen("close " + pid).size(), 1u);
        }
        EXPECT_TRUE(rig.chromium->Initialized());
        EXPECT_EQ(rig.chromium->BrowserId(), hostId);
      }
    }
    rig.CloseThroughPage();
    other.reset();
  }
  ExpectBalanced();
}

TEST_F(Host, KeysLoadEndsAndCloseActions) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    const std::string id = std::to_string(rig.chromium->BrowserId());
    HWND bw = rig.BrowserWindow();

    // Keys: the pre-key answer and the shortcut flag go back to the engine.
    struct KeyCase {
      WPARAM vk;
      const char* preResult;
      const char* shortcut;
      bool post;  // on_key_event follows
    } keys[] = {{'P', "1", "0", false}, {'S', "0", "1", true}, {'A', "0", "0", true}, {'K', "0", "0", true}};
    for (auto k : keys) {
      size_t mark = TraceSize();
      PostMessageW(bw, WM_KEYDOWN, k.vk, 0);
      ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "key_event", "stage", "pre").empty() &&
                                         (!k.post || !Events(mark, "key_event", "stage", "post").empty()); }));
      auto pre = Events(mark, "key_event", "stage", "pre")[0];
      EXPECT_EQ(pre["code"], std::to_string(k.vk));
      EXPECT_EQ(pre["result"], k.preResult);
      EXPECT_EQ(pre["shortcut"], k.shortcut);
      if (k.post) {
        EXPECT_EQ(Events(mark, "key_event", "stage", "post")[0]["result"], k.vk == 'K' ? "1" : "0");
      }
    }
    EXPECT_EQ(rig.Seen("pre_key 80 0 256").size(), 1u);  // 'P', raw key down, with its WM_KEYDOWN
    EXPECT_EQ(rig.Seen("key 80 ").size(), 0u);           // handled before the page
    EXPECT_EQ(rig.Seen("key 75 0").size(), 1u);          // 'K' reached on_key_event

    // Load ends: one per frame, sub-frames included, every status.
    rig.chromium->LoadURL(L"https://game.example/?standin-frames=2&standin-status=404");
    ASSERT_TRUE(PumpUntil([&] { return rig.Seen("load_end " + id + " f2").size() == 1; }));
    auto ends = rig.Seen("load_end " + id);
    std::vector<std::string> expected = {"load_end " + id + "  200",  // about:blank first
                                         "load_end " + id + "  404", "load_end " + id + " f1 200",
                                         "load_end " + id + " f2 200"};
    EXPECT_EQ(ends, expected);
    size_t mark = TraceSize();
    rig.chromium->LoadURL(L"https://game.example/sub", L"f1");
    rig.chromium->LoadURL(L"https://game.example/nowhere", L"no-such-frame");
    ASSERT_TRUE(PumpUntil([&] { return rig.Seen("load_end " + id).size() == 5; }));
    EXPECT_EQ(rig.Seen("load_end " + id).back(), "load_end " + id + " f1 200");
    auto loads = Events(mark, "load_url", "id", id);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(loads[0]["frame"], "f1");

    // Keep the client and the browser to call them late.
    cef_browser_t* browser = rig.chromium->Browser();
    browser->base.add_ref(&browser->base);
    lzg::CefRef<cef_browser_host_t> host(browser->get_host(browser));
    lzg::CefRef<cef_client_t> client(host->get_client(host.get()));
    host.reset();
    ASSERT_TRUE(client);

    // A delayed close: the host stops at once, before the browser has gone.
    rig.closeAnswer = CloseBrowserAction::kDelay;
    mark = TraceSize();
    SendPageCommand(bw, L"close");
    ASSERT_TRUE(PumpUntil([&] { return rig.chromium->IsClosing(); }));
    EXPECT_FALSE(rig.chromium->Initialized());
    rig.chromium->LoadURL(L"https://game.example/late");
    rig.chromium->SetFocus(true);
    rig.chromium->NotifyMoveOrResizeStarted();
    EXPECT_TRUE(Events(mark, "load_url").empty());
    EXPECT_TRUE(Events(mark, "set_focus").empty());
    EXPECT_TRUE(Events(mark, "notify_move_or_resize_started").empty());
    EXPECT_TRUE(IsWindow(bw));
    rig.parent->Free();
    rig.parent = nullptr;
    // The browser's window goes with its parent (its own thread destroys it).
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(bw); }));
    ASSERT_TRUE(PumpUntil([&] { return rig.beforeClose > 0; }));
    EXPECT_EQ(rig.chromium->BrowserId(), 0);
    EXPECT_FALSE(rig.chromium->HasClientHandler());
    EXPECT_TRUE(rig.chromium->IsClosing());

    // Late callbacks after the close reach nothing and get the defaults.
    size_t before = rig.Seen("").size();
    cef_load_handler_t* lh = client->get_load_handler(client.get());
    cef_life_span_handler_t* ls = client->get_life_span_handler(client.get());
    cef_keyboard_handler_t* kh = client->get_keyboard_handler(client.get());
    cef_request_handler_t* rh = client->get_request_handler(client.get());
    ASSERT_TRUE(lh && ls && kh && rh);
    auto give = [&] {
      browser->base.add_ref(&browser->base);
      return browser;
    };
    lh->on_load_end(lh, give(), nullptr, 200);
    EXPECT_EQ(ls->do_close(ls, give()), 0);
    ls->on_before_close(ls, give());
    cef_key_event_t ev{};
    ev.windows_key_code = 'P';
    int shortcut = 1;
    EXPECT_EQ(kh->on_pre_key_event(kh, give(), &ev, nullptr, &shortcut), 0);
    EXPECT_EQ(shortcut, 1);
    EXPECT_EQ(rh->can_get_cookies(rh, give(), nullptr, nullptr), 1);
    EXPECT_EQ(rh->on_before_resource_load(rh, give(), nullptr, nullptr, nullptr), RV_CONTINUE);
    EXPECT_EQ(rig.Seen("").size(), before);
    for (void* h : {static_cast<void*>(lh), static_cast<void*>(ls), static_cast<void*>(kh), static_cast<void*>(rh)})
      lzg::ReleaseCefObject(h);
    client.reset();
    browser->base.release(&browser->base);
  }
  ExpectBalanced();
}

// An owner bound to the posted events runs on the main thread only, and gets values that outlive the engine's
// call: its own browser's life span, load ends and failures, a renderer's end, and what a decision took.
TEST_F(Host, PostedEventsComeOnTheMainThreadWithValues) {
  {
    Rig rig;
    rig.chromium->OnClose = nullptr;  // the host answers the close itself
    rig.chromium->OnOpenUrlFromTab = [](TObject*, cef_browser_t*, cef_frame_t*, const std::wstring&,
                                        cef_window_open_disposition_t d, bool, bool& result) { result = d == 4; };
    const DWORD mainThread = GetCurrentThreadId();
    std::vector<std::string> seen;
    bool offMain = false;
    auto note = [&](const std::string& e) {
      if (GetCurrentThreadId() != mainThread) offMain = true;
      seen.push_back(e);
    };
    auto count = [&](const std::string& prefix) {
      return std::count_if(seen.begin(), seen.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    };
    bool browserHeldAtReady = false;
    rig.chromium->OnBrowserReady = [&](TObject*) {
      browserHeldAtReady = rig.chromium->Browser() != nullptr;
      note("ready");
    };
    rig.chromium->OnBrowserCloseRequested = [&](TObject*) {
      note("close_requested");
      rig.parent->Free();  // as the game window does: the browser ends with its parent
      rig.parent = nullptr;
    };
    rig.chromium->OnBrowserClosed = [&](TObject*) { note(rig.chromium->Browser() ? "closed held" : "closed"); };
    rig.chromium->OnLoadEnded = [&](TObject*, const LoadEnd& n) {
      note("load_end " + std::to_string(n.ownBrowser) + std::to_string(n.mainFrame) + " " + testutil::ToUtf8(n.url) + " " +
           std::to_string(n.httpStatusCode));
    };
    rig.chromium->OnLoadFailed = [&](TObject*, const LoadError& n) {
      note("load_failed " + std::to_string(n.ownBrowser) + std::to_string(n.mainFrame) + " " +
           std::to_string(n.errorCode) + " " + testutil::ToUtf8(n.failedUrl));
    };
    rig.chromium->OnRendererEnded = [&](TObject*, bool own, cef_termination_status_t status) {
      note("renderer_ended " + std::to_string(own) + " " + std::to_string(status));
    };
    rig.chromium->OnNewWindowTaken = [&](TObject*, const std::wstring& url, cef_window_open_disposition_t d) {
      note("new_window " + testutil::ToUtf8(url) + " " + std::to_string(d));
    };
    rig.chromium->OnKeyTaken = [&](TObject*, UINT message, WPARAM wParam) {
      note("key_taken " + std::to_string(message) + " " + std::to_string(wParam));
    };

    ASSERT_TRUE(rig.CreateAndWait());
    ASSERT_TRUE(PumpUntil([&] { return count("ready") == 1; }));
    EXPECT_TRUE(browserHeldAtReady);

    rig.chromium->LoadURL(L"https://game.example/?standin-frames=1");
    ASSERT_TRUE(PumpUntil([&] { return count("load_end 10 ") == 1 && count("load_end 11 https://game.example") == 1; }));
    EXPECT_EQ(count("load_end 10  200"), 1) << "a sub-frame's end carries no address";
    EXPECT_EQ(count("load_end 11 https://game.example/?standin-frames=1 200"), 1);

    rig.chromium->LoadURL(L"http://game.example/down?standin-neterror=-106");
    ASSERT_TRUE(PumpUntil([&] { return count("load_failed") == 1; }));
    EXPECT_EQ(count("load_failed 11 -106 http://game.example/down?standin-neterror=-106"), 1);

    HWND bw = rig.BrowserWindow();
    PostMessageW(bw, WM_KEYDOWN, 'K', 0);  // the rig's key rule takes 'K'
    PostMessageW(bw, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(PumpUntil([&] { return count("key_taken") == 1; }));
    EXPECT_EQ(count("key_taken 256 75"), 1);

    SendPageCommand(bw, L"openurl 4 1 https://other.example/x");
    SendPageCommand(bw, L"openurl 1 1 https://other.example/y");  // answered false: loaded in place, not taken
    ASSERT_TRUE(PumpUntil([&] { return count("new_window") == 1; }));
    EXPECT_EQ(count("new_window https://other.example/x 4"), 1);

    SendPageCommand(bw, L"crash");
    ASSERT_TRUE(PumpUntil([&] { return count("renderer_ended") == 1; }));
    EXPECT_EQ(count("renderer_ended 1 " + std::to_string(TS_PROCESS_CRASHED)), 1);

    size_t mark = TraceSize();
    SendPageCommand(bw, L"close");
    ASSERT_TRUE(PumpUntil([&] { return count("closed") == 1; }));
    ASSERT_FALSE(Events(mark, "do_close").empty());
    EXPECT_EQ(Events(mark, "do_close")[0]["result"], "1") << "the host did not delay its own browser's close";
    EXPECT_EQ(count("close_requested"), 1);
    EXPECT_EQ(count("closed held"), 0) << "the main thread's reference outlived the close";
    EXPECT_FALSE(offMain) << "a posted event came on another thread";
    // The UI-thread events of the same callbacks still came there.
    EXPECT_NE(rig.eventThread.load(), mainThread);
  }
  ExpectBalanced();
}

TEST_F(Host, CancelledCloseLeavesTheHostUsable) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    const std::string id = std::to_string(rig.chromium->BrowserId());
    rig.closeAnswer = CloseBrowserAction::kCancel;
    size_t mark = TraceSize();
    SendPageCommand(rig.BrowserWindow(), L"close");
    ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "do_close").empty(); }));
    EXPECT_EQ(Events(mark, "do_close")[0]["result"], "1");
    EXPECT_TRUE(rig.chromium->Initialized());
    EXPECT_FALSE(rig.chromium->IsClosing());
    rig.chromium->LoadURL(L"https://game.example/still");
    EXPECT_EQ(Events(mark, "load_url", "id", id).size(), 1u);
    // Destroying the parent ends the browser; the host forgets it.
    rig.parent->Free();
    rig.parent = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return rig.beforeClose > 0; }));
    EXPECT_EQ(rig.chromium->BrowserId(), 0);
    EXPECT_FALSE(rig.chromium->HasClientHandler());
    EXPECT_FALSE(rig.chromium->Initialized());
  }
  ExpectBalanced();
}

TEST_F(Host, DestroyingTheHostLeavesTheBrowserRunningDetached) {
  {
    Rig rig;
    ASSERT_TRUE(rig.CreateAndWait());
    HWND bw = rig.BrowserWindow();
    BrowserHost* chromium = rig.chromium;
    chromium->Free();  // does not close the browser
    rig.chromium = nullptr;
    EXPECT_TRUE(IsWindow(bw));
    size_t seen = rig.Seen("").size();
    size_t mark = TraceSize();
    SendPageCommand(bw, L"navigate https://game.example/after-host?standin-frames=1");
    ASSERT_TRUE(PumpUntil([&] { return Events(mark, "on_loading_state_change").size() >= 2; }));
    EXPECT_EQ(rig.Seen("").size(), seen);  // the load reached no event
    rig.parent->Free();
    rig.parent = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return !Events(mark, "on_before_close").empty(); }));
    EXPECT_EQ(rig.Seen("").size(), seen);
  }
  ExpectBalanced();
}

// ---- the parent window on its own ---------------------------------------------------

namespace {
std::vector<MSG> g_childMessages;
LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SETFOCUS) g_childMessages.push_back(MSG{h, m, w, l, 0, {}});
  return DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(WindowParent, AnswersKeysDialogCodesAndHandsTheFocusOn) {
  Form form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* parent = new BrowserParent(&form, &form);
  parent->SetAlign(Align::kClient);
  EXPECT_EQ(parent->GetChildWindowHandle(), nullptr);
  EXPECT_FALSE(parent->HandleAllocated());  // asking creates nothing
  parent->UpdateSize();
  EXPECT_FALSE(parent->HandleAllocated());

  struct Key {
    WPARAM vk;
    LRESULT wants;
  } keys[] = {{VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_LEFT, 0}, {VK_UP, 0}, {VK_RIGHT, 0}, {VK_DOWN, 0},
              {VK_TAB, 1},    {'A', 1},       {VK_F5, 1},   {VK_SPACE, 1}};
  for (auto k : keys) EXPECT_EQ(parent->Perform(kWantSpecialKeyMessage, k.vk), k.wants) << k.vk;
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
  g_childMessages.clear();
  SendMessageW(h, WM_SETFOCUS, WPARAM(form.Handle()), 0);
  EXPECT_TRUE(g_childMessages.empty());
  Application::ProcessMessages();
  ASSERT_EQ(g_childMessages.size(), 1u);
  EXPECT_EQ(g_childMessages[0].wParam, WPARAM(form.Handle()));
  EXPECT_EQ(g_childMessages[0].lParam, 0);

  // Tab pressed in the control stays with it; the arrows go to navigation.
  int resizes = 0;
  parent->OnResize = [&](TObject*) { ++resizes; };
  form.SetClientWidth(250);
  EXPECT_GE(resizes, 1);
  GetWindowRect(child, &cr);
  EXPECT_EQ(cr.right - cr.left, 250);

  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  parent->Free();
  EXPECT_FALSE(IsWindow(child));
}

// ---- dispatch in-process, with a browser object of our own --------------------------

namespace {
class FakeBrowser : public lzg::CefObject<cef_browser_t, FakeBrowser> {
  using Self = FakeBrowser;

 public:
  explicit FakeBrowser(int id) : id_(id) { LZG_BIND(get_identifier, GetIdentifier); }
  int GetIdentifier() { return id_; }

 private:
  int id_;
};
}  // namespace

TEST(Dispatch, WriteBacksBookkeepingAndDetachedDefaults) {
  long base = lzg::LiveBridgedObjects();
  {
    BrowserHost host(nullptr);
    std::string popupMode;
    cef_client_t* replacement = nullptr;
    int keyEvents = 0, closes = 0;
    CloseBrowserAction answer = CloseBrowserAction::kClose;
    host.OnKeyEvent = [&](TObject*, cef_browser_t*, const cef_key_event_t*, MSG*, bool&) { ++keyEvents; };
    host.OnClose = [&](TObject*, cef_browser_t*, CloseBrowserAction& a) {
      ++closes;
      a = answer;
    };
    host.OnBeforePopup = [&](TObject*, cef_browser_t*, cef_frame_t*, const std::wstring&, const std::wstring&,
                             cef_window_open_disposition_t, bool, const cef_popup_features_t&, cef_window_info_t&,
                             cef_client_t*& client, cef_browser_settings_t&, bool& noJs, bool& result) {
      if (popupMode == "nojs") noJs = true;
      if (popupMode == "js") noJs = false;
      if (popupMode == "empty") client = nullptr;
      if (popupMode == "replace") client = replacement;
      if (popupMode == "cancel") result = true;
    };
    lzg::ClientHandlerFlags flags;
    flags.keyboard = true;  // OnKeyEvent alone: no pre-key handler bound
    auto client = lzg::MakeRef<lzg::Client>(&host, flags);
    cef_client_t* c = client->CefPtr();
    lzg::CefRef<cef_keyboard_handler_t> kh(c->get_keyboard_handler(c));
    lzg::CefRef<cef_life_span_handler_t> ls(c->get_life_span_handler(c));
    lzg::CefRef<cef_load_handler_t> lh(c->get_load_handler(c));
    EXPECT_FALSE(lh);  // no load event bound
    auto own = lzg::MakeRef<FakeBrowser>(7);
    auto popup = lzg::MakeRef<FakeBrowser>(8);
    auto proposed = lzg::MakeRef<lzg::Client>(nullptr, lzg::ClientHandlerFlags{});
    auto other = lzg::MakeRef<lzg::Client>(nullptr, lzg::ClientHandlerFlags{});
    replacement = other->CefPtr();

    // is_keyboard_shortcut goes back unchanged when no pre-key handler is bound.
    cef_key_event_t ev{};
    for (int in : {0, 1}) {
      int shortcut = in;
      EXPECT_EQ(kh->on_pre_key_event(kh.get(), own->ToCef(), &ev, nullptr, &shortcut), 0);
      EXPECT_EQ(shortcut, in);
    }
    EXPECT_EQ(kh->on_key_event(kh.get(), own->ToCef(), &ev, nullptr), 0);
    EXPECT_EQ(keyEvents, 1);

    // The popup's write-backs: the no-javascript flag and the client slot.
    struct Case {
      const char* mode;
      int noJsIn, noJsOut;
      const char* slot;  // proposed, none, replaced
      int result;
    } cases[] = {{"leave", 0, 0, "proposed", 0}, {"leave", 1, 1, "proposed", 0}, {"nojs", 0, 1, "proposed", 0},
                 {"js", 1, 0, "proposed", 0},    {"empty", 0, 0, "none", 0},     {"replace", 0, 0, "replaced", 0},
                 {"cancel", 0, 0, "proposed", 1}};
    for (const auto& k : cases) {
      popupMode = k.mode;
      cef_client_t* slot = proposed->ToCef();
      int noJs = k.noJsIn;
      cef_window_info_t wi{};
      cef_browser_settings_t bs{};
      cef_popup_features_t pf{};
      std::wstring url = L"https://p.example/";
      cef_string_t u = lzg::CefStringView(url);
      int r = ls->on_before_popup(ls.get(), own->ToCef(), nullptr, &u, nullptr, WOD_NEW_POPUP, 1, &pf, &wi, &slot, &bs,
                                  &noJs);
      EXPECT_EQ(r, k.result) << k.mode;
      EXPECT_EQ(noJs, k.noJsOut) << k.mode;
      std::string got = !slot ? "none" : slot == proposed->CefPtr() ? "proposed" : "replaced";
      EXPECT_EQ(got, k.slot) << k.mode;
      // The proposed client's reference is released whatever the answer; a
      // replacement carries one of its own, which the engine takes over.
      EXPECT_TRUE(proposed->HasOneRef()) << k.mode;
      if (slot == other->CefPtr()) {
        EXPECT_FALSE(other->HasOneRef()) << k.mode;
        lzg::ReleaseCefObject(slot);
      }
      EXPECT_TRUE(other->HasOneRef()) << k.mode;
    }

    // Bookkeeping: the first browser is recorded; a popup from the same client is not.
    ls->on_after_created(ls.get(), own->ToCef());
    EXPECT_TRUE(host.Initialized());
    EXPECT_EQ(host.BrowserId(), 7);
    // The main thread takes its own reference when it handles the hand-over.
    EXPECT_EQ(host.Browser(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == own->CefPtr(); }));
    EXPECT_FALSE(own->HasOneRef());
    ls->on_after_created(ls.get(), popup->ToCef());
    EXPECT_EQ(host.BrowserId(), 7);
    answer = CloseBrowserAction::kDelay;
    EXPECT_EQ(ls->do_close(ls.get(), popup->ToCef()), 1);
    EXPECT_FALSE(host.IsClosing());  // not the host's browser
    ls->on_before_close(ls.get(), popup->ToCef());
    EXPECT_TRUE(host.Initialized());
    answer = CloseBrowserAction::kCancel;
    EXPECT_EQ(ls->do_close(ls.get(), own->ToCef()), 1);
    EXPECT_TRUE(host.Initialized());
    answer = CloseBrowserAction::kClose;
    EXPECT_EQ(ls->do_close(ls.get(), own->ToCef()), 0);
    EXPECT_FALSE(host.Initialized());  // at once, before the browser has closed
    EXPECT_TRUE(host.IsClosing());
    ls->on_before_close(ls.get(), own->ToCef());
    EXPECT_EQ(host.BrowserId(), 0);
    EXPECT_EQ(closes, 3);
    // ... and drops it on the main thread once the close is reported.
    ASSERT_TRUE(PumpUntil([&] { return host.Browser() == nullptr; }));
    EXPECT_TRUE(own->HasOneRef());

    // Detached: defaults, and nothing reaches the host.
    client->RemoveReferences();
    int shortcut = 1;
    EXPECT_EQ(kh->on_pre_key_event(kh.get(), own->ToCef(), &ev, nullptr, &shortcut), 0);
    EXPECT_EQ(kh->on_key_event(kh.get(), own->ToCef(), &ev, nullptr), 0);
    EXPECT_EQ(ls->do_close(ls.get(), own->ToCef()), 0);
    ls->on_after_created(ls.get(), own->ToCef());
    EXPECT_EQ(host.BrowserId(), 0);
    EXPECT_EQ(keyEvents, 1);
    EXPECT_EQ(closes, 3);
    lzg::CefRef<cef_request_handler_t> rh(c->get_request_handler(c));
    EXPECT_EQ(rh->can_set_cookie(rh.get(), own->ToCef(), nullptr, nullptr, nullptr), 1);
    int allow = 1;
    rh->on_protocol_execution(rh.get(), own->ToCef(), nullptr, &allow);
    EXPECT_EQ(allow, 1);
    EXPECT_EQ(rh->get_auth_credentials(rh.get(), own->ToCef(), nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(rh->on_certificate_error(rh.get(), own->ToCef(), ERR_FAILED, nullptr, nullptr, nullptr), 0);
    // Every browser reference handed in came back.
    EXPECT_TRUE(own->HasOneRef());
    EXPECT_TRUE(popup->HasOneRef());
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), base);
}

// A modified click reaches the owner's OnOpenUrlFromTab with what the engine gave; its Result is the answer.
// Transitions with qualifier bits and error codes beyond the named ones arrive as they were sent.
TEST(Dispatch, OpenUrlFromTabAndWideEngineValuesReachTheEvents) {
  long base = lzg::LiveBridgedObjects();
  {
    BrowserHost host(nullptr);
    std::vector<std::string> seen;
    std::vector<int32_t> transitions, errors;
    host.OnOpenUrlFromTab = [&](TObject* sender, cef_browser_t* browser, cef_frame_t*, const std::wstring& url,
                                cef_window_open_disposition_t d, bool gesture, bool& result) {
      EXPECT_EQ(sender, &host);
      EXPECT_EQ(browser->get_identifier(browser), 7);
      EXPECT_FALSE(result);
      seen.push_back(std::string(url.begin(), url.end()) + "|" + std::to_string(static_cast<int>(d)) + "|" +
                     std::to_string(gesture));
      result = d == WOD_NEW_BACKGROUND_TAB;
    };
    host.OnLoadStart = [&](TObject*, cef_browser_t*, cef_frame_t*, cef_transition_type_t t) {
      transitions.push_back(t);
    };
    host.OnLoadError = [&](TObject*, cef_browser_t*, cef_frame_t*, cef_errorcode_t code, const std::wstring&,
                           const std::wstring&) { errors.push_back(code); };
    lzg::ClientHandlerFlags flags;
    flags.load = true;
    auto client = lzg::MakeRef<lzg::Client>(&host, flags);
    cef_client_t* c = client->CefPtr();
    lzg::CefRef<cef_request_handler_t> rh(c->get_request_handler(c));
    lzg::CefRef<cef_load_handler_t> lh(c->get_load_handler(c));
    ASSERT_TRUE(rh);
    ASSERT_TRUE(lh);
    auto own = lzg::MakeRef<FakeBrowser>(7);

    std::wstring url = L"https://t.example/a b?c=1";
    cef_string_t u = lzg::CefStringView(url);
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1), 1);
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_WINDOW, 0), 0);
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), own->ToCef(), nullptr, nullptr, WOD_CURRENT_TAB, 1), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"https://t.example/a b?c=1|4|1", "https://t.example/a b?c=1|6|0", "|1|1"}));

    const int32_t sentTransitions[] = {TT_LINK, TT_EXPLICIT | 0x30000000, static_cast<int32_t>(0xC0000007u),
                                       TT_RELOAD | 0x01000000, INT32_MIN, INT32_MAX};
    for (int32_t t : sentTransitions) lh->on_load_start(lh.get(), own->ToCef(), nullptr, t);
    EXPECT_EQ(transitions, std::vector<int32_t>(std::begin(sentTransitions), std::end(sentTransitions)));
    const int32_t sentErrors[] = {ERR_ABORTED, -118, -501, -9999, INT32_MIN, 1};
    for (int32_t e : sentErrors) lh->on_load_error(lh.get(), own->ToCef(), nullptr, e, nullptr, nullptr);
    EXPECT_EQ(errors, std::vector<int32_t>(std::begin(sentErrors), std::end(sentErrors)));

    // No handler bound, or detached: the address loads in place.
    host.OnOpenUrlFromTab = nullptr;
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1), 0);
    client->RemoveReferences();
    host.OnOpenUrlFromTab = [&](TObject*, cef_browser_t*, cef_frame_t*, const std::wstring&,
                                cef_window_open_disposition_t, bool, bool& result) { result = true; };
    EXPECT_EQ(rh->on_open_urlfrom_tab(rh.get(), own->ToCef(), nullptr, &u, WOD_NEW_BACKGROUND_TAB, 1), 0);
    EXPECT_TRUE(own->HasOneRef());
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), base);
}

TEST(HostRules, QuotedStrDoublesInnerQuotes) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"", L"''"}, {L"abc", L"'abc'"}, {L"it's", L"'it''s'"}, {L"''", L"''''''"}, {L"中文'", L"'中文'''"}};
  for (auto c : cases) EXPECT_EQ(lzg::QuotedStr(c.in), c.out);
}

// ---- the engine for this process ------------------------------------------------------

namespace {
class TestApp : public EngineApp {
 protected:
  void ShowErrorMessageDlg(const std::wstring& text) override {
    fprintf(stderr, "engine start-up error: %s\n", testutil::ToUtf8(text).c_str());
  }
};
bool IsSubprocess() { return wcsstr(GetCommandLineW(), L"--type=") != nullptr; }
}  // namespace

int main(int argc, char** argv) {
  if (!IsSubprocess()) {
    DeleteFileW(TracePath().c_str());
    SetEnvironmentVariableW(L"STANDIN_TRACE", TracePath().c_str());
    SetEnvironmentVariableW(L"STANDIN_CONTEXT_DELAY_MS", L"1500");
  }
  GlobalCEFApp = new TestApp();
  GlobalCEFApp->SetFrameworkDirPath(L"cef");
  GlobalCEFApp->SetResourcesDirPath(L"cef");
  GlobalCEFApp->SetLocalesDirPath(L"cef\\locales");
  GlobalCEFApp->Locale = L"zh-CN";
  GlobalCEFApp->LocalesRequired = L"zh-CN";
  if (!GlobalCEFApp->StartMainProcess()) {
    bool sub = GlobalCEFApp->GetProcessType() != ProcessType::kBrowser;
    DestroyGlobalCEFApp();
    if (!sub) fprintf(stderr, "the engine did not start\n");
    return sub ? 0 : 1;
  }
  testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  Application::DestroyForms();
  using LiveFn = int (*)();
  auto engineLive = reinterpret_cast<LiveFn>(GetProcAddress(GlobalCEFApp->LibHandle(), "standin_live_objects"));
  DestroyGlobalCEFApp();
  if (engineLive) {
    printf("engine live objects after shutdown: %d\n", engineLive());
    if (engineLive() != 0) rc = 1;
  }
  // The engine saw no browser open at shutdown and kept nothing of ours.
  for (auto& l : ReadTrace())
    if (l.event == "shutdown") {
      printf("engine shutdown: open_browsers=%s live_objects=%s\n", l["open_browsers"].c_str(), l["live_objects"].c_str());
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
