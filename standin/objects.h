// The stand-in's own engine objects. Each is a bridged CefObject: the engine
// struct first, one thread-safe count, freed at the last release.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "standin/core.h"

namespace standin {

class DictionaryValue;

// --- Strings handed to the client (strings.cpp) ------------------------------------
cef_string_userfree_t NewUserFree(const std::wstring& s);
void SetCefString(cef_string_t* out, const std::wstring& s);  // copies, engine-owned
void ListAppend(cef_string_list_t list, const std::wstring& s);
void MapAppend(cef_string_map_t map, const std::wstring& k, const std::wstring& v);

// --- Values -------------------------------------------------------------------------
struct ValueData {
  cef_value_type_t type = VTYPE_NULL;
  bool b = false;
  int i = 0;
  double d = 0;
  std::wstring s;
  lzg::Ref<DictionaryValue> dict;
};
// JSON text of a value: true|false|<int>|"text"|{"k":v}; dictionaries in key order.
std::string RenderValue(const ValueData& v);

class Value : public lzg::CefObject<cef_value_t, Value> {
  using Self = Value;

 public:
  explicit Value(ValueData data = {});
  ValueData Data() const;
  static ValueData DataOf(cef_value_t* v);  // copy of a value we made (empty for others)

  int IsValid() { return 1; }
  int IsOwned() { return 0; }
  int IsReadOnly() { return 0; }
  int IsSame(cef_value_t* that);
  int IsEqual(cef_value_t* that);
  cef_value_t* Copy();
  cef_value_type_t GetType();
  int GetBool();
  int GetInt();
  double GetDouble();
  cef_string_userfree_t GetString();
  cef_dictionary_value_t* GetDictionary();
  int SetNull();
  int SetBool(int v);
  int SetInt(int v);
  int SetDouble(double v);
  int SetString(const cef_string_t* v);
  int SetDictionary(cef_dictionary_value_t* v);

 private:
  mutable std::mutex mu_;
  ValueData data_;
};

class DictionaryValue : public lzg::CefObject<cef_dictionary_value_t, DictionaryValue> {
  using Self = DictionaryValue;

 public:
  DictionaryValue();
  std::map<std::wstring, ValueData> Entries() const;

  int IsValid() { return 1; }
  int IsOwned() { return 0; }
  int IsReadOnly() { return 0; }
  int IsSame(cef_dictionary_value_t* that);
  int IsEqual(cef_dictionary_value_t* that);
  cef_dictionary_value_t* Copy(int exclude_empty_children);
  size_t GetSize();
  int Clear();
  int HasKey(const cef_string_t* key);
  int GetKeys(cef_string_list_t keys);
  int Remove(const cef_string_t* key);
  cef_value_type_t GetType(const cef_string_t* key);
  cef_value_t* GetValue(const cef_string_t* key);
  int GetBool(const cef_string_t* key);
  int GetInt(const cef_string_t* key);
  double GetDouble(const cef_string_t* key);
  cef_string_userfree_t GetString(const cef_string_t* key);
  cef_dictionary_value_t* GetDictionary(const cef_string_t* key);
  int SetValue(const cef_string_t* key, cef_value_t* value);
  int SetNull(const cef_string_t* key);
  int SetBool(const cef_string_t* key, int v);
  int SetInt(const cef_string_t* key, int v);
  int SetDouble(const cef_string_t* key, double v);
  int SetString(const cef_string_t* key, const cef_string_t* v);
  int SetDictionary(const cef_string_t* key, cef_dictionary_value_t* v);

 private:
  bool Set(const cef_string_t* key, ValueData d);
  bool Find(const cef_string_t* key, ValueData* out) const;
  mutable std::mutex mu_;
  std::map<std::wstring, ValueData> entries_;
};

// --- Command line ---------------------------------------------------------------------
class CommandLine : public lzg::CefObject<cef_command_line_t, CommandLine> {
  using Self = CommandLine;

 public:
  CommandLine();
  void InitFromArgs(const std::vector<std::wstring>& argv);
  void InitFromString(const std::wstring& text);
  void SetReadOnly() { read_only_ = true; }
  // "--a=1,--b" as the trace shows them.
  std::string SwitchesText() const;
  std::wstring CommandLineString() const;
  std::wstring SwitchValue(const std::string& key) const;
  bool HasSwitchKey(const std::string& key) const;
  void AppendSwitchText(const std::wstring& name, const std::wstring& value, bool with_value);

  int IsValid() { return 1; }
  int IsReadOnly() { return read_only_ ? 1 : 0; }
  cef_command_line_t* Copy();
  void InitFromArgv(int argc, const char* const* argv);
  void InitFromCefString(const cef_string_t* text);
  void Reset();
  void GetArgv(cef_string_list_t argv);
  cef_string_userfree_t GetCommandLineString();
  cef_string_userfree_t GetProgram();
  void SetProgram(const cef_string_t* program);
  int HasSwitches();
  int HasSwitch(const cef_string_t* name);
  cef_string_userfree_t GetSwitchValue(const cef_string_t* name);
  void GetSwitches(cef_string_map_t switches);
  void AppendSwitch(const cef_string_t* name);
  void AppendSwitchWithValue(const cef_string_t* name, const cef_string_t* value);
  int HasArguments();
  void GetArguments(cef_string_list_t arguments);
  void AppendArgument(const cef_string_t* argument);
  void PrependWrapper(const cef_string_t* wrapper);

 private:
  mutable std::mutex mu_;
  bool read_only_ = false;
  std::wstring program_;
  std::vector<std::pair<std::string, std::wstring>> switches_;  // key (no dashes), value
  std::vector<bool> valued_;
  std::vector<std::wstring> args_;
};

// --- Request context and preferences ----------------------------------------------
struct PrefStore {
  std::mutex mu;
  std::map<std::string, ValueData> values;
};

class CookieManager;

class RequestContext : public lzg::CefObject<cef_request_context_t, RequestContext> {
  using Self = RequestContext;

 public:
  // browser_id names the browser whose host handed the context out (0: none).
  RequestContext(std::shared_ptr<PrefStore> store, int browser_id, bool global);
  std::shared_ptr<PrefStore> Store() const { return store_; }

  int IsSame(cef_request_context_t* other);
  int IsSharingWith(cef_request_context_t* other);
  int IsGlobal() { return global_ ? 1 : 0; }
  cef_cookie_manager_t* GetDefaultCookieManager(cef_completion_callback_t* callback);
  int HasPreference(const cef_string_t* name);
  cef_value_t* GetPreference(const cef_string_t* name);
  cef_dictionary_value_t* GetAllPreferences(int include_defaults);
  int CanSetPreference(const cef_string_t* name);
  int SetPreference(const cef_string_t* name, cef_value_t* value, cef_string_t* error);

 private:
  std::shared_ptr<PrefStore> store_;
  int browser_id_;
  bool global_;
};

// Names the engine knows as user-settable preferences.
bool IsKnownPreference(const std::string& name);

// --- Cookie manager, waitable event, request -------------------------------------
class CookieManager : public lzg::CefObject<cef_cookie_manager_t, CookieManager> {
  using Self = CookieManager;

 public:
  CookieManager();
  // Calls the callback on the IO thread once the storage is ready (or never, by fault switch).
  // The completion callback on the IO thread, about 20 ms plus `late_ms` later.
  static void NotifyReady(cef_completion_callback_t* callback, const char* event, DWORD late_ms = 0);
  int SetStoragePath(const cef_string_t* path, int persist, cef_completion_callback_t* callback);
  int FlushStore(cef_completion_callback_t* callback);
};

class WaitableEvent : public lzg::CefObject<cef_waitable_event_t, WaitableEvent> {
  using Self = WaitableEvent;

 public:
  WaitableEvent(bool automatic_reset, bool signaled);
  ~WaitableEvent() override;
  void Reset();
  void Signal();
  int IsSignaled();
  void Wait();
  int TimedWait(int64 max_ms);

 private:
  HANDLE event_;
  bool automatic_;
};

class Request : public lzg::CefObject<cef_request_t, Request> {
  using Self = Request;

 public:
  Request();
  std::wstring Url() const;
  void SetUrlText(const std::wstring& url, cef_transition_type_t transition);

  int IsReadOnly() { return read_only_ ? 1 : 0; }
  cef_string_userfree_t GetUrl();
  void SetUrl(const cef_string_t* url);
  cef_string_userfree_t GetMethod();
  void SetMethod(const cef_string_t* method);
  int GetFlags();
  void SetFlags(int flags);
  cef_transition_type_t GetTransitionType();
  uint64 GetIdentifier() { return id_; }
  void MakeReadOnly() { read_only_ = true; }

 private:
  mutable std::mutex mu_;
  std::wstring url_;
  std::wstring method_ = L"GET";
  int flags_ = 0;
  cef_transition_type_t transition_ = TT_EXPLICIT;
  uint64 id_;
  bool read_only_ = false;
};

}  // namespace standin
