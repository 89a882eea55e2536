#include "standin/objects.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <set>

#include "standin/engine.h"
#include "standin/text.h"

namespace standin {

namespace {
std::string Key(const cef_string_t* s) { return ToUtf8(s); }
}  // namespace

// --- Values -------------------------------------------------------------------------

std::string RenderValue(const ValueData& v) {
  switch (v.type) {
    case VTYPE_BOOL: return v.b ? "true" : "false";
    case VTYPE_INT: return std::to_string(v.i);
    case VTYPE_DOUBLE: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.17g", v.d);
      return buf;
    }
    case VTYPE_STRING: return JsonQuote(ToUtf8(v.s));
    case VTYPE_DICTIONARY: {
      if (!v.dict) return "{}";
      std::string out = "{";
      bool first = true;
      for (const auto& [k, d] : v.dict->Entries()) {
        if (!first) out += ",";
        first = false;
        out += JsonQuote(ToUtf8(k)) + ":" + RenderValue(d);
      }
      return out + "}";
    }
    case VTYPE_NULL: return "null";
    default: return "invalid";
  }
}

Value::Value(ValueData data) : data_(std::move(data)) {
  STANDIN_MEMBERS_VALUE(STANDIN_NEUTRAL)
  LZG_BIND(is_valid, IsValid, "CefValue.IsValid");
  LZG_BIND(is_owned, IsOwned, "CefValue.IsOwned");
  LZG_BIND(is_read_only, IsReadOnly, "CefValue.IsReadOnly");
  LZG_BIND(is_same, IsSame, "CefValue.IsSame");
  LZG_BIND(is_equal, IsEqual, "CefValue.IsEqual");
  LZG_BIND(copy, Copy, "CefValue.Copy");
  LZG_BIND(get_type, GetType, "CefValue.GetType");
  LZG_BIND(get_bool, GetBool, "CefValue.GetBool");
  LZG_BIND(get_int, GetInt, "CefValue.GetInt");
  LZG_BIND(get_double, GetDouble, "CefValue.GetDouble");
  LZG_BIND(get_string, GetString, "CefValue.GetString");
  LZG_BIND(get_dictionary, GetDictionary, "CefValue.GetDictionary");
  LZG_BIND(set_null, SetNull, "CefValue.SetNull");
  LZG_BIND(set_bool, SetBool, "CefValue.SetBool");
  LZG_BIND(set_int, SetInt, "CefValue.SetInt");
  LZG_BIND(set_double, SetDouble, "CefValue.SetDouble");
  LZG_BIND(set_string, SetString, "CefValue.SetString");
  LZG_BIND(set_dictionary, SetDictionary, "CefValue.SetDictionary");
}

ValueData Value::Data() const {
  std::lock_guard<std::mutex> lock(mu_);
  return data_;
}
ValueData Value::DataOf(cef_value_t* v) {
  Value* self = v && v->base.size == sizeof(cef_value_t) ? FromCef(v) : nullptr;
  return self ? self->Data() : ValueData{VTYPE_INVALID};
}
int Value::IsSame(cef_value_t* that) {
  bool same = FromCef(that) == this;
  DropArg(that);
  return same;
}
int Value::IsEqual(cef_value_t* that) {
  bool eq = RenderValue(Data()) == RenderValue(DataOf(that));
  DropArg(that);
  return eq;
}
cef_value_t* Value::Copy() { return lzg::MakeRef<Value>(Data())->ToCef(); }
cef_value_type_t Value::GetType() { return Data().type; }
int Value::GetBool() { auto d = Data(); return d.type == VTYPE_BOOL ? d.b : d.type == VTYPE_INT ? d.i != 0 : 0; }
int Value::GetInt() { auto d = Data(); return d.type == VTYPE_INT ? d.i : d.type == VTYPE_BOOL ? d.b : 0; }
double Value::GetDouble() {
  auto d = Data();
  return d.type == VTYPE_DOUBLE ? d.d : d.type == VTYPE_INT ? d.i : 0;
}
cef_string_userfree_t Value::GetString() {
  auto d = Data();
  return d.type == VTYPE_STRING ? NewUserFree(d.s) : nullptr;
}
cef_dictionary_value_t* Value::GetDictionary() {
  auto d = Data();
  return d.type == VTYPE_DICTIONARY ? GiveOwn(d.dict) : nullptr;
}
int Value::SetNull() { std::lock_guard<std::mutex> l(mu_); data_ = ValueData{}; return 1; }
int Value::SetBool(int v) { std::lock_guard<std::mutex> l(mu_); data_ = ValueData{VTYPE_BOOL}; data_.b = v != 0; return 1; }
int Value::SetInt(int v) { std::lock_guard<std::mutex> l(mu_); data_ = ValueData{VTYPE_INT}; data_.i = v; return 1; }
int Value::SetDouble(double v) { std::lock_guard<std::mutex> l(mu_); data_ = ValueData{VTYPE_DOUBLE}; data_.d = v; return 1; }
int Value::SetString(const cef_string_t* v) {
  std::lock_guard<std::mutex> l(mu_);
  data_ = ValueData{VTYPE_STRING};
  data_.s = ToWide(v);
  return 1;
}
int Value::SetDictionary(cef_dictionary_value_t* v) {
  // The value takes over the reference the argument carries.
  DictionaryValue* d = v && v->base.size == sizeof(cef_dictionary_value_t) ? DictionaryValue::FromCef(v) : nullptr;
  if (!d) {
    DropArg(v);
    return 0;
  }
  std::lock_guard<std::mutex> l(mu_);
  data_ = ValueData{VTYPE_DICTIONARY};
  data_.dict = lzg::Ref<DictionaryValue>::Adopt(d);
  return 1;
}

DictionaryValue::DictionaryValue() {
  STANDIN_MEMBERS_DICTIONARY_VALUE(STANDIN_NEUTRAL)
  LZG_BIND(is_valid, IsValid, "CefDictionaryValue.IsValid");
  LZG_BIND(is_owned, IsOwned, "CefDictionaryValue.IsOwned");
  LZG_BIND(is_read_only, IsReadOnly, "CefDictionaryValue.IsReadOnly");
  LZG_BIND(is_same, IsSame, "CefDictionaryValue.IsSame");
  LZG_BIND(is_equal, IsEqual, "CefDictionaryValue.IsEqual");
  LZG_BIND(copy, Copy, "CefDictionaryValue.Copy");
  LZG_BIND(get_size, GetSize, "CefDictionaryValue.GetSize");
  LZG_BIND(clear, Clear, "CefDictionaryValue.Clear");
  LZG_BIND(has_key, HasKey, "CefDictionaryValue.HasKey");
  LZG_BIND(get_keys, GetKeys, "CefDictionaryValue.GetKeys");
  LZG_BIND(remove, Remove, "CefDictionaryValue.Remove");
  LZG_BIND(get_type, GetType, "CefDictionaryValue.GetType");
  LZG_BIND(get_value, GetValue, "CefDictionaryValue.GetValue");
  LZG_BIND(get_bool, GetBool, "CefDictionaryValue.GetBool");
  LZG_BIND(get_int, GetInt, "CefDictionaryValue.GetInt");
  LZG_BIND(get_double, GetDouble, "CefDictionaryValue.GetDouble");
  LZG_BIND(get_string, GetString, "CefDictionaryValue.GetString");
  LZG_BIND(get_dictionary, GetDictionary, "CefDictionaryValue.GetDictionary");
  LZG_BIND(set_value, SetValue, "CefDictionaryValue.SetValue");
  LZG_BIND(set_null, SetNull, "CefDictionaryValue.SetNull");
  LZG_BIND(set_bool, SetBool, "CefDictionaryValue.SetBool");
  LZG_BIND(set_int, SetInt, "CefDictionaryValue.SetInt");
  LZG_BIND(set_double, SetDouble, "CefDictionaryValue.SetDouble");
  LZG_BIND(set_string, SetString, "CefDictionaryValue.SetString");
  LZG_BIND(set_dictionary, SetDictionary, "CefDictionaryValue.SetDictionary");
}

std::map<std::wstring, ValueData> DictionaryValue::Entries() const {
  std::lock_guard<std::mutex> l(mu_);
  return entries_;
}
bool DictionaryValue::Set(const cef_string_t* key, ValueData d) {
  std::lock_guard<std::mutex> l(mu_);
  entries_[ToWide(key)] = std::move(d);
  return true;
}
bool DictionaryValue::Find(const cef_string_t* key, ValueData* out) const {
  std::lock_guard<std::mutex> l(mu_);
  auto it = entries_.find(ToWide(key));
  if (it == entries_.end()) return false;
  *out = it->second;
  return true;
}
int DictionaryValue::IsSame(cef_dictionary_value_t* that) {
  bool same = FromCef(that) == this;
  DropArg(that);
  return same;
}
int DictionaryValue::IsEqual(cef_dictionary_value_t* that) {
  DictionaryValue* o = that && that->base.size == sizeof(cef_dictionary_value_t) ? FromCef(that) : nullptr;
  bool eq = false;
  if (o) {
    ValueData a{VTYPE_DICTIONARY}, b{VTYPE_DICTIONARY};
    a.dict = lzg::Ref<DictionaryValue>::Adopt(this);
    AddRef();
    o->AddRef();
    b.dict = lzg::Ref<DictionaryValue>::Adopt(o);
    eq = RenderValue(a) == RenderValue(b);
  }
  DropArg(that);
  return eq;
}
cef_dictionary_value_t* DictionaryValue::Copy(int) {
  auto copy = lzg::MakeRef<DictionaryValue>();
  copy->entries_ = Entries();
  return copy->ToCef();
}
size_t DictionaryValue::GetSize() { std::lock_guard<std::mutex> l(mu_); return entries_.size(); }
int DictionaryValue::Clear() { std::lock_guard<std::mutex> l(mu_); entries_.clear(); return 1; }
int DictionaryValue::HasKey(const cef_string_t* key) { ValueData d; return Find(key, &d); }
int DictionaryValue::GetKeys(cef_string_list_t keys) {
  if (!keys) return 0;
  for (const auto& kv : Entries()) ListAppend(keys, kv.first);
  return 1;
}
int DictionaryValue::Remove(const cef_string_t* key) {
  std::lock_guard<std::mutex> l(mu_);
  return entries_.erase(ToWide(key)) ? 1 : 0;
}
cef_value_type_t DictionaryValue::GetType(const cef_string_t* key) {
  ValueData d;
  return Find(key, &d) ? d.type : VTYPE_INVALID;
}
cef_value_t* DictionaryValue::GetValue(const cef_string_t* key) {
  ValueData d;
  return Find(key, &d) ? lzg::MakeRef<Value>(d)->ToCef() : nullptr;
}
int DictionaryValue::GetBool(const cef_string_t* key) { ValueData d; return Find(key, &d) && d.type == VTYPE_BOOL && d.b; }
int DictionaryValue::GetInt(const cef_string_t* key) { ValueData d; return Find(key, &d) && d.type == VTYPE_INT ? d.i : 0; }
double DictionaryValue::GetDouble(const cef_string_t* key) {
  ValueData d;
  if (!Find(key, &d)) return 0;
  return d.type == VTYPE_DOUBLE ? d.d : d.type == VTYPE_INT ? d.i : 0;
}
cef_string_userfree_t DictionaryValue::GetString(const cef_string_t* key) {
  ValueData d;
  return Find(key, &d) && d.type == VTYPE_STRING ? NewUserFree(d.s) : nullptr;
}
cef_dictionary_value_t* DictionaryValue::GetDictionary(const cef_string_t* key) {
  ValueData d;
  return Find(key, &d) && d.type == VTYPE_DICTIONARY ? GiveOwn(d.dict) : nullptr;
}
int DictionaryValue::SetValue(const cef_string_t* key, cef_value_t* value) {
  ValueData d = Value::DataOf(value);
  DropArg(value);
  if (d.type == VTYPE_INVALID) return 0;
  return Set(key, d);
}
int DictionaryValue::SetNull(const cef_string_t* key) { return Set(key, ValueData{}); }
int DictionaryValue::SetBool(const cef_string_t* key, int v) { ValueData d{VTYPE_BOOL}; d.b = v != 0; return Set(key, d); }
int DictionaryValue::SetInt(const cef_string_t* key, int v) { ValueData d{VTYPE_INT}; d.i = v; return Set(key, d); }
int DictionaryValue::SetDouble(const cef_string_t* key, double v) { ValueData d{VTYPE_DOUBLE}; d.d = v; return Set(key, d); }
int DictionaryValue::SetString(const cef_string_t* key, const cef_string_t* v) {
  ValueData d{VTYPE_STRING};
  d.s = ToWide(v);
  return Set(key, d);
}
int DictionaryValue::SetDictionary(const cef_string_t* key, cef_dictionary_value_t* v) {
  DictionaryValue* o = v && v->base.size == sizeof(cef_dictionary_value_t) ? FromCef(v) : nullptr;
  if (!o || o == this) {
    DropArg(v);
    return 0;
  }
  ValueData d{VTYPE_DICTIONARY};
  d.dict = lzg::Ref<DictionaryValue>::Adopt(o);
  return Set(key, d);
}

// --- Command line ---------------------------------------------------------------------

CommandLine::CommandLine() {
  STANDIN_MEMBERS_COMMAND_LINE(STANDIN_NEUTRAL)
  LZG_BIND(is_valid, IsValid, "CefCommandLine.IsValid");
  LZG_BIND(is_read_only, IsReadOnly, "CefCommandLine.IsReadOnly");
  LZG_BIND(copy, Copy, "CefCommandLine.Copy");
  LZG_BIND(init_from_argv, InitFromArgv, "CefCommandLine.InitFromArgv");
  LZG_BIND(init_from_string, InitFromCefString, "CefCommandLine.InitFromString");
  LZG_BIND(reset, Reset, "CefCommandLine.Reset");
  LZG_BIND(get_argv, GetArgv, "CefCommandLine.GetArgv");
  LZG_BIND(get_command_line_string, GetCommandLineString, "CefCommandLine.GetCommandLineString");
  LZG_BIND(get_program, GetProgram, "CefCommandLine.GetProgram");
  LZG_BIND(set_program, SetProgram, "CefCommandLine.SetProgram");
  LZG_BIND(has_switches, HasSwitches, "CefCommandLine.HasSwitches");
  LZG_BIND(has_switch, HasSwitch, "CefCommandLine.HasSwitch");
  LZG_BIND(get_switch_value, GetSwitchValue, "CefCommandLine.GetSwitchValue");
  LZG_BIND(get_switches, GetSwitches, "CefCommandLine.GetSwitches");
  LZG_BIND(append_switch, AppendSwitch, "CefCommandLine.AppendSwitch");
  LZG_BIND(append_switch_with_value, AppendSwitchWithValue, "CefCommandLine.AppendSwitchWithValue");
  LZG_BIND(has_arguments, HasArguments, "CefCommandLine.HasArguments");
  LZG_BIND(get_arguments, GetArguments, "CefCommandLine.GetArguments");
  LZG_BIND(append_argument, AppendArgument, "CefCommandLine.AppendArgument");
  LZG_BIND(prepend_wrapper, PrependWrapper, "CefCommandLine.PrependWrapper");
}

void CommandLine::InitFromArgs(const std::vector<std::wstring>& argv) {
  std::lock_guard<std::mutex> l(mu_);
  program_.clear();
  switches_.clear();
  valued_.clear();
  args_.clear();
  bool only_args = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::wstring& a = argv[i];
    if (i == 0) {
      program_ = a;
      continue;
    }
    if (only_args) {
      args_.push_back(a);
      continue;
    }
    if (a == L"--") {
      only_args = true;
      continue;
    }
    if (a.size() > 1 && a[0] == L'-') {
      size_t eq = a.find(L'=');
      std::string key = SwitchKey(ToUtf8(a.substr(0, eq)));
      std::wstring value = eq == std::wstring::npos ? std::wstring() : a.substr(eq + 1);
      switches_.emplace_back(key, value);
      valued_.push_back(eq != std::wstring::npos);
    } else {
      args_.push_back(a);
    }
  }
}

void CommandLine::InitFromString(const std::wstring& text) {
  std::vector<std::wstring> argv;
  int n = 0;
  LPWSTR* parts = text.empty() ? nullptr : CommandLineToArgvW(text.c_str(), &n);
  for (int i = 0; parts && i < n; ++i) argv.emplace_back(parts[i]);
  if (parts) LocalFree(parts);
  InitFromArgs(argv);
}

std::string CommandLine::SwitchesText() const {
  std::lock_guard<std::mutex> l(mu_);
  std::string out;
  for (size_t i = 0; i < switches_.size(); ++i) {
    if (i) out += ",";
    out += "--" + switches_[i].first;
    if (valued_[i]) out += "=" + ToUtf8(switches_[i].second);
  }
  return out;
}

namespace {
std::wstring Quoted(const std::wstring& s) {
  if (!s.empty() && s.find_first_of(L" \t\"") == std::wstring::npos) return s;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : s) {
    if (c == L'\\') {
      ++slashes;
    } else {
      if (c == L'"') out.append(slashes + 1, L'\\');
      slashes = 0;
    }
    out += c;
  }
  out.append(slashes, L'\\');
  return out + L"\"";
}
}  // namespace

std::wstring CommandLine::CommandLineString() const {
  std::lock_guard<std::mutex> l(mu_);
  std::wstring out = Quoted(program_);
  for (size_t i = 0; i < switches_.size(); ++i) {
    std::wstring sw = L"--" + Utf8ToWide(switches_[i].first);
    if (valued_[i]) sw += L"=" + switches_[i].second;
    out += L" " + (valued_[i] ? L"--" + Utf8ToWide(switches_[i].first) + L"=" + Quoted(switches_[i].second) : sw);
  }
  for (const auto& a : args_) out += L" " + Quoted(a);
  return out;
}

std::wstring CommandLine::SwitchValue(const std::string& key) const {
  std::lock_guard<std::mutex> l(mu_);
  // The last occurrence wins, as with the engine's own switch map.
  for (auto it = switches_.rbegin(); it != switches_.rend(); ++it)
    if (it->first == key) return it->second;
  return std::wstring();
}
bool CommandLine::HasSwitchKey(const std::string& key) const {
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& s : switches_)
    if (s.first == key) return true;
  return false;
}
void CommandLine::AppendSwitchText(const std::wstring& name, const std::wstring& value, bool with_value) {
  std::string key = SwitchKey(ToUtf8(name));
  if (key.empty()) return;
  std::lock_guard<std::mutex> l(mu_);
  if (read_only_) return;
  switches_.emplace_back(key, value);
  valued_.push_back(with_value);
}

cef_command_line_t* CommandLine::Copy() {
  auto c = lzg::MakeRef<CommandLine>();
  std::lock_guard<std::mutex> l(mu_);
  c->program_ = program_;
  c->switches_ = switches_;
  c->valued_ = valued_;
  c->args_ = args_;
  return c->ToCef();
}
void CommandLine::InitFromArgv(int argc, const char* const* argv) {
  if (read_only_) return;
  std::vector<std::wstring> v;
  for (int i = 0; argv && i < argc; ++i) v.push_back(Utf8ToWide(argv[i] ? argv[i] : ""));
  InitFromArgs(v);
}
void CommandLine::InitFromCefString(const cef_string_t* text) {
  if (!read_only_) InitFromString(ToWide(text));
}
void CommandLine::Reset() {
  if (read_only_) return;
  std::lock_guard<std::mutex> l(mu_);
  switches_.clear();
  valued_.clear();
  args_.clear();
}
void CommandLine::GetArgv(cef_string_list_t argv) {
  if (!argv) return;
  std::lock_guard<std::mutex> l(mu_);
  ListAppend(argv, program_);
  for (size_t i = 0; i < switches_.size(); ++i)
    ListAppend(argv, L"--" + Utf8ToWide(switches_[i].first) + (valued_[i] ? L"=" + switches_[i].second : L""));
  for (const auto& a : args_) ListAppend(argv, a);
}
cef_string_userfree_t CommandLine::GetCommandLineString() { return NewUserFree(CommandLineString()); }
cef_string_userfree_t CommandLine::GetProgram() {
  std::lock_guard<std::mutex> l(mu_);
  return NewUserFree(program_);
}
void CommandLine::SetProgram(const cef_string_t* program) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) program_ = ToWide(program);
}
int CommandLine::HasSwitches() {
  std::lock_guard<std::mutex> l(mu_);
  return !switches_.empty();
}
int CommandLine::HasSwitch(const cef_string_t* name) { return HasSwitchKey(SwitchKey(ToUtf8(name))); }
cef_string_userfree_t CommandLine::GetSwitchValue(const cef_string_t* name) {
  std::string key = SwitchKey(ToUtf8(name));
  if (!HasSwitchKey(key)) return nullptr;
  return NewUserFree(SwitchValue(key));
}
void CommandLine::GetSwitches(cef_string_map_t switches) {
  if (!switches) return;
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& s : switches_) MapAppend(switches, Utf8ToWide(s.first), s.second);
}
void CommandLine::AppendSwitch(const cef_string_t* name) { AppendSwitchText(ToWide(name), std::wstring(), false); }
void CommandLine::AppendSwitchWithValue(const cef_string_t* name, const cef_string_t* value) {
  AppendSwitchText(ToWide(name), ToWide(value), true);
}
int CommandLine::HasArguments() {
  std::lock_guard<std::mutex> l(mu_);
  return !args_.empty();
}
void CommandLine::GetArguments(cef_string_list_t arguments) {
  if (!arguments) return;
  std::lock_guard<std::mutex> l(mu_);
  for (const auto& a : args_) ListAppend(arguments, a);
}
void CommandLine::AppendArgument(const cef_string_t* argument) {
  std::lock_guard<std::mutex> l(mu_);
  if (!read_only_) args_.push_back(ToWide(argument));
}
void CommandLine::PrependWrapper(const cef_string_t* wrapper) {
  std::lock_guard<std::mutex> l(mu_);
  if (read_only_ || !wrapper || !wrapper->length) return;
  // The wrapper becomes the program; the old program its first argument.
  args_.insert(args_.begin(), program_);
  program_ = ToWide(wrapper);
}

// --- Request context and preferences ----------------------------------------------

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
  LZG_BIND(is_same, IsSame, "CefRequestContext.IsSame");
  LZG_BIND(is_sharing_with, IsSharingWith, "CefRequestContext.IsSharingWith");
  LZG_BIND(is_global, IsGlobal, "CefRequestContext.IsGlobal");
  LZG_BIND(get_default_cookie_manager, GetDefaultCookieManager, "CefRequestContext.GetDefaultCookieManager");
  LZG_BIND(has_preference, HasPreference, "CefRequestContext.HasPreference");
  LZG_BIND(get_preference, GetPreference, "CefRequestContext.GetPreference");
  LZG_BIND(get_all_preferences, GetAllPreferences, "CefRequestContext.GetAllPreferences");
  LZG_BIND(can_set_preference, CanSetPreference, "CefRequestContext.CanSetPreference");
  LZG_BIND(set_preference, SetPreference, "CefRequestContext.SetPreference");
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
  LZG_BIND(set_storage_path, SetStoragePath, "CefCookieManager.SetStoragePath");
  LZG_BIND(flush_store, FlushStore, "CefCookieManager.FlushStore");
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
  NotifyReady(callback, "cookie_set_storage_path_done");
  return 1;
}
int CookieManager::FlushStore(cef_completion_callback_t* callback) {
  NotifyReady(callback, "cookie_flush_done");
  return 1;
}

// --- Waitable event ---------------------------------------------------------------------

WaitableEvent::WaitableEvent(bool automatic_reset, bool signaled)
    : event_(CreateEventW(nullptr, automatic_reset ? FALSE : TRUE, signaled ? TRUE : FALSE, nullptr)),
      automatic_(automatic_reset) {
  STANDIN_MEMBERS_WAITABLE_EVENT(STANDIN_NEUTRAL)
  LZG_BIND(reset, Reset, "CefWaitableEvent.Reset");
  LZG_BIND(signal, Signal, "CefWaitableEvent.Signal");
  LZG_BIND(is_signaled, IsSignaled, "CefWaitableEvent.IsSignaled");
  LZG_BIND(wait, Wait, "CefWaitableEvent.Wait");
  LZG_BIND(timed_wait, TimedWait, "CefWaitableEvent.TimedWait");
}
WaitableEvent::~WaitableEvent() { CloseHandle(event_); }
void WaitableEvent::Reset() { ResetEvent(event_); }
void WaitableEvent::Signal() { SetEvent(event_); }
int WaitableEvent::IsSignaled() {
  // Like the engine: testing an automatic-reset event consumes its signal.
  bool set = WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
  if (set && !automatic_) return 1;
  return set;
}
void WaitableEvent::Wait() { WaitForSingleObject(event_, INFINITE); }
int WaitableEvent::TimedWait(int64 max_ms) {
  DWORD ms = max_ms < 0 ? 0 : max_ms >= 0x7FFFFFFF ? 0x7FFFFFFE : static_cast<DWORD>(max_ms);
  return WaitForSingleObject(event_, ms) == WAIT_OBJECT_0;
}

// --- Request ------------------------------------------------------------------------------

namespace {
std::atomic<uint64> g_next_request{1};
}

Request::Request() : id_(g_next_request++) {
  STANDIN_MEMBERS_REQUEST(STANDIN_NEUTRAL)
  LZG_BIND(is_read_only, IsReadOnly, "CefRequest.IsReadOnly");
  LZG_BIND(get_url, GetUrl, "CefRequest.GetUrl");
  LZG_BIND(set_url, SetUrl, "CefRequest.SetUrl");
  LZG_BIND(get_method, GetMethod, "CefRequest.GetMethod");
  LZG_BIND(set_method, SetMethod, "CefRequest.SetMethod");
  LZG_BIND(get_flags, GetFlags, "CefRequest.GetFlags");
  LZG_BIND(set_flags, SetFlags, "CefRequest.SetFlags");
  LZG_BIND(get_transition_type, GetTransitionType, "CefRequest.GetTransitionType");
  LZG_BIND(get_identifier, GetIdentifier, "CefRequest.GetIdentifier");
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
