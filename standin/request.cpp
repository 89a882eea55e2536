// The stand-in's request object, as the engine hands it to the client's handlers.
#include "standin/objects.h"

#include <atomic>

#include "standin/text.h"

namespace standin {

namespace {
std::atomic<uint64> g_next_request{1};
}

Request::Request() : id_(g_next_request++) {
  STANDIN_MEMBERS_REQUEST(STANDIN_NEUTRAL)
  LZG_BIND(is_read_only, IsReadOnly);
  LZG_BIND(get_url, GetUrl);
  LZG_BIND(set_url, SetUrl);
  LZG_BIND(get_method, GetMethod);
  LZG_BIND(set_method, SetMethod);
  LZG_BIND(get_flags, GetFlags);
  LZG_BIND(set_flags, SetFlags);
  LZG_BIND(get_transition_type, GetTransitionType);
  LZG_BIND(get_identifier, GetIdentifier);
}
std::wstring Request::Url() const {
  std::lock_guard<std::mutex> l(mu_);
  return url_;
}
void Request::SetUrlText(const std::wstring& url, cef_transition_type_t transition) {
  std::lock_guard<std::mutex> l(mu_);
  url_ = url;
  transition_ = transition;
}
cef_string_userfree_t Request::GetUrl() { return NewUserFree(Url()); }
void Request::SetUrl(const cef_string_t* url) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) url_ = ToWide(url);
}
cef_string_userfree_t Request::GetMethod() {
  std::lock_guard<std::mutex> l(mu_);
  return NewUserFree(method_);
}
void Request::SetMethod(const cef_string_t* method) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) method_ = ToWide(method);
}
int Request::GetFlags() {
  std::lock_guard<std::mutex> l(mu_);
  return flags_;
}
void Request::SetFlags(int flags) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) flags_ = flags;
}
cef_transition_type_t Request::GetTransitionType() {
  std::lock_guard<std::mutex> l(mu_);
  return transition_;
}

}  // namespace standin
