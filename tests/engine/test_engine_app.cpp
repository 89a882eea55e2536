// The engine application object in this process: creation, paths, the settings
// record, the switches, the file checks and their messages, the handlers, the
// cookie initialiser against fake engine objects, the diagnostics, the teardown.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine_app.h"
#include "engine/app_handler.h"
#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_string.h"
#include "engine/cookie_store_initializer.h"
#include "engine/file_info.h"
#include "engine/startup_rules.h"
#include "config/settings.h"
#include "launch/engine_setup.h"
#include "launch/launch_plan.h"
#include "launch/profile_folders.h"
#include "tests/support/wait.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/test_util.h"
#include "tests/support/command_line_cases.h"

using enginetest::DebugOutputCapture;
using enginetest::Narrow;
using enginetest::TempDir;
using enginetest::WriteFile;

namespace {

const wchar_t kBrowserCmd[] = L"\"C:\\game\\lzgmin.exe\"";
const wchar_t kRendererCmd[] = L"\"C:\\game\\lzgmin.exe\" --type=renderer --lang=zh-CN";

// Sees every start-up message instead of a message box.
class RecordingApp : public EngineApp {
 public:
  explicit RecordingApp(const std::wstring& cmd = kBrowserCmd) : EngineApp(cmd) {}
  std::vector<std::wstring> messages;
  bool* destroyedFlag = nullptr;
  bool sawGlobalDuringTeardown = false;
  ~RecordingApp() override {
    if (destroyedFlag) *destroyedFlag = true;
    sawGlobalDuringTeardown = GlobalCEFApp != nullptr;
    if (destroyedFlag) destroyedFlag[1] = sawGlobalDuringTeardown;
  }
  using EngineApp::LoadCEFlibrary;
  void CallBaseShowErrorMessageDlg(const std::wstring& t) { EngineApp::ShowErrorMessageDlg(t); }

 protected:
  void ShowErrorMessageDlg(const std::wstring& text) override { messages.push_back(text); }
};

// Puts an object in GlobalCEFApp for the handlers, and takes it out again.
struct GlobalScope {
  explicit GlobalScope(EngineApp* app) { GlobalCEFApp = app; }
  ~GlobalScope() { GlobalCEFApp = nullptr; }
};

// The engine's function table is process-wide; each test leaves it as it found it.
struct CefTableScope {
  lzg::CefApi saved = lzg::g_cef;
  ~CefTableScope() { lzg::g_cef = saved; }
};


// A complete engine folder of placeholders, as a start-up check sees it.
void MakeEngineFolder(const std::wstring& root) {
  for (auto& n : lzg::FrameworkFileNames()) WriteFile(root + L"\\cef\\" + n);
  for (auto& n : lzg::ResourceFileNames(false, true)) WriteFile(root + L"\\cef\\" + n);
  WriteFile(root + L"\\cef\\locales\\zh-CN.pak");
}

void PointAt(EngineApp& app, const std::wstring& root) {
  app.SetFrameworkDirPath(root + L"\\cef");
  app.SetResourcesDirPath(root + L"\\cef");
  app.SetLocalesDirPath(root + L"\\cef\\locales");
  app.LocalesRequired = L"zh-CN";
}

// --- Fake engine objects, built on the same bridge as the runtime's own -------------

class FakeCommandLine : public lzg::CefObject<cef_command_line_t, FakeCommandLine> {
  using Self = FakeCommandLine;

 public:
  FakeCommandLine() {
    LZG_BIND(append_switch, AppendSwitch);
    LZG_BIND(append_switch_with_value, AppendSwitchWithValue);
  }
  void AppendSwitch(const cef_string_t* name) { switches.push_back(lzg::CefToWString(name)); }
  void AppendSwitchWithValue(const cef_string_t* name, const cef_string_t* value) {
    switches.push_back(lzg::CefToWString(name) + L"=" + lzg::CefToWString(value));
  }
  std::vector<std::wstring> switches;
};

class FakeEvent : public lzg::CefObject<cef_waitable_event_t, FakeEvent> {
  using Self = FakeEvent;

 public:
  FakeEvent() : h_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    LZG_BIND(signal, Signal);
    LZG_BIND(timed_wait, TimedWait);
  }
  ~FakeEvent() override { CloseHandle(h_); }
  void Signal() { SetEvent(h_); }
  bool TimedWait(int64 ms) {
    waitedMs = ms;
    return WaitForSingleObject(h_, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
  }
  std::atomic<int64> waitedMs{-1};

 private:
  HANDLE h_;
};

class FakeCookieManager : public lzg::CefObject<cef_cookie_manager_t, FakeCookieManager> {
  using Self = FakeCookieManager;

 public:
  FakeCookieManager() { LZG_BIND(set_storage_path, SetStoragePath); }
  bool SetStoragePath(const cef_string_t* path, int persist, cef_completion_callback_t* callback) {
    storagePath = lzg::CefToWString(path);
    storagePersist = persist;
    storageCallback = callback != nullptr;
    storageCalls++;
    return true;
  }
  std::wstring storagePath;
  int storagePersist = -1;
  bool storageCallback = false;
  std::atomic<int> storageCalls{0};
};

// What the fake engine functions work on.
struct FakeCookieEngine {
  FakeEvent* lastEvent = nullptr;
  FakeCookieManager* manager = nullptr;
  bool ready = true;
  cef_completion_callback_t* heldCallback = nullptr;
  std::atomic<int> getManagerCalls{0};
};
FakeCookieEngine* g_fake = nullptr;

cef_waitable_event_t* CEF_EXPORT FakeEventCreate(int automaticReset, int initiallySignaled) {
  EXPECT_EQ(automaticReset, 1);
  EXPECT_EQ(initiallySignaled, 0);
  auto* e = new FakeEvent();
  g_fake->lastEvent = e;
  e->AddRef();  // kept by the test to look at afterwards
  return e->CefPtr();  // the creator's reference goes to the caller
}

cef_cookie_manager_t* CEF_EXPORT FakeGetGlobalManager(cef_completion_callback_t* callback) {
  g_fake->getManagerCalls++;
  if (g_fake->ready) {
    callback->on_complete(callback);
    callback->base.release(&callback->base);
  } else {
    g_fake->heldCallback = callback;  // never completes
  }
  if (!g_fake->manager) return nullptr;
  return g_fake->manager->ToCef();
}

}  // namespace

// --- Creation ---------------------------------------------------------------------------

TEST(Creation, DefaultsAndRecord) {
  RecordingApp app;
  EXPECT_EQ(app.Status(), AppStatus::kLoading);
  EXPECT_EQ(app.GetProcessType(), ProcessType::kBrowser);
  EXPECT_FALSE(app.LibLoaded());
  EXPECT_EQ(app.LibHandle(), nullptr);
  EXPECT_TRUE(app.MissingLibFiles().empty());
  EXPECT_TRUE(app.MultiThreadedMessageLoop());
  EXPECT_FALSE(app.GlobalContextInitialized());
  EXPECT_EQ(app.Settings().size, 204u);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&app.Settings());
  for (size_t i = 4; i < sizeof(cef_settings_t); ++i) ASSERT_EQ(bytes[i], 0) << "record byte " << i;

  struct {
    const char* name;
    bool value, expected;
  } flags[] = {
      {"NoSandbox", app.NoSandbox, true},
      {"FlashEnabled", app.FlashEnabled, true},
      {"EnableMediaStream", app.EnableMediaStream, true},
      {"EnableSpeechInput", app.EnableSpeechInput, true},
      {"EnableGPU", app.EnableGPU, false},
      {"DisableGPUCache", app.DisableGPUCache, true},
      {"SitePerProcess", app.SitePerProcess, true},
      {"SingleProcess", app.SingleProcess, false},
      {"CheckCEFFiles", app.CheckCEFFiles, true},
      {"CheckDevToolsResources", app.CheckDevToolsResources, true},
      {"ShowMessageDlg", app.ShowMessageDlg, true},
      {"DestroyAppWindows", app.DestroyAppWindows, true},
      {"ReRaiseExceptions", app.ReRaiseExceptions, false},
      {"MustFreeLibrary", app.MustFreeLibrary, false},
      {"MustCreateBrowserProcessHandler", app.MustCreateBrowserProcessHandler, true},
      {"PersistSessionCookies", app.PersistSessionCookies, false},
      {"ExternalMessagePump", app.ExternalMessagePump, false},
  };
  for (auto& f : flags) EXPECT_EQ(f.value, f.expected) << f.name;
  EXPECT_EQ(app.LogSeverity, LOGSEVERITY_DISABLE);
  EXPECT_EQ(app.SmoothScrolling, STATE_DEFAULT);
  EXPECT_EQ(app.AutoplayPolicy, AutoplayPolicy::kDefault);
  EXPECT_EQ(app.RemoteDebuggingPort, 0);
  EXPECT_EQ(app.ShutdownWaitTime, 0u);
  EXPECT_TRUE(app.LocalesRequired.empty());
  EXPECT_EQ(app.WindowsSandboxInfo, nullptr);
}

TEST(Creation, RoleFromTheGivenCommandLine) {
  EXPECT_EQ(RecordingApp(kRendererCmd).GetProcessType(), ProcessType::kRenderer);
  EXPECT_EQ(RecordingApp(L"lzgmin.exe --type=gpu-process").GetProcessType(), ProcessType::kGpu);
  EXPECT_EQ(RecordingApp(L"lzgmin.exe \"--type=utility\" --x").GetProcessType(), ProcessType::kOther);
  EXPECT_EQ(RecordingApp(L"\"C:\\a b\\lzgmin.exe\" \"http://x/y?a=1 b\"").GetProcessType(), ProcessType::kBrowser);
  // A sub-process gets no browser-process handler, so it never waits for the context.
  EXPECT_TRUE(RecordingApp(kRendererCmd).GlobalContextInitialized());
}

// The role the object takes and the profile the launch steps choose come from one reading of the command line:
// whatever one of them takes for the address, the other never takes for a switch.
TEST(Creation, RoleAndProfileFromOneReadingOfTheCommandLine) {
  testutil::TempDir dir;
  for (const cmdcases::Case& c : cmdcases::kCases) {
    const std::string shown = testutil::ToUtf8(c.commandLine);
    EXPECT_EQ(EngineApp::ProcessTypeOf(c.commandLine), c.role) << shown;
    EXPECT_EQ(RecordingApp(c.commandLine).GetProcessType(), c.role) << shown;
    ResetSettingsState();
    const lzg::LaunchPlan plan = lzg::PrepareLaunch(c.commandLine, dir.Dir());
    EXPECT_EQ(g_ParamStr_1, c.firstArgument) << shown;
    EXPECT_EQ(plan.profile, *c.firstArgument ? 1 : 0) << shown;
    if (*c.firstArgument) {
      EXPECT_EQ(plan.homepage, c.firstArgument) << shown;
    }
  }
  ResetSettingsState();
}

TEST(Creation, MasksEveryX87Exception) {
  unsigned short cw = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(cw));
  unsigned short unmasked = static_cast<unsigned short>(cw & ~0x3F);
  __asm__ __volatile__("fldcw %0" : : "m"(unmasked));
  { RecordingApp app; }
  unsigned short after = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(after));
  EXPECT_EQ(after & 0x3F, 0x3F);
  __asm__ __volatile__("fldcw %0" : : "m"(cw));
}

// --- Paths ------------------------------------------------------------------------------

TEST(Paths, SettersFollowTheRules) {
  const std::wstring exeDir = lzg::ExeDirectory();
  ASSERT_FALSE(exeDir.empty());
  const std::wstring rel = L"engine-paths-" + std::to_wstring(GetCurrentProcessId());
  std::filesystem::create_directories(exeDir + rel + L"\\sub");
  TempDir tmp;
  std::filesystem::create_directories(tmp / L"a\\b");
  const std::wstring mixed = tmp.path() + L"\\a/b";

  struct Case {
    const char* what;
    void (EngineApp::*set)(const std::wstring&);
    const std::wstring& (EngineApp::*get)() const;
    std::wstring input, expected;
  } cases[] = {
      {"framework empty", &EngineApp::SetFrameworkDirPath, &EngineApp::FrameworkDirPath, L"", L""},
      {"framework relative existing", &EngineApp::SetFrameworkDirPath, &EngineApp::FrameworkDirPath, rel,
       exeDir + rel},
      {"framework relative missing", &EngineApp::SetFrameworkDirPath, &EngineApp::FrameworkDirPath,
       rel + L"-missing", L""},
      {"resources absolute, mixed delimiters kept", &EngineApp::SetResourcesDirPath,
       &EngineApp::ResourcesDirPath, mixed, mixed},
      {"resources trailing delimiter kept", &EngineApp::SetResourcesDirPath, &EngineApp::ResourcesDirPath,
       rel + L"\\sub\\", exeDir + rel + L"\\sub\\"},
      {"locales absolute missing", &EngineApp::SetLocalesDirPath, &EngineApp::LocalesDirPath,
       tmp.path() + L"\\nope", L""},
      {"locales relative existing", &EngineApp::SetLocalesDirPath, &EngineApp::LocalesDirPath,
       rel + L"\\sub", exeDir + rel + L"\\sub"},
      {"user data relative, not existing", &EngineApp::SetUserDataPath, &EngineApp::UserDataPath, L"data",
       exeDir + L"data"},
      {"cookies absolute, not existing", &EngineApp::SetCookies, &EngineApp::Cookies,
       L"C:/users/p/AppData/lzgmin/cookies", L"C:/users/p/AppData/lzgmin/cookies"},
      {"cache relative", &EngineApp::SetCache, &EngineApp::Cache, L"c/x", exeDir + L"c/x"},
  };
  for (const Case& c : cases) {
    RecordingApp app;
    (app.*c.set)(L"C:\\previous");
    (app.*c.set)(c.input);
    EXPECT_EQ((app.*c.get)(), c.expected) << c.what;
  }
  std::filesystem::remove_all(exeDir + rel);
}

TEST(Paths, CacheDecidesGpuCacheSwitch) {
  RecordingApp app;
  app.SetCache(L"Z:\\not\\there");
  EXPECT_FALSE(app.DisableGPUCache);
  app.SetCache(L"");
  EXPECT_TRUE(app.Cache().empty());
  EXPECT_TRUE(app.DisableGPUCache);
  app.SetCache(L"rel");
  EXPECT_FALSE(app.DisableGPUCache);
}

// --- The launch steps that configure the object ---------------------------------------

TEST(LaunchSteps, ProfileDirectoriesAndFixedProperties) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring suffix = lzg::DateSuffix(now);
  wchar_t temp[1024], appdata[1024];
  ASSERT_GT(GetEnvironmentVariableW(L"TEMP", temp, 1024), 0u);
  ASSERT_GT(GetEnvironmentVariableW(L"APPDATA", appdata, 1024), 0u);

  struct Case {
    std::wstring param, name;
  } cases[] = {{L"", L"/lzgmin"}, {L"http://game.example/x?y=1", L"/lzgmin3game"}};
  for (const Case& c : cases) {
    g_ParamStr_1 = c.param;
    CreateGlobalCEFApp_2();
    ASSERT_NE(GlobalCEFApp, nullptr);
    EngineApp& app = *GlobalCEFApp;
    EXPECT_EQ(app.Cache(), std::wstring(temp) + c.name + L"/cache" + suffix);
    EXPECT_EQ(app.Cookies(), std::wstring(appdata) + c.name + L"/cookies");
    EXPECT_EQ(app.UserDataPath(), std::wstring(appdata) + c.name + L"/UserData");
    EXPECT_FALSE(app.DisableGPUCache);
    EXPECT_TRUE(app.EnableGPU);
    EXPECT_FALSE(app.FlashEnabled);
    EXPECT_EQ(app.AcceptLanguageList, L"zh-CN");
    EXPECT_EQ(app.LocalesRequired, L"zh-CN");
    EXPECT_EQ(app.Locale, L"zh-CN");
    EXPECT_TRUE(static_cast<bool>(app.OnContextInitialized));
    const bool hasCef = lzg::DirectoryExists(lzg::ExeDirectory() + L"cef");
    EXPECT_EQ(app.FrameworkDirPath(), hasCef ? lzg::ExeDirectory() + L"cef" : L"");
    DestroyGlobalCEFApp();
  }
  g_ParamStr_1.clear();
}

TEST(LaunchSteps, ContextCallbackPostsOnlyToAnExistingWindow) {
  g_ChildFormHandle = nullptr;
  GlobalCEFApp_OnContextInitialized_2();  // no window yet: nothing, no failure

  HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  g_ChildFormHandle = w;
  GlobalCEFApp_OnContextInitialized_2();
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, w, 0x8103, 0x8103, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg.lParam, 0);
  DestroyWindow(w);
  GlobalCEFApp_OnContextInitialized_2();  // a stale handle posts nothing
  EXPECT_FALSE(PeekMessageW(&msg, w, 0x8103, 0x8103, PM_REMOVE));
  g_ChildFormHandle = nullptr;
}

// --- Settings record --------------------------------------------------------------------

TEST(SettingsRecord, PointsAtTheObjectsOwnTexts) {
  TempDir tmp;
  MakeEngineFolder(tmp.path());
  RecordingApp app;
  PointAt(app, tmp.path());
  app.SetCache(L"C:/t/lzgmin/cache2406");
  app.SetUserDataPath(L"C:/a/lzgmin/UserData");
  app.Locale = L"zh-CN";
  app.AcceptLanguageList = L"zh-CN";
  app.InitializeSettings();
  const cef_settings_t& s = app.Settings();

  EXPECT_EQ(s.size, 204u);
  EXPECT_EQ(s.no_sandbox, 1);
  EXPECT_EQ(s.multi_threaded_message_loop, 1);
  EXPECT_EQ(s.log_severity, 99);
  struct Text {
    const char* field;
    const cef_string_t& value;
    const std::wstring& owner;
  } texts[] = {
      {"browser_subprocess_path", s.browser_subprocess_path, app.BrowserSubprocessPath},
      {"framework_dir_path", s.framework_dir_path, app.FrameworkDirPath()},
      {"cache_path", s.cache_path, app.Cache()},
      {"user_data_path", s.user_data_path, app.UserDataPath()},
      {"user_agent", s.user_agent, app.UserAgent},
      {"product_version", s.product_version, app.ProductVersion},
      {"locale", s.locale, app.Locale},
      {"log_file", s.log_file, app.LogFile},
      {"javascript_flags", s.javascript_flags, app.JavaScriptFlags},
      {"resources_dir_path", s.resources_dir_path, app.ResourcesDirPath()},
      {"locales_dir_path", s.locales_dir_path, app.LocalesDirPath()},
      {"accept_language_list", s.accept_language_list, app.AcceptLanguageList},
  };
  for (const Text& t : texts) {
    EXPECT_EQ(t.value.str, t.owner.c_str()) << t.field << ": not the object's own text";
    EXPECT_EQ(t.value.length, t.owner.size()) << t.field;
    EXPECT_EQ(t.value.dtor, nullptr) << t.field;
    ASSERT_NE(t.value.str, nullptr) << t.field;
    EXPECT_EQ(t.value.str[t.value.length], L'\0') << t.field;
  }
  EXPECT_EQ(lzg::CefToWString(&s.locales_dir_path), tmp.path() + L"\\cef\\locales");
  EXPECT_EQ(lzg::CefToWString(&s.cache_path), L"C:/t/lzgmin/cache2406");
  EXPECT_EQ(s.browser_subprocess_path.length, 0u);
  struct Int {
    const char* field;
    int value, expected;
  } ints[] = {{"external_message_pump", s.external_message_pump, 0},
              {"windowless_rendering_enabled", s.windowless_rendering_enabled, 0},
              {"command_line_args_disabled", s.command_line_args_disabled, 0},
              {"persist_session_cookies", s.persist_session_cookies, 0},
              {"persist_user_preferences", s.persist_user_preferences, 0},
              {"pack_loading_disabled", s.pack_loading_disabled, 0},
              {"remote_debugging_port", s.remote_debugging_port, 0},
              {"uncaught_exception_stack_size", s.uncaught_exception_stack_size, 0},
              {"ignore_certificate_errors", s.ignore_certificate_errors, 0},
              {"enable_net_security_expiration", s.enable_net_security_expiration, 0},
              {"background_color", static_cast<int>(s.background_color), 0}};
  for (auto& i : ints) EXPECT_EQ(i.value, i.expected) << i.field;

  // Changed properties reach the record on the next fill.
  app.RemoteDebuggingPort = 9222;
  app.PersistSessionCookies = true;
  app.BackgroundColor = 0xFF102030u;
  app.InitializeSettings();
  EXPECT_EQ(s.remote_debugging_port, 9222);
  EXPECT_EQ(s.persist_session_cookies, 1);
  EXPECT_EQ(s.background_color, 0xFF102030u);
}

// --- Switches through the app handler -------------------------------------------------------

TEST(Switches, OnlyTheBrowserProcessWithAnEmptyType) {
  const long live = lzg::LiveBridgedObjects();
  struct Case {
    const wchar_t* cmd;
    const wchar_t* offeredType;  // null: the engine passes no type at all
    std::vector<std::wstring> expected;
  } cases[] = {
      {kBrowserCmd, nullptr, {L"--enable-media-stream=1", L"--enable-speech-input=1", L"--site-per-process"}},
      {kBrowserCmd, L"", {L"--enable-media-stream=1", L"--enable-speech-input=1", L"--site-per-process"}},
      {kBrowserCmd, L"renderer", {}},
      {kRendererCmd, L"", {}},
      {L"lzgmin.exe --type=gpu-process", nullptr, {}},
  };
  for (const Case& c : cases) {
    RecordingApp app(c.cmd);
    app.EnableGPU = true;
    app.FlashEnabled = false;
    app.SetCache(L"C:/cache");
    GlobalScope global(&app);
    auto handler = lzg::MakeRef<AppHandler>(&app);
    auto line = lzg::MakeRef<FakeCommandLine>();
    cef_app_t* a = handler->CefPtr();
    std::wstring typeText = c.offeredType ? c.offeredType : L"";
    cef_string_t type = lzg::CefStringView(typeText);
    a->on_before_command_line_processing(a, c.offeredType ? &type : nullptr, line->ToCef());
    EXPECT_EQ(line->switches, c.expected) << Narrow(c.cmd);
    EXPECT_TRUE(line->HasOneRef()) << "the command line's reference was not released";
    a->on_before_command_line_processing(a, nullptr, nullptr);  // no command line: nothing, no failure
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), live);
}

// --- Handlers --------------------------------------------------------------------------------

TEST(Handlers, BrowserProcessHandlerOnlyInTheMainProcess) {
  const long live = lzg::LiveBridgedObjects();
  {
    RecordingApp app;
    GlobalScope global(&app);
    auto handler = lzg::MakeRef<AppHandler>(&app);
    cef_app_t* a = handler->CefPtr();
    EXPECT_EQ(a->base.size, sizeof(cef_app_t));
    cef_browser_process_handler_t* bph = a->get_browser_process_handler(a);
    ASSERT_NE(bph, nullptr);
    EXPECT_EQ(bph->base.size, sizeof(cef_browser_process_handler_t));
    EXPECT_EQ(a->get_browser_process_handler(a), bph);  // the same object each time, a new reference
    bph->base.release(&bph->base);
    EXPECT_EQ(a->get_resource_bundle_handler(a), nullptr);
    EXPECT_EQ(a->get_render_process_handler(a), nullptr);
    EXPECT_EQ(bph->get_print_handler(bph), nullptr);
    a->on_register_custom_schemes(a, nullptr);
    bph->base.release(&bph->base);
  }
  {
    RecordingApp app(kRendererCmd);
    app.OnContextInitialized = [] {};
    GlobalScope global(&app);
    auto handler = lzg::MakeRef<AppHandler>(&app);
    EXPECT_EQ(handler->CefPtr()->get_browser_process_handler(handler->CefPtr()), nullptr);
  }
  {
    RecordingApp app;
    app.MustCreateBrowserProcessHandler = false;  // and no event assigned
    auto handler = lzg::MakeRef<AppHandler>(&app);
    EXPECT_FALSE(handler->HasBrowserProcessHandler());
    EXPECT_TRUE(app.GlobalContextInitialized());
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), live);
}

TEST(Handlers, ContextInitialisedMarksReadyThenCallsTheProgram) {
  const long started = CookieStoreInitializer::Started();
  RecordingApp app;
  int calls = 0;
  bool readyDuringCall = false;
  app.OnContextInitialized = [&] {
    ++calls;
    readyDuringCall = app.GlobalContextInitialized();
  };
  GlobalScope global(&app);
  auto handler = lzg::MakeRef<AppHandler>(&app);
  cef_browser_process_handler_t* bph = handler->CefPtr()->get_browser_process_handler(handler->CefPtr());
  ASSERT_NE(bph, nullptr);
  EXPECT_FALSE(app.GlobalContextInitialized());
  bph->on_context_initialized(bph);
  EXPECT_TRUE(app.GlobalContextInitialized());
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(readyDuringCall);
  EXPECT_EQ(CookieStoreInitializer::Started(), started) << "no cookie path, yet a thread started";

  // Once the teardown has begun (no global object), the callback does nothing.
  GlobalCEFApp = nullptr;
  bph->on_context_initialized(bph);
  EXPECT_EQ(calls, 1);
  bph->base.release(&bph->base);
}

TEST(Handlers, FailuresAreReportedWithTheOperationName) {
  DebugOutputCapture capture;
  RecordingApp app;
  app.OnContextInitialized = [] { throw std::runtime_error("页面 broke"); };
  GlobalScope global(&app);
  auto handler = lzg::MakeRef<AppHandler>(&app);
  cef_browser_process_handler_t* bph = handler->CefPtr()->get_browser_process_handler(handler->CefPtr());
  ASSERT_NE(bph, nullptr);
  bph->on_context_initialized(bph);  // must not throw into the engine
  bph->base.release(&bph->base);
  EXPECT_NE(capture.text().find(L"TCefCustomBrowserProcessHandler.OnContextInitialized error : 页面 broke"),
            std::wstring::npos)
      << Narrow(capture.text());
}

// --- Cookie initialiser ---------------------------------------------------------------------

class CookieInitializer : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = &fake;
    lzg::g_cef.cef_waitable_event_create = &FakeEventCreate;
    lzg::g_cef.cef_cookie_manager_get_global_manager = &FakeGetGlobalManager;
    live = lzg::LiveBridgedObjects();
    fake.manager = new FakeCookieManager();
  }
  void TearDown() override {
    ASSERT_TRUE(testutil::WaitUntil([] { return CookieStoreInitializer::Running() == 0; }, 8000));
    if (fake.heldCallback) fake.heldCallback->base.release(&fake.heldCallback->base);
    if (fake.lastEvent) fake.lastEvent->Release();
    fake.manager->Release();
    g_fake = nullptr;
    EXPECT_EQ(lzg::LiveBridgedObjects(), live) << "a reference was kept or released too often";
  }
  CefTableScope table;
  FakeCookieEngine fake;
  long live = 0;
};

TEST_F(CookieInitializer, AppliesTheDirectoryWhenStorageIsReady) {
  RecordingApp app;
  app.SetCookies(L"C:/Users/p/AppData/Roaming/lzgmin/cookies");
  std::atomic<int> notices{0}, pathSetAtNotice{-1};
  app.OnCookieStoreSettled = [&] {
    pathSetAtNotice = fake.manager->storageCalls.load();
    notices++;
  };
  GlobalScope global(&app);
  EXPECT_FALSE(app.CookieStoreSettled());
  app.Internal_OnContextInitialized();
  ASSERT_TRUE(testutil::WaitUntil([&] { return fake.manager->storageCalls.load() == 1; }, 3000));
  EXPECT_EQ(fake.manager->storagePath, L"C:/Users/p/AppData/Roaming/lzgmin/cookies");
  EXPECT_EQ(fake.manager->storagePersist, 0);
  EXPECT_FALSE(fake.manager->storageCallback);
  // Settled only once the path is set, and told once.
  ASSERT_TRUE(testutil::WaitUntil([&] { return notices.load() == 1; }, 3000));
  EXPECT_EQ(pathSetAtNotice.load(), 1);
  EXPECT_TRUE(app.CookieStoreSettled());
}

TEST_F(CookieInitializer, NothingToPointMeansSettledAtOnceWithoutANotice) {
  RecordingApp app;
  int notices = 0;
  app.OnCookieStoreSettled = [&] { notices++; };
  GlobalScope global(&app);
  EXPECT_TRUE(app.CookieStoreSettled());
  app.Internal_OnContextInitialized();
  EXPECT_TRUE(app.CookieStoreSettled());
  EXPECT_EQ(notices, 0);
  EXPECT_EQ(fake.getManagerCalls.load(), 0);
}

TEST_F(CookieInitializer, GivesUpAfterFiveSecondsWithoutBlocking) {
  fake.ready = false;
  RecordingApp app;
  app.SetCookies(L"C:/cookies");
  app.PersistSessionCookies = true;
  GlobalScope global(&app);
  std::atomic<DWORD> settledAt{0};
  app.OnCookieStoreSettled = [&] { settledAt = GetTickCount(); };
  const long running = CookieStoreInitializer::Running();
  DWORD t0 = GetTickCount();
  app.Internal_OnContextInitialized();
  EXPECT_LT(GetTickCount() - t0, 1000u) << "the context callback waited for the cookie store";
  ASSERT_TRUE(testutil::WaitUntil([&] { return fake.getManagerCalls.load() == 1; }, 3000));
  EXPECT_EQ(CookieStoreInitializer::Running(), running + 1);
  EXPECT_FALSE(app.CookieStoreSettled()) << "settled while the store was still awaited";
  ASSERT_TRUE(testutil::WaitUntil([] { return CookieStoreInitializer::Running() == 0; }, 7000));
  DWORD took = GetTickCount() - t0;
  EXPECT_GE(took, 4900u);
  EXPECT_EQ(fake.lastEvent->waitedMs.load(), 5000);
  EXPECT_EQ(fake.manager->storageCalls.load(), 0);
  // Giving up settles it too: the game page need not wait any longer.
  EXPECT_TRUE(app.CookieStoreSettled());
  ASSERT_NE(settledAt.load(), 0u);
  EXPECT_GE(settledAt.load() - t0, 4900u);
}

TEST_F(CookieInitializer, NoManagerMeansNothingIsSet) {
  fake.manager->Release();
  fake.manager = nullptr;
  RecordingApp app;
  app.SetCookies(L"C:/cookies");
  EXPECT_TRUE(CookieStoreInitializer::Start(L"C:/cookies", false));
  ASSERT_TRUE(testutil::WaitUntil([] { return CookieStoreInitializer::Running() == 0; }, 3000));
  fake.manager = new FakeCookieManager();  // for TearDown's bookkeeping
  EXPECT_EQ(fake.getManagerCalls.load(), 1);
}

TEST(CookieInitializerWithoutEngine, ReportsAndEnds) {
  CefTableScope table;
  lzg::g_cef.cef_waitable_event_create = nullptr;
  DebugOutputCapture capture;
  EXPECT_TRUE(CookieStoreInitializer::Start(L"C:/cookies", false));
  ASSERT_TRUE(testutil::WaitUntil([] { return CookieStoreInitializer::Running() == 0; }, 3000));
  EXPECT_NE(capture.text().find(L"TCEFCookieInitializerThread.Execute error : "), std::wstring::npos);
}

// --- File checks and their messages ----------------------------------------------------------

TEST(FileChecks, MissingFilesListedInOneMessageInOrder) {
  struct Case {
    const char* what;
    std::vector<std::wstring> remove;      // relative to the root
    std::vector<std::wstring> listed;      // relative to the root, in message order
  } cases[] = {
      {"locale only", {L"cef\\locales\\zh-CN.pak"}, {L"cef\\locales\\zh-CN.pak"}},
      {"one per directory",
       {L"cef\\locales\\zh-CN.pak", L"cef\\cef.pak", L"cef\\swiftshader\\libGLESv2.dll", L"cef\\chrome_elf.dll"},
       {L"cef\\chrome_elf.dll", L"cef\\swiftshader\\libGLESv2.dll", L"cef\\cef.pak", L"cef\\locales\\zh-CN.pak"}},
      {"devtools and extensions", {L"cef\\devtools_resources.pak", L"cef\\cef_extensions.pak"},
       {L"cef\\cef_extensions.pak", L"cef\\devtools_resources.pak"}},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    MakeEngineFolder(tmp.path());
    for (auto& r : c.remove) std::filesystem::remove(tmp / r);
    RecordingApp app;
    PointAt(app, tmp.path());
    EXPECT_FALSE(app.StartMainProcess()) << c.what;
    std::wstring list;
    for (auto& l : c.listed) list += (list.empty() ? L"" : L"\r\n") + (tmp / l);
    ASSERT_EQ(app.messages.size(), 1u) << c.what;
    EXPECT_EQ(app.messages[0], L"CEF3 binaries missing !\r\n\r\nThe missing files are :\r\n" + list) << c.what;
    EXPECT_EQ(app.Status(), AppStatus::kErrorMissingFiles);
    EXPECT_EQ(app.LibHandle(), nullptr);
    EXPECT_FALSE(app.StartMainProcess()) << "a second start";
    EXPECT_EQ(app.messages.size(), 1u);
  }
}

TEST(FileChecks, NoEngineFolderLooksInTheCurrentDirectory) {
  TempDir tmp;
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(tmp.path().c_str()));
  WriteFile(tmp / L"icudtl.dat");  // found by its bare name
  RecordingApp app;
  PointAt(app, tmp.path() + L"\\missing");
  app.BrowserSubprocessPath = tmp.path() + L"\\bin\\sub.exe";
  EXPECT_TRUE(app.FrameworkDirPath().empty());
  EXPECT_FALSE(app.StartMainProcess());
  SetCurrentDirectoryW(saved);

  std::wstring expected = L"CEF3 binaries missing !\r\n\r\nThe missing files are :\r\nsub.exe";
  for (auto& n : lzg::FrameworkFileNames()) {
    if (n != L"icudtl.dat") expected += L"\r\n" + n;
  }
  for (auto& n : lzg::ResourceFileNames(false, true)) expected += L"\r\n" + n;
  expected += L"\r\nlocales\\zh-CN.pak";
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0], expected);
  EXPECT_EQ(app.Status(), AppStatus::kErrorMissingFiles);
}

TEST(FileChecks, FolderRemovedAfterSettingCountsEveryName) {
  TempDir tmp;
  MakeEngineFolder(tmp.path());
  RecordingApp app;
  PointAt(app, tmp.path());
  std::filesystem::remove_all(tmp / L"cef\\locales");
  app.LocalesRequired = L"zh-CN,en-US";
  EXPECT_FALSE(app.CheckLocales());
  EXPECT_EQ(app.MissingLibFiles(), L"\r\n" + (tmp / L"cef\\locales\\zh-CN.pak") + L"\r\n" +
                                       (tmp / L"cef\\locales\\en-US.pak") + L"\r\n");
  EXPECT_TRUE(app.CheckDLLs());
  EXPECT_TRUE(app.CheckResources());
  EXPECT_TRUE(app.CheckSubprocessPath());
}

TEST(FileChecks, VersionAndMachine) {
  const std::wstring exeDir = lzg::ExeDirectory();
  const std::wstring fakeLib = exeDir + L"test_engine_fake_libcef.dll";
  ASSERT_TRUE(lzg::FileExists(fakeLib));
  EXPECT_EQ(lzg::GetDLLVersion(testutil::SelfPath()), (lzg::FileVersion{3, 25, 1027, 4}));
  EXPECT_EQ(lzg::GetDLLVersion(fakeLib), (lzg::FileVersion{74, 1, 19, 0}));
  EXPECT_EQ(lzg::GetDLLHeaderMachine(testutil::SelfPath()), std::optional<uint16_t>(0x014C));

  struct Case {
    const char* what;
    std::wstring source;  // copied as libcef.dll; empty: a text placeholder
    std::wstring message;
  } cases[] = {
      {"other version", testutil::SelfPath(),
       lzg::UnsupportedVersionMessage(std::nullopt) +
           L"\r\n\r\nExpected libcef.dll version : 74.1.19.0\r\nFound libcef.dll version : 3.25.1027.4"},
      {"no version resource", L"", lzg::UnsupportedVersionMessage(std::nullopt)},
  };
  for (const Case& c : cases) {
    TempDir tmp;
    MakeEngineFolder(tmp.path());
    if (!c.source.empty()) {
      std::filesystem::copy_file(c.source, tmp / L"cef\\libcef.dll", std::filesystem::copy_options::overwrite_existing);
    }
    RecordingApp app;
    PointAt(app, tmp.path());
    EXPECT_FALSE(app.StartMainProcess());
    ASSERT_EQ(app.messages.size(), 1u) << c.what;
    EXPECT_EQ(app.messages[0], c.message) << c.what;
    EXPECT_EQ(app.Status(), AppStatus::kErrorDllVersion);
    EXPECT_EQ(app.LibHandle(), nullptr) << "loaded although the version is wrong";
  }
}

TEST(PeReader, CraftedFiles) {
  TempDir tmp;
  std::string dos(64, '\0');
  dos[0] = 'M';
  dos[1] = 'Z';
  dos[60] = 64;
  std::string pe(248, '\0');
  pe.replace(0, 4, std::string("PE\0\0", 4));
  pe[4] = '\x64';
  pe[5] = '\x86';
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<uint16_t> expected;
  } cases[] = {
      {"x64", dos + pe, 0x8664},
      {"header cut short", dos + pe.substr(0, 200), std::nullopt},
      {"dos header only", dos, std::nullopt},
      {"short file", "MZ", std::nullopt},
      {"no signature", dos + std::string(248, 'Q'), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Case& c : cases) {
    WriteFile(tmp / L"f.dll", c.bytes);
    EXPECT_EQ(lzg::GetDLLHeaderMachine(tmp / L"f.dll"), c.expected) << c.what;
  }
  EXPECT_EQ(lzg::GetDLLHeaderMachine(tmp / L"none.dll"), std::nullopt);
  EXPECT_EQ(lzg::GetDLLVersion(tmp / L"none.dll"), std::nullopt);
}

// --- Library loading ---------------------------------------------------------------------------

TEST(Library, LoadFailureShowsTheSystemErrorCode) {
  struct Case {
    const char* what;
    std::string content;  // empty: no file at all
    DWORD code;
  } cases[] = {{"no file", "", 126}, {"not a library", "this is not a PE file", 193}};
  for (const Case& c : cases) {
    TempDir tmp;
    std::filesystem::create_directories(tmp / L"cef");
    if (!c.content.empty()) WriteFile(tmp / L"cef\\libcef.dll", c.content);
    RecordingApp app;
    app.CheckCEFFiles = false;
    app.SetFrameworkDirPath(tmp / L"cef");
    EXPECT_FALSE(app.StartMainProcess());
    ASSERT_EQ(app.messages.size(), 1u) << c.what;
    EXPECT_EQ(app.messages[0], lzg::LoadErrorMessage(c.code)) << c.what;
    EXPECT_EQ(app.Status(), AppStatus::kErrorLoadingLibrary);
    EXPECT_FALSE(app.LibLoaded());
  }
}

TEST(Library, SubProcessSkipsFileChecksButNotTheLibrary) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / L"cef");  // no engine file at all
  RecordingApp app(kRendererCmd);
  PointAt(app, tmp.path());
  EXPECT_FALSE(app.StartMainProcess());
  EXPECT_TRUE(app.MissingLibFiles().empty());
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0], L"Error loading libcef.dll\r\n\r\nError code : 0x0000007E");
}

TEST(Library, MissingExportKeepsTheLibraryAndBindsNothingOfThatGroup) {
  CefTableScope table;
  lzg::g_cef = lzg::CefApi{};
  TempDir tmp;
  MakeEngineFolder(tmp.path());
  std::filesystem::copy_file(lzg::ExeDirectory() + L"test_engine_fake_libcef.dll", tmp / L"cef\\libcef.dll",
                             std::filesystem::copy_options::overwrite_existing);
  bool destroyed[2] = {false, false};
  {
    auto* app = new RecordingApp();
    PointAt(*app, tmp.path());
    app->destroyedFlag = destroyed;
    EXPECT_FALSE(app->StartMainProcess());
    ASSERT_EQ(app->messages.size(), 1u);
    EXPECT_EQ(app->messages[0], lzg::MissingExportMessage());
    EXPECT_EQ(app->Status(), AppStatus::kErrorDllVersion);
    EXPECT_NE(app->LibHandle(), nullptr);
    EXPECT_FALSE(app->LibLoaded());
    EXPECT_EQ(lzg::g_cef.cef_initialize, nullptr);
    EXPECT_EQ(lzg::g_cef.cef_shutdown, nullptr);
    GlobalCEFApp = app;
    DestroyGlobalCEFApp();
  }
  EXPECT_TRUE(destroyed[0]);
  EXPECT_EQ(GlobalCEFApp, nullptr);
  FreeLibrary(GetModuleHandleW((tmp / L"cef\\libcef.dll").c_str()));
}

// --- Diagnostics and teardown --------------------------------------------------------------------

namespace {
std::vector<std::string> g_logged;
void CEF_EXPORT RecordLog(const char* file, int line, int severity, const char* message) {
  g_logged.push_back(std::string(file) + "|" + std::to_string(line) + "|" + std::to_string(severity) + "|" + message);
}
std::vector<int> g_modal;
void CEF_EXPORT RecordModal(int value) { g_modal.push_back(value); }
}  // namespace

TEST(Diagnostics, BeforeBindingOnlyTheDebuggerOutput) {
  CefTableScope table;
  lzg::g_cef.cef_log = &RecordLog;
  lzg::g_cef.cef_set_osmodal_loop = &RecordModal;
  g_logged.clear();
  g_modal.clear();
  RecordingApp app;
  GlobalScope global(&app);
  DebugOutputCapture capture;
  OutputDebugMessage(L"引擎 starting");
  EXPECT_NE(capture.text().find(L"引擎 starting"), std::wstring::npos) << Narrow(capture.text());
  EXPECT_TRUE(g_logged.empty());
  app.SetOsmodalLoop(true);
  EXPECT_TRUE(g_modal.empty());
}

TEST(Diagnostics, ExceptionHandlerWritesAndAnswersReRaise) {
  DebugOutputCapture capture;
  EXPECT_FALSE(CustomExceptionHandler(L"TChromium.CreateBrowser", L"no parent"));
  EXPECT_NE(capture.text().find(L"TChromium.CreateBrowser error : no parent"), std::wstring::npos);
  RecordingApp app;
  GlobalScope global(&app);
  EXPECT_FALSE(CustomExceptionHandler(L"X", L"y"));
  app.ReRaiseExceptions = true;
  EXPECT_TRUE(CustomExceptionHandler(L"X", L"y"));
}

TEST(Diagnostics, ErrorDialogSwitchedOffOnlyWritesTheDebuggerOutput) {
  DebugOutputCapture capture;
  RecordingApp app;
  app.ShowMessageDlg = false;
  DWORD t0 = GetTickCount();
  app.CallBaseShowErrorMessageDlg(L"CEF3 binaries missing !");  // would block on a message box
  EXPECT_LT(GetTickCount() - t0, 2000u);
  EXPECT_NE(capture.text().find(L"CEF3 binaries missing !"), std::wstring::npos);
}

TEST(Teardown, DestroyTwiceAndNoObjectDuringTeardown) {
  bool destroyed[2] = {false, true};
  auto* app = new RecordingApp();
  app->destroyedFlag = destroyed;
  GlobalCEFApp = app;
  DestroyGlobalCEFApp();
  EXPECT_TRUE(destroyed[0]);
  EXPECT_FALSE(destroyed[1]) << "GlobalCEFApp was still set while the object was destroyed";
  EXPECT_EQ(GlobalCEFApp, nullptr);
  DestroyGlobalCEFApp();  // nothing left: harmless
  EXPECT_EQ(GlobalCEFApp, nullptr);
}
