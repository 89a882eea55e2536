// The smallest host of the engine: starts it, opens one plain window with one
// browser and loads an address. The start-up benchmark measures the client
// against it, so it does nothing the engine does not strictly need.
// Built twice. As minimal_host it makes its window before cef_initialize (the floor of a
// start). As like_client_host (LZG_HOST_WINDOW_AFTER_INITIALIZE, and the client's manifest) it
// starts the way the client must: its window after cef_initialize, and the browser once both the
// window and the engine's context exist, whichever comes last.
#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <string>

#include "engine/bridge.h"
#include "engine/cef_string.h"

namespace lzg {
void ReportCallbackFailure(const char*, const char*) noexcept {}
}  // namespace lzg

namespace {

constexpr UINT WM_CONTEXT_READY = WM_APP + 1;
constexpr UINT WM_BROWSER_READY = WM_APP + 2;

#ifdef LZG_HOST_WINDOW_AFTER_INITIALIZE
constexpr bool kWindowAfterInitialize = true;
#else
constexpr bool kWindowAfterInitialize = false;
#endif

// Written on the main thread, read on the engine's UI thread when its context is ready.
std::atomic<HWND> g_window{nullptr};
std::atomic<bool> g_context_ready{false};
bool g_browser_requested = false;  // main thread only
cef_browser_t* g_browser = nullptr;  // one reference, taken on the engine's UI thread
std::wstring g_home = L"http://bench.example/home";

struct Engine {
  cef_execute_process_ptr execute_process = nullptr;
  cef_initialize_ptr initialize = nullptr;
  cef_shutdown_ptr shutdown = nullptr;
  cef_browser_host_create_browser_ptr create_browser = nullptr;
} g_engine;

class BrowserProcessHandler : public lzg::CefObject<cef_browser_process_handler_t, BrowserProcessHandler> {
  using Self = BrowserProcessHandler;

 public:
  BrowserProcessHandler() { LZG_BIND(on_context_initialized, OnContextInitialized); }
  void OnContextInitialized() {
    g_context_ready = true;
    // Without a window yet, the main thread asks for the browser once it has made one.
    if (HWND window = g_window.load()) PostMessageW(window, WM_CONTEXT_READY, 0, 0);
  }
};

class App : public lzg::CefObject<cef_app_t, App> {
  using Self = App;

 public:
  App() { LZG_BIND(get_browser_process_handler, GetBrowserProcessHandler); }
  cef_browser_process_handler_t* GetBrowserProcessHandler() { return handler_->ToCef(); }

 private:
  lzg::Ref<BrowserProcessHandler> handler_ = lzg::MakeRef<BrowserProcessHandler>();
};

class LifeSpan : public lzg::CefObject<cef_life_span_handler_t, LifeSpan> {
  using Self = LifeSpan;

 public:
  LifeSpan() { LZG_BIND(on_after_created, OnAfterCreated); }
  void OnAfterCreated(cef_browser_t* browser) {
    if (!g_browser && browser) {
      g_browser = browser;  // keep the reference the engine handed us
      PostMessageW(g_window.load(), WM_BROWSER_READY, 0, 0);
    } else if (browser) {
      browser->base.release(&browser->base);
    }
  }
};

class Client : public lzg::CefObject<cef_client_t, Client> {
  using Self = Client;

 public:
  Client() { LZG_BIND(get_life_span_handler, GetLifeSpanHandler); }
  cef_life_span_handler_t* GetLifeSpanHandler() { return life_->ToCef(); }

 private:
  lzg::Ref<LifeSpan> life_ = lzg::MakeRef<LifeSpan>();
};

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CONTEXT_READY: {
      if (g_browser_requested) return 0;  // posted by both sides when the context came as the window did
      g_browser_requested = true;
      RECT rc;
      GetClientRect(hwnd, &rc);
      cef_window_info_t info{};
      info.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
      info.width = rc.right;
      info.height = rc.bottom;
      info.parent_window = hwnd;
      cef_browser_settings_t settings{};
      settings.size = sizeof settings;
      std::wstring blank = L"about:blank";
      cef_string_t url = lzg::CefStringView(blank);
      Client* client = new Client;
      g_engine.create_browser(&info, client->ToCef(), &url, &settings, nullptr);
      client->Release();
      return 0;
    }
    case WM_BROWSER_READY: {
      cef_frame_t* frame = g_browser->get_main_frame(g_browser);
      if (frame) {
        cef_string_t url = lzg::CefStringView(g_home);
        frame->load_url(frame, &url);
        frame->base.release(&frame->base);
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  std::wstring dir = ExeDir();
  HMODULE lib = LoadLibraryExW((dir + L"cef\\libcef.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!lib) return 2;
  g_engine.execute_process = reinterpret_cast<cef_execute_process_ptr>(GetProcAddress(lib, "cef_execute_process"));
  g_engine.initialize = reinterpret_cast<cef_initialize_ptr>(GetProcAddress(lib, "cef_initialize"));
  g_engine.shutdown = reinterpret_cast<cef_shutdown_ptr>(GetProcAddress(lib, "cef_shutdown"));
  g_engine.create_browser =
      reinterpret_cast<cef_browser_host_create_browser_ptr>(GetProcAddress(lib, "cef_browser_host_create_browser"));
  if (!g_engine.execute_process || !g_engine.initialize || !g_engine.shutdown || !g_engine.create_browser) return 3;

  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i)
      if (wcsncmp(argv[i], L"--home=", 7) == 0) g_home = argv[i] + 7;
    LocalFree(argv);
  }

  cef_main_args_t args{instance};
  App* app = new App;
  int code = g_engine.execute_process(&args, app->ToCef(), nullptr);
  if (code >= 0) {
    app->Release();
    return code;
  }

  auto make_window = [instance] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = L"MinimalEngineHost";
    RegisterClassW(&wc);
    RECT r{0, 0, 1334, 750};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    g_window = CreateWindowW(wc.lpszClassName, L"minimal host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                             CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  };
  if (!kWindowAfterInitialize) make_window();

  std::wstring cefDir = dir + L"cef", locales = dir + L"cef\\locales";
  cef_settings_t settings{};
  settings.size = sizeof settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.log_severity = LOGSEVERITY_DISABLE;
  settings.framework_dir_path = lzg::CefStringView(cefDir);
  settings.resources_dir_path = lzg::CefStringView(cefDir);
  settings.locales_dir_path = lzg::CefStringView(locales);
  if (!g_engine.initialize(&args, &settings, app->ToCef(), nullptr)) {
    app->Release();
    g_engine.shutdown();
    return 4;
  }
  app->Release();
  if (kWindowAfterInitialize) {
    make_window();
    // The context may have come before the window did: nobody was there to hear of it.
    if (g_context_ready) PostMessageW(g_window.load(), WM_CONTEXT_READY, 0, 0);
  }
  ShowWindow(g_window.load(), SW_SHOW);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (g_browser) g_browser->base.release(&g_browser->base);
  g_engine.shutdown();
  return 0;
}
