// Text rules of the stand-in that need no Windows call: trace escaping, UTF
// conversions, JSON rendering of preference values, address queries and the
// engine's switch names. Kept free of <windows.h> so it also builds natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

// Trace values: % space tab CR LF = become %25 %20 %09 %0D %0A %3D.
std::string EscapeTraceValue(const std::string& utf8);

std::string Utf16ToUtf8(const std::u16string& s);
std::u16string Utf8ToUtf16(const std::string& s);
// Wide text is UTF-16 on the target; these take wchar_t-sized code units.
std::string WideToUtf8(const wchar_t* s, std::size_t n);
std::wstring Utf8ToWide(const std::string& s);

// A JSON string literal, quotes included.
std::string JsonQuote(const std::string& utf8);

// Value of `key` in the query of `url` ("a?x=1&key=v#f" gives "v"); nullopt when absent.
std::optional<std::string> QueryValue(const std::string& url, const std::string& key);
// Non-negative decimal, or `fallback` when the text is not one (overflow included).
int ParseCount(const std::optional<std::string>& text, int fallback, int max_value);

// `standin-neterror=<code>`: a negative network error code (-1 to -999), or nullopt.
std::optional<int> ParseNetError(const std::optional<std::string>& text);
// The engine's error text for a network error ("ERR_NAME_NOT_RESOLVED" for -105; "ERR_FAILED" for one unknown).
std::string NetErrorText(int code);
// The visible text of a "data:text/html" address, one entry per line (UTF-8); nullopt for other addresses.
// Percent-encoded and base64 bodies; head, style and script are not shown; entities decoded.
std::optional<std::vector<std::string>> HtmlDataText(const std::string& url);

// The scheme of an address, ASCII lower-cased ("tencent" for "Tencent://x"); empty for an address without one.
std::string SchemeOf(const std::string& url);
// The engine handles these schemes itself (http, https, ws, wss, ftp, file, data, about, blob, filesystem,
// javascript, chrome, chrome-devtools, chrome-error, view-source); every other one belongs to another program.
// An address without a scheme counts as the engine's.
bool EngineHandlesScheme(const std::string& url);
// Where Chromium commits its own document for a failed load.
inline constexpr const char* kErrorDocumentUrl = "chrome-error://chromewebdata/";

// The site of an address for the engine's site-per-process rule: scheme "://" host, ASCII lower-cased,
// without user info and port; empty for an address without a host (about:blank, data:), which is no site.
std::string SiteOf(const std::string& url);

// The engine's switch key: leading "--", "-" or "/" removed, ASCII lower-cased.
std::string SwitchKey(const std::string& name);

// Splits a page command ("popup 3 1 http://x", "close", "navigate x") into its
// verb and the rest of the line (the rest may be empty or contain spaces).
std::pair<std::string, std::string> SplitCommand(const std::string& line);

// "popup <disposition> <gesture> <address>": the address may be empty.
struct PopupCommand {
  int disposition = 0;
  bool gesture = false;
  std::string url;
};
std::optional<PopupCommand> ParsePopupArgs(const std::string& rest);

}  // namespace standin
