#include "gamewindow/page_recovery.h"

#include <string_view>

#include "base/utf8.h"

namespace lzg {

namespace {

const wchar_t kErrorPagePrefix[] = L"data:text/html;charset=utf-8,";

struct NetError {
  int code;
  const wchar_t* name;
};

// The errors a player meets when the game's server cannot be reached (the engine's net_error_list).
constexpr NetError kNetErrors[] = {
    {-2, L"ERR_FAILED"},
    {-3, L"ERR_ABORTED"},
    {-6, L"ERR_FILE_NOT_FOUND"},
    {-7, L"ERR_TIMED_OUT"},
    {-21, L"ERR_NETWORK_CHANGED"},
    {-100, L"ERR_CONNECTION_CLOSED"},
    {-101, L"ERR_CONNECTION_RESET"},
    {-102, L"ERR_CONNECTION_REFUSED"},
    {-103, L"ERR_CONNECTION_ABORTED"},
    {-104, L"ERR_CONNECTION_FAILED"},
    {-105, L"ERR_NAME_NOT_RESOLVED"},
    {-106, L"ERR_INTERNET_DISCONNECTED"},
    {-107, L"ERR_SSL_PROTOCOL_ERROR"},
    {-109, L"ERR_ADDRESS_UNREACHABLE"},
    {-118, L"ERR_CONNECTION_TIMED_OUT"},
    {-130, L"ERR_PROXY_CONNECTION_FAILED"},
    {-137, L"ERR_NAME_RESOLUTION_FAILED"},
    {-200, L"ERR_CERT_COMMON_NAME_INVALID"},
    {-201, L"ERR_CERT_DATE_INVALID"},
    {-202, L"ERR_CERT_AUTHORITY_INVALID"},
    {-302, L"ERR_UNKNOWN_URL_SCHEME"},
    {-310, L"ERR_TOO_MANY_REDIRECTS"},
    {-320, L"ERR_INVALID_RESPONSE"},
    {-324, L"ERR_EMPTY_RESPONSE"},
    {-355, L"ERR_INCOMPLETE_CHUNKED_ENCODING"},
};

}  // namespace

std::wstring NetErrorName(int code) {
  for (const NetError& e : kNetErrors)
    if (e.code == code) return e.name;
  return L"ERR_" + std::to_wstring(code);
}

bool IsWebAddress(const std::wstring& url) {
  auto starts = [&](std::wstring_view scheme) {
    if (url.size() < scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
      wchar_t c = url[i];
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
      if (c != scheme[i]) return false;
    }
    return true;
  };
  return starts(L"http:") || starts(L"https:");
}

bool IsGameArrival(bool own_browser, bool main_frame, const std::wstring& url, int http_status) {
  return own_browser && main_frame && http_status > 0 && IsWebAddress(url);
}

bool IsGameLoadFailure(bool own_browser, bool main_frame, const std::wstring& failed_url, int error_code) {
  return own_browser && main_frame && error_code != 0 && error_code != kErrAborted &&
         error_code != kErrUnknownUrlScheme && IsWebAddress(failed_url);
}

std::uint32_t RetryDelayMs(int failures) {
  if (failures <= 1) return 5000;
  if (failures == 2) return 15000;
  if (failures == 3) return 30000;
  return 60000;
}

std::wstring HtmlEscape(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&#39;"; break;
      // A NUL would end the text early in some readers; nothing legitimate carries one.
      case L'\0': out += L"&#xFFFD;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring ErrorPageHtml(int errorCode, const std::wstring& errorText, const std::wstring& failedUrl,
                           const std::wstring& retryUrl) {
  const std::wstring name = NetErrorName(errorCode);
  std::wstring detail = name + L" (" + std::to_wstring(errorCode) + L")";
  // The engine's own text, when it says more than the name.
  if (!errorText.empty() && errorText != name && errorText != L"net::" + name) detail += L" " + errorText;
  return L"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>无法连接游戏</title>"
         L"<style>body{font-family:sans-serif;background:#f4f4f4;color:#333;margin:40px}"
         L"p{margin:10px 0}a{color:#1a5fb4}</style></head><body>"
         L"<h2>无法连接到游戏服务器</h2>"
         L"<p>请检查网络连接。客户端会自动重试。</p>"
         L"<p>错误：" +
         HtmlEscape(detail) + L"</p><p>地址：" + HtmlEscape(failedUrl) + L"</p><p><a href=\"" +
         HtmlEscape(retryUrl) + L"\">立即重试</a></p></body></html>";
}

std::wstring ErrorPageAddress(const std::wstring& html) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out = kErrorPagePrefix;
  for (unsigned char b : ToUtf8(html)) {
    const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                            b == '-' || b == '.' || b == '_' || b == '~';
    if (unreserved) {
      out += static_cast<wchar_t>(b);
    } else {
      out += L'%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

bool IsErrorPageAddress(const std::wstring& url) { return url.rfind(kErrorPagePrefix, 0) == 0; }

std::wstring LoadingTitle(const std::wstring& game_title) { return game_title + L" 正在加载，请稍后..."; }

std::wstring ErrorTitle(const std::wstring& game_title, int error_code) {
  return game_title + L" 无法连接游戏（" + NetErrorName(error_code) + L"），稍后自动重试";
}

std::wstring StoppedTitle(const std::wstring& game_title) {
  return game_title + L" 游戏页面已停止运行，请重新启动客户端";
}

void PageRecovery::Expire(std::uint64_t nowMs) {
  while (!renderer_reloads_.empty() && nowMs - renderer_reloads_.front() >= kRendererWindowMs)
    renderer_reloads_.pop_front();
}

int PageRecovery::RecentRendererReloads(std::uint64_t nowMs) {
  Expire(nowMs);
  return static_cast<int>(renderer_reloads_.size());
}

PageRecovery::Renderer PageRecovery::RendererEnded(std::uint64_t nowMs) {
  if (stopped_) return Renderer::Ignore;
  Expire(nowMs);
  if (static_cast<int>(renderer_reloads_.size()) >= kMaxRendererReloads) return Renderer::GiveUp;
  renderer_reloads_.push_back(nowMs);
  return Renderer::Reload;
}

std::uint32_t PageRecovery::LoadFailed() {
  if (stopped_) return 0;
  if (failures_ < 1000) ++failures_;
  return RetryDelayMs(failures_);
}

}  // namespace lzg
