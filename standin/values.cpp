// The stand-in's values and dictionaries (preferences travel as these).
#include "standin/objects.h"

#include <cstdio>

#include "standin/text.h"

namespace standin {

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
  LZG_BIND(is_valid, IsValid);
  LZG_BIND(is_owned, IsOwned);
  LZG_BIND(is_read_only, IsReadOnly);
  LZG_BIND(is_same, IsSame);
  LZG_BIND(is_equal, IsEqual);
  LZG_BIND(copy, Copy);
  LZG_BIND(get_type, GetType);
  LZG_BIND(get_bool, GetBool);
  LZG_BIND(get_int, GetInt);
  LZG_BIND(get_double, GetDouble);
  LZG_BIND(get_string, GetString);
  LZG_BIND(get_dictionary, GetDictionary);
  LZG_BIND(set_null, SetNull);
  LZG_BIND(set_bool, SetBool);
  LZG_BIND(set_int, SetInt);
  LZG_BIND(set_double, SetDouble);
  LZG_BIND(set_string, SetString);
  LZG_BIND(set_dictionary, SetDictionary);
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
  LZG_BIND(is_valid, IsValid);
  LZG_BIND(is_owned, IsOwned);
  LZG_BIND(is_read_only, IsReadOnly);
  LZG_BIND(is_same, IsSame);
  LZG_BIND(is_equal, IsEqual);
  LZG_BIND(copy, Copy);
  LZG_BIND(get_size, GetSize);
  LZG_BIND(clear, Clear);
  LZG_BIND(has_key, HasKey);
  LZG_BIND(get_keys, GetKeys);
  LZG_BIND(remove, Remove);
  LZG_BIND(get_type, GetType);
  LZG_BIND(get_value, GetValue);
  LZG_BIND(get_bool, GetBool);
  LZG_BIND(get_int, GetInt);
  LZG_BIND(get_double, GetDouble);
  LZG_BIND(get_string, GetString);
  LZG_BIND(get_dictionary, GetDictionary);
  LZG_BIND(set_value, SetValue);
  LZG_BIND(set_null, SetNull);
  LZG_BIND(set_bool, SetBool);
  LZG_BIND(set_int, SetInt);
  LZG_BIND(set_double, SetDouble);
  LZG_BIND(set_string, SetString);
  LZG_BIND(set_dictionary, SetDictionary);
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

}  // namespace standin
