// The stand-in's request context with its preferences, and the cookie manager it hands out.
#include "standin/objects.h"

#include <set>

#include "standin/engine.h"
#include "standin/storage.h"
#include "standin/text.h"

namespace standin {

namespace {
std::string Key(const cef_string_t* s) { return ToUtf8(s); }
}  // namespace

bool IsKnownPreference(const std::string& name) {
  static const std::set<std::string> known = {
      "proxy", "enable_do_not_track", "enable_referrers", "enable_a_ping",
      "plugins.run_all_flash_in_allow_mode", "plugins.allow_outdated", "plugins.always_authorize",
      "browser.enable_spellchecking", "spellcheck.dictionaries", "spellcheck.dictionary",
      "profile.default_content_setting_values.plugins", "webrtc.ip_handling_policy",
      "webrtc.multiple_routes_enabled", "webrtc.nonproxied_udp_enabled", "intl.accept_languages"};
  return known.count(name) != 0;
}

RequestContext::RequestContext(std::shared_ptr<PrefStore> store, int browser_id, bool global)
    : store_(std::move(store)), browser_id_(browser_id), global_(global) {
  STANDIN_MEMBERS_REQUEST_CONTEXT(STANDIN_NEUTRAL)
  LZG_BIND(is_same, IsSame);
  LZG_BIND(is_sharing_with, IsSharingWith);
  LZG_BIND(is_global, IsGlobal);
  LZG_BIND(get_default_cookie_manager, GetDefaultCookieManager);
  LZG_BIND(has_preference, HasPreference);
  LZG_BIND(get_preference, GetPreference);
  LZG_BIND(get_all_preferences, GetAllPreferences);
  LZG_BIND(can_set_preference, CanSetPreference);
  LZG_BIND(set_preference, SetPreference);
}

int RequestContext::IsSame(cef_request_context_t* other) {
  RequestContext* o = FromCef(other);
  bool same = o && o->store_ == store_;
  DropArg(other);
  return same;
}
int RequestContext::IsSharingWith(cef_request_context_t* other) { return IsSame(other); }
cef_cookie_manager_t* RequestContext::GetDefaultCookieManager(cef_completion_callback_t* callback) {
  return GlobalCookieManager(callback);
}
// The engine serves preferences on its UI thread only; elsewhere it answers 0.
static bool OffUiThread(const char* call) {
  if (UiThread().IsCurrent()) return false;
  Fault(std::string(call) + " called off the engine's UI thread");
  return true;
}

int RequestContext::HasPreference(const cef_string_t* name) {
  if (OffUiThread("CefRequestContext.HasPreference")) return 0;
  std::lock_guard<std::mutex> l(store_->mu);
  return store_->values.count(Key(name)) != 0 || IsKnownPreference(Key(name));
}
cef_value_t* RequestContext::GetPreference(const cef_string_t* name) {
  if (OffUiThread("CefRequestContext.GetPreference")) return nullptr;
  std::lock_guard<std::mutex> l(store_->mu);
  auto it = store_->values.find(Key(name));
  if (it == store_->values.end()) return IsKnownPreference(Key(name)) ? lzg::MakeRef<Value>()->ToCef() : nullptr;
  return lzg::MakeRef<Value>(it->second)->ToCef();
}
cef_dictionary_value_t* RequestContext::GetAllPreferences(int) {
  if (OffUiThread("CefRequestContext.GetAllPreferences")) return nullptr;
  auto d = lzg::MakeRef<DictionaryValue>();
  std::lock_guard<std::mutex> l(store_->mu);
  for (const auto& [k, v] : store_->values) {
    std::wstring wk = Utf8ToWide(k);
    cef_string_t key{const_cast<wchar_t*>(wk.c_str()), wk.size(), nullptr};
    cef_value_t* val = lzg::MakeRef<Value>(v)->ToCef();
    d->SetValue(&key, val);
  }
  return d->ToCef();
}
int RequestContext::CanSetPreference(const cef_string_t* name) {
  int ok = !OffUiThread("CefRequestContext.CanSetPreference") && IsKnownPreference(Key(name)) ? 1 : 0;
  Trace("can_set_preference").Add("id", browser_id_).Add("name", Key(name)).Add("result", ok);
  return ok;
}
int RequestContext::SetPreference(const cef_string_t* name, cef_value_t* value, cef_string_t* error) {
  std::string key = Key(name);
  ValueData data = Value::DataOf(value);
  const bool null_value = !value;
  DropArg(value);
  std::string err;
  char fail[256];
  DWORD fl = GetEnvironmentVariableA("STANDIN_FAIL_PREF", fail, sizeof fail);
  if (OffUiThread("CefRequestContext.SetPreference")) {
    err = "Preferences must be set on the browser process UI thread";
  } else if (!IsKnownPreference(key)) {
    err = "Trying to modify an unregistered preference: " + key;
  } else if (fl > 0 && fl < sizeof fail && key == fail) {
    err = "Preference '" + key + "' is managed and cannot be changed";
  } else if (!null_value && data.type == VTYPE_INVALID) {
    err = "Invalid value for preference: " + key;
  }
  int result = err.empty() ? 1 : 0;
  if (result && data.type == VTYPE_DICTIONARY && data.dict) {
    // The store keeps its own copy: later changes to the client's dictionary do not leak in.
    cef_dictionary_value_t* c = data.dict->Copy(0);
    data.dict = lzg::Ref<DictionaryValue>::Adopt(DictionaryValue::FromCef(c));
  }
  if (result) {
    std::lock_guard<std::mutex> l(store_->mu);
    if (null_value) store_->values.erase(key);  // a null value restores the default
    else store_->values[key] = data;
  } else if (error) {
    SetCefString(error, Utf8ToWide(err));
  }
  Trace("set_preference")
      .Add("id", browser_id_)
      .Add("name", key)
      .Add("value", null_value ? std::string("null") : RenderValue(data))
      .Add("result", result)
      .Add("error", err);
  return result;
}

// --- Cookie manager -------------------------------------------------------------------

CookieManager::CookieManager() {
  STANDIN_MEMBERS_COOKIE_MANAGER(STANDIN_NEUTRAL)
  LZG_BIND(set_storage_path, SetStoragePath);
  LZG_BIND(flush_store, FlushStore);
}

void CookieManager::NotifyReady(cef_completion_callback_t* callback, const char* event, DWORD late_ms) {
  auto cb = Foreign<cef_completion_callback_t>::Adopt(callback);
  if (!cb) return;
  std::string ev = event;
  auto run = [cb, ev] {
    Trace(ev.c_str());
    if (cb->on_complete) cb->on_complete(cb.get());
  };
  // The storage initialises on the engine's IO thread, never on the caller's.
  if (!IoThread().PostDelayed(20 + late_ms, run)) Fault("completion callback dropped: IO thread not running");
}

int CookieManager::SetStoragePath(const cef_string_t* path, int persist, cef_completion_callback_t* callback) {
  Trace("cookie_set_storage_path").Add("path", path).Add("persist", persist);
  UseStorageFolder("cookie storage path", ToWide(path));
  NotifyReady(callback, "cookie_set_storage_path_done");
  return 1;
}
int CookieManager::FlushStore(cef_completion_callback_t* callback) {
  NotifyReady(callback, "cookie_flush_done");
  return 1;
}

}  // namespace standin
