// The engine application object in this process: creation, paths, the settings
// record, the switches, the file checks and their messages, the start-up against
// fake entry points, the handlers, the cookie initialiser against fake engine
// objects, the diagnostics, the teardown.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/files.h"
#include "base/guarded.h"
#include "base/log.h"
#include "engine/engine_app.h"
#include "engine/app_handler.h"
#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_string.h"
#include "engine/cookie_store_initializer.h"
#include "engine/diagnostics.h"
#include "engine/file_info.h"
#include "engine/startup_rules.h"
#include "config/settings.h"
#include "gamewindow/game_window.h"
#include "launch/engine_setup.h"
#include "launch/launch_plan.h"
#include "launch/profile_folders.h"
#include "tests/support/wait.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/test_util.h"
#include "tests/support/command_line_cases.h"

using enginetest::DebugOutputCapture;
using lzg::AppStatus;
using lzg::AutoplayPolicy;
using lzg::ProcessType;
using enginetest::TempDir;
using enginetest::WriteFile;
using lzg::CookieStoreInitializer;
using lzg::EngineApp;

namespace {

const wchar_t kBrowserCmd[] = L"\"C:\\game\\lzgmin.exe\"";
const wchar_t kRendererCmd[] = L"\"C:\\game\\lzgmin.exe\" --type=renderer --lang=zh-CN";

// Sees every start-up message instead of a message box.
class RecordingApp : public EngineApp {
 public:
  explicit RecordingApp(const std::wstring& cmd = kBrowserCmd) : EngineApp(cmd) {}
  std::vector<std::wstring> messages;
  using EngineApp::LoadEngineLibrary;
  void CallBaseShowErrorMessage(const std::wstring& t) { EngineApp::ShowErrorMessage(t); }

 protected:
  void ShowErrorMessage(const std::wstring& text) override { messages.push_back(text); }
};

// Takes the library as loaded without loading one: the fake entry points in the function table stand in for it.
class PreloadedApp : public RecordingApp {
 public:
  using RecordingApp::RecordingApp;
  int loads = 0;

 protected:
  bool LoadEngineLibrary() override {
    ++loads;
    return true;
  }
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

// The same with a library of the engine's version and machine, which passes every check before the load.
void MakeCheckedEngineFolder(const std::wstring& root) {
  MakeEngineFolder(root);
  std::filesystem::copy_file(lzg::ExeDirectory() + L"test_engine_fake_libcef.dll", root + L"\\cef\\libcef.dll",
                             std::filesystem::copy_options::overwrite_existing);
}

void PointAt(EngineApp& app, const std::wstring& root) {
  app.SetFrameworkDirPath(root + L"\\cef");
  app.SetResourcesDirPath(root + L"\\cef");
  app.SetLocalesDirPath(root + L"\\cef\\locales");
  app.set_locales_required(L"zh-CN");
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

// The engine's start-up entry points: what the object hands them, each app with the reference the engine owns.
struct FakeStartup {
  int execute_result = -1;  // the browser process
  int initialize_result = 1;
  std::vector<cef_app_t*> executed, initialized;
  const cef_settings_t* settings = nullptr;
  int no_sandbox_at_initialize = -1;  // read while the engine starts: the record is filled by then
  int shutdowns = 0;
  // The references the engine was handed go back when the test is done with them.
  void ReleaseApps() {
    for (cef_app_t* a : executed) a->base.release(&a->base);
    for (cef_app_t* a : initialized) a->base.release(&a->base);
    executed.clear();
    initialized.clear();
  }
};
FakeStartup* g_startup = nullptr;

int CEF_EXPORT FakeExecuteProcess(const cef_main_args_t* args, cef_app_t* app, void* sandbox_info) {
  EXPECT_EQ(args->instance, GetModuleHandleW(nullptr));
  EXPECT_EQ(sandbox_info, nullptr);
  g_startup->executed.push_back(app);
  return g_startup->execute_result;
}

int CEF_EXPORT FakeInitialize(const cef_main_args_t* args, const cef_settings_t* settings, cef_app_t* app,
                              void* sandbox_info) {
  EXPECT_EQ(args->instance, GetModuleHandleW(nullptr));
  EXPECT_EQ(sandbox_info, nullptr);
  g_startup->initialized.push_back(app);
  g_startup->settings = settings;
  g_startup->no_sandbox_at_initialize = settings->no_sandbox;
  return g_startup->initialize_result;
}

void CEF_EXPORT FakeShutdown() { g_startup->shutdowns++; }

// Installs the fake entry points for one test and takes them out again.
struct FakeStartupScope {
  CefTableScope table;
  FakeStartup fake;
  FakeStartupScope() {
    g_startup = &fake;
    lzg::g_cef.cef_execute_process = &FakeExecuteProcess;
    lzg::g_cef.cef_initialize = &FakeInitialize;
    lzg::g_cef.cef_shutdown = &FakeShutdown;
  }
  ~FakeStartupScope() {
    fake.ReleaseApps();
    g_startup = nullptr;
  }
};

}  // namespace

// --- Creation ---------------------------------------------------------------------------

TEST(Creation, DefaultsAndRecord) {
  RecordingApp app;
  EXPECT_EQ(app.Status(), AppStatus::kLoading);
  EXPECT_EQ(app.GetProcessType(), ProcessType::kBrowser);
  EXPECT_FALSE(app.LibLoaded());
  EXPECT_EQ(app.LibHandle(), nullptr);
  EXPECT_TRUE(app.MissingLibFiles().empty());
  EXPECT_FALSE(app.GlobalContextInitialized());
  EXPECT_EQ(app.SubProcessExitCode(), 0);
  EXPECT_TRUE(app.FrameworkDirPath().empty());
  EXPECT_TRUE(app.Cache().empty());
  EXPECT_TRUE(app.Cookies().empty());
  EXPECT_FALSE(app.on_context_initialized);
  EXPECT_FALSE(app.on_cookie_store_settled);
  EXPECT_FALSE(app.on_before_child_process_launch);
  // Before the fill the record carries its size alone.
  EXPECT_EQ(app.SettingsRecord().size, 204u);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&app.SettingsRecord());
  for (size_t i = 4; i < sizeof(cef_settings_t); ++i) ASSERT_EQ(bytes[i], 0) << "record byte " << i;

  // The switches' inputs start at the engine's defaults.
  const lzg::SwitchOptions& o = app.switches();
  struct {
    const char* name;
    bool value, expected;
  } flags[] = {
      {"flash_enabled", o.flash_enabled, true},
      {"enable_media_stream", o.enable_media_stream, true},
      {"enable_speech_input", o.enable_speech_input, true},
      {"enable_gpu", o.enable_gpu, false},
      {"disable_gpu_cache", o.disable_gpu_cache, true},
      {"site_per_process", o.site_per_process, true},
      {"single_process", o.single_process, false},
      {"disable_extensions", o.disable_extensions, false},
  };
  for (auto& f : flags) EXPECT_EQ(f.value, f.expected) << f.name;
  EXPECT_EQ(o.smooth_scrolling, STATE_DEFAULT);
  EXPECT_EQ(o.autoplay_policy, AutoplayPolicy::kDefault);

  // No locale named: every locale of the engine is required.
  TempDir locales;
  app.SetLocalesDirPath(locales.Path());
  EXPECT_FALSE(app.CheckLocales());
  std::wstring every;
  for (auto& n : lzg::LocaleFileNames(L"")) every += locales.Path() + L"\\" + n + L"\r\n";
  EXPECT_EQ(app.MissingLibFiles(), every);
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
    const lzg::LaunchPlan plan = lzg::PrepareLaunch(c.commandLine, dir.Dir());
    EXPECT_EQ(plan.first_argument, c.firstArgument) << shown;
    EXPECT_EQ(plan.profile, *c.firstArgument ? 1 : 0) << shown;
    if (*c.firstArgument) {
      EXPECT_EQ(plan.homepage, c.firstArgument) << shown;
    }
  }
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
  const std::wstring mixed = tmp.Path() + L"\\a/b";

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
       tmp.Path() + L"\\nope", L""},
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
  EXPECT_FALSE(app.switches().disable_gpu_cache);
  app.SetCache(L"");
  EXPECT_TRUE(app.Cache().empty());
  EXPECT_TRUE(app.switches().disable_gpu_cache);
  app.SetCache(L"rel");
  EXPECT_FALSE(app.switches().disable_gpu_cache);
}

// --- The launch steps that configure the object ---------------------------------------

TEST(LaunchSteps, ProfileDirectoriesAndFixedProperties) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring suffix = lzg::DateSuffix(now);
  wchar_t temp[1024], appdata[1024];
  ASSERT_GT(GetEnvironmentVariableW(L"TEMP", temp, 1024), 0u);
  ASSERT_GT(GetEnvironmentVariableW(L"APPDATA", appdata, 1024), 0u);
  const std::wstring exeDir = lzg::ExeDirectory();

  struct Case {
    int profile;
    std::wstring name;
  } cases[] = {{0, L"/lzgmin"}, {1, L"/lzgmin3game"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    RecordingApp app;
    lzg::ConfigureEngineApp(app, c.profile);
    EXPECT_EQ(app.Cache(), std::wstring(temp) + c.name + L"/cache" + suffix);
    EXPECT_EQ(app.Cookies(), std::wstring(appdata) + c.name + L"/cookies");
    EXPECT_EQ(app.UserDataPath(), std::wstring(appdata) + c.name + L"/UserData");
    EXPECT_FALSE(app.switches().disable_gpu_cache);
    EXPECT_TRUE(app.switches().enable_gpu);
    EXPECT_FALSE(app.switches().flash_enabled);
    const bool hasCef = lzg::DirectoryExists(exeDir + L"cef");
    const bool hasLocales = lzg::DirectoryExists(exeDir + L"cef\\locales");
    EXPECT_EQ(app.FrameworkDirPath(), hasCef ? exeDir + L"cef" : L"");
    EXPECT_EQ(app.ResourcesDirPath(), hasCef ? exeDir + L"cef" : L"");
    EXPECT_EQ(app.LocalesDirPath(), hasLocales ? exeDir + L"cef\\locales" : L"");
    // The engine's reports are the game window's business (PostReportsTo), not this step's.
    EXPECT_FALSE(app.on_context_initialized);
    EXPECT_FALSE(app.on_cookie_store_settled);

    // The locale and the accept-language list reach the engine through the record.
    app.InitializeSettings();
    EXPECT_EQ(lzg::CefToWString(&app.SettingsRecord().locale), L"zh-CN");
    EXPECT_EQ(lzg::CefToWString(&app.SettingsRecord().accept_language_list), L"zh-CN");
    // What the checks look for, as the packaging tool reads it too: every library and resource file of the
    // engine, the extensions' and the developer tools' resources among them, and the one required locale.
    EXPECT_EQ(app.FrameworkFiles(), lzg::FrameworkFileNames());
    EXPECT_EQ(app.ResourceFiles(), lzg::ResourceFileNames(/*disableExtensions=*/false, /*checkDevToolsResources=*/true));
    EXPECT_EQ(app.LocaleFiles(), std::vector<std::wstring>{L"zh-CN.pak"});
    // The one required locale: the only file a locale check asks for.
    TempDir locales;
    app.SetLocalesDirPath(locales.Path());
    EXPECT_FALSE(app.CheckLocales());
    EXPECT_EQ(app.MissingLibFiles(), locales.Path() + L"\\zh-CN.pak\r\n");
  }
}

TEST(LaunchSteps, ReportsPostOnlyToAnExistingWindow) {
  struct Case {
    const char* what;
    void (*fire)(EngineApp&);
    UINT message;
  } cases[] = {
      {"context initialised", [](EngineApp& a) { a.on_context_initialized(); },
       lzg::GameWindow::kContextInitializedMessage},
      {"cookie store settled", [](EngineApp& a) { a.on_cookie_store_settled(); },
       lzg::GameWindow::kCookiesReadyMessage},
  };
  static_assert(lzg::GameWindow::kContextInitializedMessage == 0x8103);
  static_assert(lzg::GameWindow::kCookiesReadyMessage == 0x8107);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::atomic<HWND> window{nullptr};
    RecordingApp app;
    lzg::PostReportsTo(app, window);
    ASSERT_TRUE(app.on_context_initialized);
    ASSERT_TRUE(app.on_cookie_store_settled);
    MSG msg;
    c.fire(app);  // no window yet: nothing, no failure
    EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "posted to the thread";

    HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    window = w;
    c.fire(app);
    ASSERT_TRUE(PeekMessageW(&msg, w, c.message, c.message, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 0);
    EXPECT_FALSE(PeekMessageW(&msg, w, 0, 0, PM_REMOVE)) << "more than the one report";
    DestroyWindow(w);
    c.fire(app);  // a stale handle posts nothing
    EXPECT_FALSE(PeekMessageW(&msg, w, c.message, c.message, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "posted to the thread";
  }
}

// --- Settings record --------------------------------------------------------------------

// Every field of the record: the fixed values, and texts that are views of the object's own strings.
TEST(SettingsRecord, EveryFieldFixedOrAViewOfTheObjectsOwnText) {
  static_assert(sizeof(cef_settings_t) == 204, "a field was added to or removed from the record");
  TempDir tmp;
  MakeEngineFolder(tmp.Path());
  RecordingApp app;
  PointAt(app, tmp.Path());
  app.SetCache(L"C:/t/lzgmin/cache2406");
  app.SetUserDataPath(L"C:/a/lzgmin/UserData");
  app.SetCookies(L"C:/a/lzgmin/cookies");
  app.set_locale(L"zh-CN");
  app.set_accept_language_list(L"en-US");
  app.InitializeSettings();
  const cef_settings_t& s = app.SettingsRecord();

  EXPECT_EQ(s.size, 204u);
  EXPECT_EQ(s.no_sandbox, 1);
  EXPECT_EQ(s.multi_threaded_message_loop, 1);
  EXPECT_EQ(s.log_severity, LOGSEVERITY_DISABLE);
  EXPECT_EQ(s.log_severity, 99);
  struct Int {
    const char* field;
    long long value;
  } ints[] = {{"external_message_pump", s.external_message_pump},
              {"windowless_rendering_enabled", s.windowless_rendering_enabled},
              {"command_line_args_disabled", s.command_line_args_disabled},
              {"persist_session_cookies", s.persist_session_cookies},
              {"persist_user_preferences", s.persist_user_preferences},
              {"pack_loading_disabled", s.pack_loading_disabled},
              {"remote_debugging_port", s.remote_debugging_port},
              {"uncaught_exception_stack_size", s.uncaught_exception_stack_size},
              {"ignore_certificate_errors", s.ignore_certificate_errors},
              {"enable_net_security_expiration", s.enable_net_security_expiration},
              {"background_color", s.background_color}};
  for (auto& i : ints) EXPECT_EQ(i.value, 0) << i.field;

  // Views: the object's string itself, no copy, nothing for the engine to free.
  auto expect_view = [](const char* field, const cef_string_t& value, const wchar_t* text, size_t length) {
    ASSERT_NE(value.str, nullptr) << field;
    if (text) {
      EXPECT_EQ(value.str, text) << field << ": not the object's own text";
    }
    EXPECT_EQ(value.length, length) << field;
    EXPECT_EQ(value.dtor, nullptr) << field;
    EXPECT_EQ(value.str[value.length], L'\0') << field;
  };
  struct Text {
    const char* field;
    const cef_string_t& value;
    const std::wstring& owner;
  } texts[] = {
      {"framework_dir_path", s.framework_dir_path, app.FrameworkDirPath()},
      {"cache_path", s.cache_path, app.Cache()},
      {"user_data_path", s.user_data_path, app.UserDataPath()},
      {"resources_dir_path", s.resources_dir_path, app.ResourcesDirPath()},
      {"locales_dir_path", s.locales_dir_path, app.LocalesDirPath()},
      {"locale", s.locale, app.locale()},
      {"accept_language_list", s.accept_language_list, app.accept_language_list()},
  };
  for (const Text& t : texts) {
    EXPECT_FALSE(t.owner.empty()) << t.field;
    expect_view(t.field, t.value, t.owner.c_str(), t.owner.size());
  }
  EXPECT_EQ(lzg::CefToWString(&s.framework_dir_path), tmp.Path() + L"\\cef");
  EXPECT_EQ(lzg::CefToWString(&s.resources_dir_path), tmp.Path() + L"\\cef");
  EXPECT_EQ(lzg::CefToWString(&s.locales_dir_path), tmp.Path() + L"\\cef\\locales");
  EXPECT_EQ(lzg::CefToWString(&s.cache_path), L"C:/t/lzgmin/cache2406");
  EXPECT_EQ(lzg::CefToWString(&s.user_data_path), L"C:/a/lzgmin/UserData");
  EXPECT_EQ(lzg::CefToWString(&s.locale), L"zh-CN");
  EXPECT_EQ(lzg::CefToWString(&s.accept_language_list), L"en-US");

  // No sub-process path and nothing of the engine's own: empty texts.
  struct Empty {
    const char* field;
    const cef_string_t& value;
  } empties[] = {{"browser_subprocess_path", s.browser_subprocess_path},
                 {"user_agent", s.user_agent},
                 {"product_version", s.product_version},
                 {"log_file", s.log_file},
                 {"javascript_flags", s.javascript_flags}};
  for (const Empty& e : empties) expect_view(e.field, e.value, nullptr, 0);

  // What the launch changes reaches the record on the next fill.
  app.set_locale(L"en-GB");
  app.SetCache(L"C:/t/lzgmin/cache2407");
  app.SetUserDataPath(L"");
  app.InitializeSettings();
  EXPECT_EQ(lzg::CefToWString(&s.locale), L"en-GB");
  EXPECT_EQ(s.cache_path.str, app.Cache().c_str());
  EXPECT_EQ(lzg::CefToWString(&s.cache_path), L"C:/t/lzgmin/cache2407");
  expect_view("user_data_path emptied", s.user_data_path, nullptr, 0);
  EXPECT_EQ(s.no_sandbox, 1);
}

// --- Start-up against the engine's entry points ----------------------------------------------

// Each role hands the engine one app handler of its own; only the browser process goes on to start the engine,
// with the object's own settings record, and only its handler carries a browser-process handler.
TEST(StartUp, EachRoleHandsTheEngineItsAppHandler) {
  const long live = lzg::LiveBridgedObjects();
  TempDir tmp;
  MakeCheckedEngineFolder(tmp.Path());
  struct Case {
    const char* what;
    const wchar_t* cmd;
    int execute_result, initialize_result;
    bool started;
    size_t initialized;
    int exit_code;
    std::vector<std::wstring> switches;  // what the engine's command line gets through the handler
  } cases[] = {
      {"browser", kBrowserCmd, -1, 1, true, 1, 0,
       {L"--enable-media-stream=1", L"--enable-speech-input=1", L"--site-per-process"}},
      {"browser, the engine does not start", kBrowserCmd, -1, 0, false, 1, 0,
       {L"--enable-media-stream=1", L"--enable-speech-input=1", L"--site-per-process"}},
      {"renderer ending with its role's code", kRendererCmd, 3, 1, false, 0, 3, {}},
      // A role the engine does not see: the object keeps the role it read and starts nothing.
      {"a role only the client reads", L"lzgmin.exe \"C:\\dir\\\" --type=utility", -1, 1, false, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeStartupScope scope;
    scope.fake.execute_result = c.execute_result;
    scope.fake.initialize_result = c.initialize_result;
    {
      PreloadedApp app(c.cmd);
      PointAt(app, tmp.Path());
      app.set_enable_gpu(true);
      app.set_flash_enabled(false);
      app.SetCache(L"C:/cache");
      EXPECT_EQ(app.StartMainProcess(), c.started);
      EXPECT_TRUE(app.messages.empty());
      EXPECT_EQ(app.loads, 1);
      EXPECT_EQ(app.SubProcessExitCode(), c.exit_code);
      ASSERT_EQ(scope.fake.executed.size(), 1u);
      ASSERT_EQ(scope.fake.initialized.size(), c.initialized);
      cef_app_t* handed = scope.fake.executed[0];
      if (c.initialized) {
        EXPECT_EQ(scope.fake.initialized[0], handed) << "two app handlers";
        EXPECT_EQ(scope.fake.settings, &app.SettingsRecord()) << "not the object's own record";
        EXPECT_EQ(scope.fake.no_sandbox_at_initialize, 1) << "the record was not filled before the start";
        EXPECT_EQ(app.Status(), c.started ? AppStatus::kInitialized : AppStatus::kErrorInitializingLibrary);
      }
      cef_browser_process_handler_t* bph = handed->get_browser_process_handler(handed);
      EXPECT_EQ(bph != nullptr, app.GetProcessType() == ProcessType::kBrowser);
      if (bph) bph->base.release(&bph->base);

      auto line = lzg::MakeRef<FakeCommandLine>();
      const std::wstring empty_type;
      cef_string_t no_type = lzg::CefStringView(empty_type);
      handed->on_before_command_line_processing(handed, &no_type, line->ToCef());
      EXPECT_EQ(line->switches, c.switches);
      if (c.initialized) {
        EXPECT_FALSE(app.StartMainProcess()) << "a second start";
        EXPECT_EQ(scope.fake.executed.size(), 1u);
      }
    }
    // The library was never bound by the object's own load: its teardown calls no cef_shutdown.
    EXPECT_EQ(scope.fake.shutdowns, 0);
  }
  EXPECT_EQ(lzg::LiveBridgedObjects(), live) << "a reference was kept or released too often";
}

// --- The app handler the object hands the engine -------------------------------------------------

// Reaches the app handler as the engine does: the object starts against the fake entry points (its library taken
// as loaded) in a folder that passes the file checks, and the handler is the one it handed over.
class AppHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    live_ = lzg::LiveBridgedObjects();
    MakeCheckedEngineFolder(folder_.Path());
  }
  void TearDown() override {
    startup_.fake.ReleaseApps();
    EXPECT_EQ(lzg::LiveBridgedObjects(), live_) << "a reference was kept or released too often";
  }
  // The engine keeps its reference to the handler until the test ends.
  cef_app_t* Start(PreloadedApp& app) {
    startup_.fake.execute_result = app.GetProcessType() == ProcessType::kBrowser ? -1 : 0;
    const size_t before = startup_.fake.executed.size();
    PointAt(app, folder_.Path());
    app.StartMainProcess();
    if (startup_.fake.executed.size() != before + 1) {
      ADD_FAILURE() << "no app handler handed to the engine";
      return nullptr;
    }
    return startup_.fake.executed.back();
  }

  TempDir folder_;
  FakeStartupScope startup_;
  long live_ = 0;
};
using Switches = AppHandlers;
using Handlers = AppHandlers;

TEST_F(Switches, OnlyTheBrowserProcessWithAnEmptyType) {
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
    PreloadedApp app(c.cmd);
    app.set_enable_gpu(true);
    app.set_flash_enabled(false);
    app.SetCache(L"C:/cache");
    cef_app_t* a = Start(app);
    ASSERT_NE(a, nullptr) << testutil::ToUtf8(c.cmd);
    auto line = lzg::MakeRef<FakeCommandLine>();
    std::wstring typeText = c.offeredType ? c.offeredType : L"";
    cef_string_t type = lzg::CefStringView(typeText);
    a->on_before_command_line_processing(a, c.offeredType ? &type : nullptr, line->ToCef());
    EXPECT_EQ(line->switches, c.expected) << testutil::ToUtf8(c.cmd);
    EXPECT_TRUE(line->HasOneRef()) << "the command line's reference was not released";
    a->on_before_command_line_processing(a, nullptr, nullptr);  // no command line: nothing, no failure
  }
}

TEST_F(Handlers, BrowserProcessHandlerOnlyInTheMainProcess) {
  {
    PreloadedApp app;  // nothing assigned: the browser process has its handler all the same
    cef_app_t* a = Start(app);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(app.GlobalContextInitialized());
    EXPECT_EQ(a->base.size, sizeof(cef_app_t));
    cef_browser_process_handler_t* bph = a->get_browser_process_handler(a);
    ASSERT_NE(bph, nullptr);
    EXPECT_EQ(bph->base.size, sizeof(cef_browser_process_handler_t));
    EXPECT_EQ(a->get_browser_process_handler(a), bph);  // the same object each time, a new reference
    bph->base.release(&bph->base);
    // Nothing else is answered: the members stay empty and the engine keeps its defaults (no resource bundle,
    // render-process or print handler, no custom scheme).
    EXPECT_EQ(a->get_resource_bundle_handler, nullptr);
    EXPECT_EQ(a->get_render_process_handler, nullptr);
    EXPECT_EQ(a->on_register_custom_schemes, nullptr);
    EXPECT_EQ(bph->get_print_handler, nullptr);
    EXPECT_EQ(bph->on_render_process_thread_created, nullptr);
    EXPECT_EQ(bph->on_schedule_message_pump_work, nullptr);
    bph->base.release(&bph->base);
  }
  {
    PreloadedApp app(kRendererCmd);
    app.on_context_initialized = [] {};
    cef_app_t* a = Start(app);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->get_browser_process_handler(a), nullptr);
    EXPECT_TRUE(app.GlobalContextInitialized());
  }
}

TEST_F(Handlers, ContextInitialisedMarksReadyThenCallsTheProgram) {
  const long started = CookieStoreInitializer::Started();
  PreloadedApp app;
  int calls = 0;
  bool readyDuringCall = false;
  app.on_context_initialized = [&] {
    ++calls;
    readyDuringCall = app.GlobalContextInitialized();
  };
  cef_app_t* a = Start(app);
  ASSERT_NE(a, nullptr);
  cef_browser_process_handler_t* bph = a->get_browser_process_handler(a);
  ASSERT_NE(bph, nullptr);
  EXPECT_FALSE(app.GlobalContextInitialized());
  bph->on_context_initialized(bph);
  EXPECT_TRUE(app.GlobalContextInitialized());
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(readyDuringCall);
  EXPECT_EQ(CookieStoreInitializer::Started(), started) << "no cookie path, yet a thread started";
  bph->base.release(&bph->base);
}

// The launch names the profile on every sub-process through this callback.
TEST_F(Handlers, ChildProcessLaunchHandsTheProgramTheCommandLine) {
  PreloadedApp app;
  std::vector<cef_command_line_t*> seen;
  app.on_before_child_process_launch = [&](cef_command_line_t* line) { seen.push_back(line); };
  cef_app_t* a = Start(app);
  ASSERT_NE(a, nullptr);
  cef_browser_process_handler_t* bph = a->get_browser_process_handler(a);
  ASSERT_NE(bph, nullptr);
  auto line = lzg::MakeRef<FakeCommandLine>();
  bph->on_before_child_process_launch(bph, line->ToCef());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], line->CefPtr());
  EXPECT_TRUE(line->HasOneRef()) << "the command line's reference was not released";
  bph->base.release(&bph->base);
}

TEST_F(Handlers, FailuresAreReportedWithTheOperationName) {
  DebugOutputCapture capture;
  PreloadedApp app;
  app.on_context_initialized = [] { throw std::runtime_error("页面 broke"); };
  cef_app_t* a = Start(app);
  ASSERT_NE(a, nullptr);
  cef_browser_process_handler_t* bph = a->get_browser_process_handler(a);
  ASSERT_NE(bph, nullptr);
  bph->on_context_initialized(bph);  // must not throw into the engine
  bph->base.release(&bph->base);
  EXPECT_NE(capture.text().find(L"BrowserProcessHandler.OnContextInitialized error : 页面 broke"),
            std::wstring::npos)
      << testutil::ToUtf8(capture.text());
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
  app.on_cookie_store_settled = [&] {
    pathSetAtNotice = fake.manager->storageCalls.load();
    notices++;
  };
  EXPECT_FALSE(app.CookieStoreSettled());
  app.OnContextInitialized();
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
  app.on_cookie_store_settled = [&] { notices++; };
  EXPECT_TRUE(app.CookieStoreSettled());
  app.OnContextInitialized();
  EXPECT_TRUE(app.CookieStoreSettled());
  EXPECT_EQ(notices, 0);
  EXPECT_EQ(fake.getManagerCalls.load(), 0);
}

TEST_F(CookieInitializer, GivesUpAfterFiveSecondsWithoutBlocking) {
  fake.ready = false;
  RecordingApp app;
  app.SetCookies(L"C:/cookies");
  std::atomic<DWORD> settledAt{0};
  app.on_cookie_store_settled = [&] { settledAt = GetTickCount(); };
  const long running = CookieStoreInitializer::Running();
  DWORD t0 = GetTickCount();
  app.OnContextInitialized();
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
    MakeEngineFolder(tmp.Path());
    for (auto& r : c.remove) std::filesystem::remove(tmp / r);
    RecordingApp app;
    PointAt(app, tmp.Path());
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
  ASSERT_TRUE(SetCurrentDirectoryW(tmp.Path().c_str()));
  WriteFile(tmp / L"icudtl.dat");  // found by its bare name
  RecordingApp app;
  PointAt(app, tmp.Path() + L"\\missing");
  EXPECT_TRUE(app.FrameworkDirPath().empty());
  EXPECT_FALSE(app.StartMainProcess());
  SetCurrentDirectoryW(saved);

  std::wstring expected = L"CEF3 binaries missing !\r\n\r\nThe missing files are :";
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
  MakeEngineFolder(tmp.Path());
  RecordingApp app;
  PointAt(app, tmp.Path());
  std::filesystem::remove_all(tmp / L"cef\\locales");
  app.set_locales_required(L"zh-CN,en-US");
  EXPECT_FALSE(app.CheckLocales());
  EXPECT_EQ(app.MissingLibFiles(), L"\r\n" + (tmp / L"cef\\locales\\zh-CN.pak") + L"\r\n" +
                                       (tmp / L"cef\\locales\\en-US.pak") + L"\r\n");
  EXPECT_TRUE(app.CheckDlls());
  EXPECT_TRUE(app.CheckResources());
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
    MakeEngineFolder(tmp.Path());
    if (!c.source.empty()) {
      std::filesystem::copy_file(c.source, tmp / L"cef\\libcef.dll", std::filesystem::copy_options::overwrite_existing);
    }
    RecordingApp app;
    PointAt(app, tmp.Path());
    EXPECT_FALSE(app.StartMainProcess());
    ASSERT_EQ(app.messages.size(), 1u) << c.what;
    EXPECT_EQ(app.messages[0], c.message) << c.what;
    EXPECT_EQ(app.Status(), AppStatus::kErrorDllVersion);
    EXPECT_EQ(app.LibHandle(), nullptr) << "loaded although the version is wrong";
  }
}

// The version is read from a mapping of the file that is gone again afterwards: the file can be replaced or
// removed right after the check (an update of the engine's files, the package check's copies), and reading it
// twice gives the same answer.
TEST(FileChecks, VersionReadLeavesTheFileFree) {
  TempDir tmp;
  const std::wstring library = tmp / L"libcef.dll";
  std::filesystem::copy_file(lzg::ExeDirectory() + L"test_engine_fake_libcef.dll", library);
  for (int read = 0; read < 2; ++read) {
    EXPECT_EQ(lzg::GetDLLVersion(library), (lzg::FileVersion{74, 1, 19, 0})) << "read " << read;
    EXPECT_EQ(lzg::IsDebugBuild(library), std::optional<bool>(false)) << "read " << read;
  }
  EXPECT_EQ(GetModuleHandleW(library.c_str()), nullptr) << "the library was loaded, not read as data";
  EXPECT_TRUE(DeleteFileW(library.c_str())) << "still mapped, error " << GetLastError();
  EXPECT_EQ(lzg::GetDLLVersion(library), std::nullopt);
}

TEST(FileChecks, DebugBuildFromTheVersionResourcesFlags) {
  // A library of the engine's version (this test's own file holds the signature's bytes in its code too).
  const std::wstring library = lzg::ExeDirectory() + L"test_engine_fake_libcef.dll";
  std::string image;
  ASSERT_TRUE(testutil::ReadBytes(library, image));
  const std::string signature("\xBD\x04\xEF\xFE", 4);  // VS_FIXEDFILEINFO's
  const size_t fixed = image.find(signature);
  ASSERT_NE(fixed, std::string::npos);
  ASSERT_EQ(image.find(signature, fixed + 1), std::string::npos);
  struct Case {
    const char* what;
    uint32_t mask, flags;  // dwFileFlagsMask, dwFileFlags
    std::optional<bool> debug;
  } cases[] = {
      {"no flag", 0x3F, 0, false},
      {"debug", 0x3F, VS_FF_DEBUG, true},
      {"debug among others", 0x3F, VS_FF_DEBUG | VS_FF_PRERELEASE | VS_FF_PATCHED, true},
      {"prerelease only", 0x3F, VS_FF_PRERELEASE, false},
      {"debug, but the mask says the flag is not valid", 0x3E, VS_FF_DEBUG, false},
  };
  TempDir tmp;
  for (const Case& c : cases) {
    std::string patched = image;
    patched.replace(fixed + 24, 4, reinterpret_cast<const char*>(&c.mask), 4);
    patched.replace(fixed + 28, 4, reinterpret_cast<const char*>(&c.flags), 4);
    WriteFile(tmp / L"libcef.dll", patched);
    EXPECT_EQ(lzg::IsDebugBuild(tmp / L"libcef.dll"), c.debug) << c.what;
  }
  EXPECT_EQ(lzg::IsDebugBuild(library), std::optional<bool>(false));
  EXPECT_EQ(lzg::IsDebugBuild(testutil::SelfPath()), std::optional<bool>(false));
  WriteFile(tmp / L"text.dll", "no library");
  EXPECT_EQ(lzg::IsDebugBuild(tmp / L"text.dll"), std::nullopt);
  EXPECT_EQ(lzg::IsDebugBuild(tmp / L"none.dll"), std::nullopt);
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
    app.SetFrameworkDirPath(tmp / L"cef");
    EXPECT_FALSE(app.LoadEngineLibrary());
    ASSERT_EQ(app.messages.size(), 1u) << c.what;
    EXPECT_EQ(app.messages[0], lzg::LoadErrorMessage(c.code)) << c.what;
    EXPECT_EQ(app.Status(), AppStatus::kErrorLoadingLibrary);
    EXPECT_FALSE(app.LibLoaded());
    EXPECT_EQ(app.LibHandle(), nullptr);
  }
}

TEST(Library, SubProcessSkipsFileChecksButNotTheLibrary) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / L"cef");  // no engine file at all
  RecordingApp app(kRendererCmd);
  PointAt(app, tmp.Path());
  EXPECT_FALSE(app.StartMainProcess());
  EXPECT_TRUE(app.MissingLibFiles().empty());
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages[0], L"Error loading libcef.dll\r\n\r\nError code : 0x0000007E");
  EXPECT_EQ(app.Status(), AppStatus::kErrorLoadingLibrary);
}

TEST(Library, MissingExportKeepsTheLibraryAndBindsNothingOfThatGroup) {
  CefTableScope table;
  lzg::g_cef = lzg::CefApi{};
  TempDir tmp;
  MakeCheckedEngineFolder(tmp.Path());
  const std::wstring library = tmp / L"cef\\libcef.dll";
  HMODULE handle = nullptr;
  {
    auto app = std::make_unique<RecordingApp>();
    PointAt(*app, tmp.Path());
    EXPECT_FALSE(app->StartMainProcess());
    ASSERT_EQ(app->messages.size(), 1u);
    EXPECT_EQ(app->messages[0], lzg::MissingExportMessage());
    EXPECT_EQ(app->Status(), AppStatus::kErrorDllVersion);
    handle = app->LibHandle();
    EXPECT_NE(handle, nullptr);
    EXPECT_FALSE(app->LibLoaded());
    EXPECT_FALSE(lzg::CefLibraryBound());
    EXPECT_EQ(lzg::g_cef.cef_initialize, nullptr);
    EXPECT_EQ(lzg::g_cef.cef_shutdown, nullptr);
  }
  // The object never frees the library: engine threads may still run code of it.
  EXPECT_EQ(GetModuleHandleW(library.c_str()), handle) << "the library was freed with the object";
  FreeLibrary(handle);
}

// --- Diagnostics and teardown --------------------------------------------------------------------

namespace {
std::vector<std::string> g_logged;
void CEF_EXPORT RecordLog(const char* file, int line, int severity, const char* message) {
  g_logged.push_back(std::string(file) + "|" + std::to_string(line) + "|" + std::to_string(severity) + "|" + message);
}
std::vector<int> g_modal;
void CEF_EXPORT RecordModal(int value) { g_modal.push_back(value); }

// The client's log as it stands (UTF-8).
std::string ClientLog() {
  std::ifstream f(std::filesystem::path(lzg::log::FilePath()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
}  // namespace

TEST(Diagnostics, BeforeBindingOnlyTheDebuggerOutputAndTheLog) {
  ASSERT_FALSE(lzg::CefLibraryBound());
  CefTableScope table;
  lzg::g_cef.cef_log = &RecordLog;
  lzg::g_cef.cef_set_osmodal_loop = &RecordModal;
  g_logged.clear();
  g_modal.clear();
  RecordingApp app;
  DebugOutputCapture capture;
  lzg::OutputDebugMessage(L"引擎 starting");
  EXPECT_NE(capture.text().find(L"引擎 starting"), std::wstring::npos) << testutil::ToUtf8(capture.text());
  EXPECT_NE(ClientLog().find(testutil::ToUtf8(L"引擎 starting")), std::string::npos);
  EXPECT_TRUE(g_logged.empty());
  app.SetOsmodalLoop(true);
  EXPECT_TRUE(g_modal.empty());
}

// Failures are written, never raised again: a callback's failure stays on our side of the engine.
TEST(Diagnostics, FailuresAreWrittenAndNeverRaisedAgain) {
  DebugOutputCapture capture;
  lzg::ReportFailure(L"TChromium.CreateBrowser", L"no parent");
  EXPECT_NE(capture.text().find(L"TChromium.CreateBrowser error : no parent\n"), std::wstring::npos)
      << testutil::ToUtf8(capture.text());
  EXPECT_NE(ClientLog().find("TChromium.CreateBrowser error : no parent"), std::string::npos);

  bool ran = true;
  EXPECT_NO_THROW(ran = lzg::RunGuarded("Client.OnBeforePopup", [] { throw std::runtime_error("弹窗 failed"); }));
  EXPECT_FALSE(ran);
  EXPECT_NE(capture.text().find(L"Client.OnBeforePopup error : 弹窗 failed"), std::wstring::npos)
      << testutil::ToUtf8(capture.text());
}

// A start-up message goes to the debugger output and the log, then to an "Error" box.
TEST(Diagnostics, ErrorMessageWritesThenShowsABox) {
  DebugOutputCapture capture;
  RecordingApp app;
  enginetest::ErrorBox box;
  std::thread answer([&box] { box = enginetest::AnswerErrorBox(GetCurrentProcessId(), 20000); });
  app.CallBaseShowErrorMessage(L"CEF3 binaries missing !");  // returns once the box is answered
  answer.join();
  EXPECT_TRUE(app.messages.empty());
  ASSERT_TRUE(box.found) << "no \"Error\" box";
  EXPECT_EQ(box.body, L"CEF3 binaries missing !");
  EXPECT_NE(capture.text().find(L"CEF3 binaries missing !"), std::wstring::npos);
  EXPECT_NE(ClientLog().find("CEF3 binaries missing !"), std::string::npos);
}

// The engine holds the app handler past the object: from the object's teardown on, no callback reaches it.
TEST(Teardown, TheObjectDetachesItsHandlersWhenItGoes) {
  const long live = lzg::LiveBridgedObjects();
  TempDir tmp;
  MakeCheckedEngineFolder(tmp.Path());
  FakeStartupScope scope;
  int contexts = 0, launches = 0;
  // The object's memory outlives it here, so a callback that still reached it is counted instead of crashing.
  alignas(PreloadedApp) unsigned char storage[sizeof(PreloadedApp)];
  auto* app = new (storage) PreloadedApp();
  PointAt(*app, tmp.Path());
  app->on_context_initialized = [&contexts] { ++contexts; };
  app->on_before_child_process_launch = [&launches](cef_command_line_t*) { ++launches; };
  ASSERT_TRUE(app->StartMainProcess());
  ASSERT_EQ(scope.fake.executed.size(), 1u);
  cef_app_t* handed = scope.fake.executed[0];
  cef_browser_process_handler_t* bph = handed->get_browser_process_handler(handed);
  ASSERT_NE(bph, nullptr);

  auto line = lzg::MakeRef<FakeCommandLine>();
  const std::wstring empty_type;
  cef_string_t no_type = lzg::CefStringView(empty_type);
  auto call_every_callback = [&] {
    handed->on_before_command_line_processing(handed, &no_type, line->ToCef());
    bph->on_before_child_process_launch(bph, line->ToCef());
    bph->on_context_initialized(bph);
  };
  call_every_callback();  // attached: each reaches the object
  EXPECT_EQ(line->switches.size(), lzg::BuildBrowserSwitches(app->switches()).size());
  EXPECT_FALSE(line->switches.empty());
  EXPECT_EQ(launches, 1);
  EXPECT_EQ(contexts, 1);

  app->~PreloadedApp();
  line->switches.clear();
  call_every_callback();
  EXPECT_TRUE(line->switches.empty());
  EXPECT_EQ(launches, 1);
  EXPECT_EQ(contexts, 1);
  EXPECT_TRUE(line->HasOneRef()) << "the command line's reference was not released";

  bph->base.release(&bph->base);
  line.reset();
  scope.fake.ReleaseApps();
  EXPECT_EQ(lzg::LiveBridgedObjects(), live) << "a reference was kept or released too often";
}
