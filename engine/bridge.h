// The one way a C++ object of ours becomes an engine struct.
//
// Every struct we implement for the engine (app, handlers, client, callbacks) is
// embedded first in a small holder together with a pointer back to its owner, so
// the pointer the engine hands back as `self` is the holder's address. FromCef()
// is the only place that maps it back. One atomic count serves every type.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <exception>
#include <string>
#include <type_traits>

#include "base/guarded.h"
#include "engine/cef_capi.h"

namespace lzg {

// Objects of ours that are alive now (all bridged types together). Tests use it
// to prove that every reference handed to the engine came back.
long LiveBridgedObjects() noexcept;

class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  void AddRef() noexcept { InterlockedIncrement(&refs_); }
  // True when this call freed the object.
  bool Release() noexcept {
    if (InterlockedDecrement(&refs_) == 0) {
      delete this;
      return true;
    }
    return false;
  }
  bool HasOneRef() const noexcept { return InterlockedCompareExchange(const_cast<LONG*>(&refs_), 0, 0) == 1; }
  bool HasAtLeastOneRef() const noexcept { return InterlockedCompareExchange(const_cast<LONG*>(&refs_), 0, 0) >= 1; }

 protected:
  RefCounted() noexcept;  // starts with one reference, owned by the creator
  virtual ~RefCounted();

 private:
  volatile LONG refs_ = 1;
};

// Smart pointer for our own objects: takes over one reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  static Ref Adopt(T* p) noexcept { Ref r; r.p_ = p; return r; }
  Ref(const Ref& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(Ref o) noexcept { std::swap(p_, o.p_); return *this; }
  ~Ref() { reset(); }
  void reset() noexcept { if (T* p = p_) { p_ = nullptr; p->Release(); } }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... A>
Ref<T> MakeRef(A&&... a) { return Ref<T>::Adopt(new T(static_cast<A&&>(a)...)); }

// Base of every C++ object that the engine sees as `Struct`.
template <class Struct, class Self>
class CefObject : public RefCounted {
  static_assert(offsetof(Struct, base) == 0, "engine struct must start with its ref-counted base");

 public:
  // The engine struct with a new reference, for handing to the engine.
  Struct* ToCef() noexcept {
    AddRef();
    return &holder_.cef;
  }
  // The engine struct without a reference (for comparisons and self-calls).
  Struct* CefPtr() noexcept { return &holder_.cef; }

  static Self* FromCef(const Struct* s) noexcept {
    if (!s) return nullptr;
    auto* h = reinterpret_cast<const Holder*>(s);
    return static_cast<Self*>(h->owner);
  }

 protected:
  CefObject() noexcept {
    std::memset(&holder_.cef, 0, sizeof(Struct));
    holder_.owner = this;
    cef_base_ref_counted_t& b = holder_.cef.base;
    b.size = sizeof(Struct);
    b.add_ref = &BaseAddRef;
    b.release = &BaseRelease;
    b.has_one_ref = &BaseHasOneRef;
    b.has_at_least_one_ref = &BaseHasAtLeastOneRef;
  }
  Struct& cef() noexcept { return holder_.cef; }

 private:
  struct Holder {
    Struct cef;
    CefObject* owner;
  };
  static_assert(offsetof(Holder, cef) == 0);
  static CefObject* FromBase(cef_base_ref_counted_t* b) noexcept {
    return b ? reinterpret_cast<Holder*>(b)->owner : nullptr;
  }
  static void CEF_CALLBACK BaseAddRef(cef_base_ref_counted_t* b) { if (auto* o = FromBase(b)) o->AddRef(); }
  static int CEF_CALLBACK BaseRelease(cef_base_ref_counted_t* b) { auto* o = FromBase(b); return o && o->Release() ? 1 : 0; }
  static int CEF_CALLBACK BaseHasOneRef(cef_base_ref_counted_t* b) { auto* o = FromBase(b); return o && o->HasOneRef() ? 1 : 0; }
  static int CEF_CALLBACK BaseHasAtLeastOneRef(cef_base_ref_counted_t* b) {
    auto* o = FromBase(b);
    return o && o->HasAtLeastOneRef() ? 1 : 0;
  }

  Holder holder_;
};

// Method names as template arguments.
template <std::size_t N>
struct OpName {
  char s[N];
  constexpr OpName(const char (&v)[N]) {
    for (std::size_t i = 0; i < N; ++i) s[i] = v[i];
  }
};

// A neutral result other than zero ("continue", "allowed").
template <class R, long long V>
struct Neutral {
  static R value() { return static_cast<R>(V); }
};
struct ZeroNeutral {};

template <class Fn>
struct FnReturn;
template <class R, class... A>
struct FnReturn<R(CEF_CALLBACK*)(A...)> {
  using type = R;
};

// The unqualified name of a type, read from the compiler's signature of this function ("Client" for lzg::Client).
std::string TypeNameFromSignature(const char* signature);
template <class T>
std::string BridgedTypeName() {
  return TypeNameFromSignature(__PRETTY_FUNCTION__);
}

// One __stdcall thunk per bound callback: maps self back, calls one method, converts the result, and answers
// `neutral` when the method fails or the object is gone. A failure is reported as "<class>.<Method>".
template <class Self, auto Method, OpName Name, class Fn, class Default = ZeroNeutral>
struct Thunk;

template <class Self, auto Method, OpName Name, class R, class S, class... A, class Default>
struct Thunk<Self, Method, Name, R(CEF_CALLBACK*)(S*, A...), Default> {
  static R neutral() {
    if constexpr (std::is_void_v<R>) {
      return;
    } else if constexpr (std::is_same_v<Default, ZeroNeutral>) {
      return R{};
    } else {
      return Default::value();
    }
  }
  static const char* Operation() {
    static const std::string name = BridgedTypeName<Self>() + "." + Name.s;
    return name.c_str();
  }
  static R CEF_CALLBACK Call(S* self, A... a) {
    Self* obj = Self::FromCef(self);
    if constexpr (std::is_void_v<R>) {
      if (obj) RunGuarded(Operation(), [&] { (obj->*Method)(a...); });
    } else {
      R result = neutral();
      if (obj) {
        R r = result;
        if (RunGuarded(Operation(), [&] { r = static_cast<R>((obj->*Method)(a...)); })) result = r;
      }
      return result;
    }
  }
};

}  // namespace lzg

// Binds engine struct member `field` to `Method` of the enclosing class `Self` (a CefObject). Use inside a
// constructor.
#define LZG_BIND(field, Method) \
  (this->cef().field = &::lzg::Thunk<Self, &Self::Method, ::lzg::OpName(#Method), decltype(this->cef().field)>::Call)
// Same, with a neutral result other than zero.
#define LZG_BIND_OR(field, Method, neutral)                                                                  \
  (this->cef().field =                                                                                     \
       &::lzg::Thunk<Self, &Self::Method, ::lzg::OpName(#Method), decltype(this->cef().field),             \
                     ::lzg::Neutral<typename ::lzg::FnReturn<decltype(this->cef().field)>::type, (neutral)>>::Call)
