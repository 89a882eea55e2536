// The one-shot thread that points the engine's cookie store at the profile's cookie directory once the store
// reports itself ready. It works on its own copies of the directory and flag, frees itself when done, and
// nobody waits for it.
#pragma once

#include <functional>
#include <string>

namespace lzg {

class CookieStoreInitializer {
 public:
  // How long the thread waits for the cookie store before it gives up.
  static constexpr int kReadyTimeoutMs = 5000;

  // Starts a thread (also for an empty directory, which it ends at once).
  // False when the thread could not be started. `onSettled`, if given, runs on the
  // thread once the store has been pointed at the directory or the thread has given
  // up (bound, failure); not when the engine is going down (AbandonAll).
  static bool Start(const std::wstring& cookies_path, bool persist_session_cookies,
                    std::function<void()> on_settled = nullptr);

  // Initialisers started in this process, and those still running (for diagnostics and tests).
  static long Started();
  static long Running();

  // Before the engine goes down: wakes every initialiser still waiting for the
  // cookie store (it then applies nothing) and waits up to `waitMs` for them to
  // end, so that none holds engine objects past the engine's shutdown.
  static void AbandonAll(unsigned long wait_ms);

 private:
  CookieStoreInitializer(const std::wstring& path, bool persist, std::function<void()> on_settled)
      : cookies_path_(path), persist_session_cookies_(persist), on_settled_(std::move(on_settled)) {}
  static unsigned long __stdcall ThreadProc(void* param);
  void Execute();

  std::wstring cookies_path_;
  bool persist_session_cookies_;
  std::function<void()> on_settled_;
};

}  // namespace lzg
