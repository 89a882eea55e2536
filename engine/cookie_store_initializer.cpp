#include "engine/cookie_store_initializer.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "engine/bridge.h"
#include "engine/cef_library.h"
#include "engine/cef_ref.h"
#include "engine/cef_string.h"

namespace lzg {
namespace {

volatile LONG g_started = 0;
volatile LONG g_running = 0;

// The events that initialisers wait on now, so that shutdown can wake them.
std::mutex g_waitingLock;
std::vector<cef_waitable_event_t*> g_waiting;
bool g_abandoned = false;

// Signals the event once the engine reports its cookie storage ready (an engine thread).
class EventCompletionCallback : public CefObject<cef_completion_callback_t, EventCompletionCallback> {
  using Self = EventCompletionCallback;

 public:
  explicit EventCompletionCallback(cef_waitable_event_t* event) {
    AddRefCefObject(event);  // ours beyond the call that handed it over
    event_ = CefRef<cef_waitable_event_t>(event);
    LZG_BIND(on_complete, OnComplete);
  }
  void OnComplete() {
    if (event_ && event_->signal) event_->signal(event_.get());
  }

 private:
  CefRef<cef_waitable_event_t> event_;
};

}  // namespace

bool CookieStoreInitializer::Start(const std::wstring& cookies_path, bool persist_session_cookies,
                                   std::function<void()> on_settled) {
  auto* thread = new CookieStoreInitializer(cookies_path, persist_session_cookies, std::move(on_settled));
  InterlockedIncrement(&g_running);
  HANDLE h = CreateThread(nullptr, 0, &ThreadProc, thread, 0, nullptr);
  if (!h) {
    InterlockedDecrement(&g_running);
    delete thread;
    return false;
  }
  InterlockedIncrement(&g_started);
  CloseHandle(h);
  return true;
}

void CookieStoreInitializer::AbandonAll(unsigned long wait_ms) {
  {
    std::lock_guard<std::mutex> lock(g_waitingLock);
    g_abandoned = true;
    for (cef_waitable_event_t* e : g_waiting) e->signal(e);
  }
  const DWORD start = GetTickCount();
  while (Running() > 0 && GetTickCount() - start < wait_ms) Sleep(5);
}

long CookieStoreInitializer::Started() { return InterlockedCompareExchange(&g_started, 0, 0); }
long CookieStoreInitializer::Running() { return InterlockedCompareExchange(&g_running, 0, 0); }

unsigned long __stdcall CookieStoreInitializer::ThreadProc(void* param) {
  auto* thread = static_cast<CookieStoreInitializer*>(param);
  RunGuarded("TCEFCookieInitializerThread.Execute", [&] { thread->Execute(); });
  if (thread->on_settled_) {
    // Under the lock, so that AbandonAll, once it has marked the engine going down, knows no
    // notice is under way or still to come.
    std::lock_guard<std::mutex> lock(g_waitingLock);
    if (!g_abandoned) RunGuarded("TCEFCookieInitializerThread.Execute", [&] { thread->on_settled_(); });
  }
  delete thread;
  InterlockedDecrement(&g_running);
  return 0;
}

void CookieStoreInitializer::Execute() {
  if (cookies_path_.empty()) return;
  const CefApi& cef = g_cef;
  if (!cef.cef_waitable_event_create || !cef.cef_cookie_manager_get_global_manager) {
    throw std::runtime_error("the engine library is not bound");
  }
  CefRef<cef_waitable_event_t> event(cef.cef_waitable_event_create(/*automatic_reset=*/1, /*initially_signaled=*/0));
  if (!event) throw std::runtime_error("cef_waitable_event_create failed");

  auto callback = MakeRef<EventCompletionCallback>(event.get());
  CefRef<cef_cookie_manager_t> manager(cef.cef_cookie_manager_get_global_manager(callback->ToCef()));
  callback.reset();

  {
    std::lock_guard<std::mutex> lock(g_waitingLock);
    if (g_abandoned) return;
    g_waiting.push_back(event.get());
  }
  bool ready = event->timed_wait(event.get(), kReadyTimeoutMs) != 0;
  {
    std::lock_guard<std::mutex> lock(g_waitingLock);
    g_waiting.erase(std::remove(g_waiting.begin(), g_waiting.end(), event.get()), g_waiting.end());
    if (g_abandoned) return;
  }
  if (ready && manager) {
    cef_string_t path = CefStringView(cookies_path_);
    manager->set_storage_path(manager.get(), &path, persist_session_cookies_ ? 1 : 0, nullptr);
  }
}

}  // namespace lzg
