// When the game window reloads its home address by itself, and what it shows meanwhile. Platform-free.
// No Windows calls here: the same code builds natively for the unit tests and the fuzz target.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace lzg {

// The engine's "cancelled or replaced" load error: not a failure of the game.
constexpr int kErrAborted = -3;
// A link to another program (a scheme the engine does not handle itself): not a failure of the game either.
constexpr int kErrUnknownUrlScheme = -302;

// The engine's name of a network error ("ERR_NAME_NOT_RESOLVED" for -105); "ERR_<code>" for one not listed.
std::wstring NetErrorName(int code);

// An http or https address (the scheme in any letter case): the only kind the game comes as.
bool IsWebAddress(const std::wstring& url);

// The game has arrived: a main-frame load end of the window's own browser, of a web address, with an answer of
// the server (status above 0). The engine's error document (status 0), a load that broke off after it committed
// (the error code as its status), about:blank and the client's own error page are not the game.
bool IsGameArrival(bool own_browser, bool main_frame, const std::wstring& url, int http_status);

// The game failed to arrive: a failed main-frame load of the window's own browser, of a web address, with an
// error other than a cancelled load (-3) and a link to another program (-302).
bool IsGameLoadFailure(bool own_browser, bool main_frame, const std::wstring& failed_url, int error_code);

// Waits before the automatic retries: 5 s, 15 s, 30 s, then every 60 s (`failures` counts from 1).
std::uint32_t RetryDelayMs(int failures);

// `text` with the characters that mean something in HTML (& < > " ') as character references.
std::wstring HtmlEscape(const std::wstring& text);

// The error page: says the game could not be reached, names the error and links to `retryUrl`.
// Every outside text (the engine's error text, the failed and the retry address) is escaped.
std::wstring ErrorPageHtml(int errorCode, const std::wstring& errorText, const std::wstring& failedUrl,
                           const std::wstring& retryUrl);

// `html` as a data: address (UTF-8, every byte but the unreserved ones percent-encoded).
std::wstring ErrorPageAddress(const std::wstring& html);

// True for an address made by ErrorPageAddress: its load end is not the game arriving.
bool IsErrorPageAddress(const std::wstring& url);

// The title item's words: while the home address loads, after a failed load, after the page stopped for good.
std::wstring LoadingTitle(const std::wstring& game_title);
std::wstring ErrorTitle(const std::wstring& game_title, int error_code);
std::wstring StoppedTitle(const std::wstring& game_title);

// The game window's one recovery component: it decides when the home address is loaded again.
// The window feeds it the events (on its main thread) and carries the decisions out.
class PageRecovery {
 public:
  static constexpr int kMaxRendererReloads = 3;
  static constexpr std::uint64_t kRendererWindowMs = 10ull * 60 * 1000;

  enum class Renderer { Ignore, Reload, GiveUp };

  // The game page's renderer ended at `nowMs`: reload, unless that was done kMaxRendererReloads times
  // within kRendererWindowMs before; then give up (and keep giving up until the window empties).
  Renderer RendererEnded(std::uint64_t nowMs);

  // A main-frame load of the game failed: the error page goes up, and the retry comes after the
  // returned delay. 0 once stopped.
  std::uint32_t LoadFailed();

  // The game page arrived: the retries start again from the first delay next time.
  void LoadSucceeded() { failures_ = 0; }
  // The player asked for the page again (a preset's reload).
  void Reset() { failures_ = 0; }
  // The window is closing: nothing is reloaded any more.
  void Stop() { stopped_ = true; }

  bool Stopped() const { return stopped_; }
  int Failures() const { return failures_; }
  // Reloads after a renderer's end still inside the window at `nowMs`.
  int RecentRendererReloads(std::uint64_t nowMs);

 private:
  void Expire(std::uint64_t nowMs);

  std::deque<std::uint64_t> renderer_reloads_;
  int failures_ = 0;
  bool stopped_ = false;
};

}  // namespace lzg
