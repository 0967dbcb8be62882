#pragma once
// Small owners for COM: the per-thread apartment, interface references, VARIANT
// and BSTR, and late-bound calls by member name through IDispatch. Text crosses
// in GBK; conversion to UTF-16 happens here with code page 936.
#include <windows.h>
#include <oaidl.h>
#include <ole2.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "http/encoding.h"
#include "runtime/diagnostics.h"

namespace ornivex {

// CoInitialize(nullptr) for the current thread; CoUninitialize on destruction
// when the initialisation succeeded (S_OK or S_FALSE). Keep it the first member
// of a class so the class's other COM members are released before it ends.
class ComApartment {
 public:
  ComApartment() noexcept : hr_(CoInitialize(nullptr)) {
    if (FAILED(hr_)) TraceHresult(L"Initialising COM on a thread", hr_);
  }
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const noexcept { return SUCCEEDED(hr_); }
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// An owning reference to a COM interface (AddRef on copy, Release on destruction).
template <class T>
class ComRef {
 public:
  ComRef() noexcept = default;
  // Takes over a reference the caller already owns.
  static ComRef Adopt(T* p) noexcept {
    ComRef r;
    r.p_ = p;
    return r;
  }
  // Adds a reference of its own.
  static ComRef Share(T* p) noexcept {
    if (p) p->AddRef();
    return Adopt(p);
  }
  ComRef(const ComRef& o) noexcept : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComRef& operator=(ComRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComRef() { Reset(); }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For out parameters: releases the current reference and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

using DispatchRef = ComRef<IDispatch>;

// An owning BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(std::wstring_view text);
  static Bstr FromGbk(std::string_view gbk);
  static Bstr Adopt(BSTR b) noexcept {
    Bstr r;
    r.b_ = b;
    return r;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      Reset();
      b_ = std::exchange(o.b_, nullptr);
    }
    return *this;
  }
  ~Bstr() { Reset(); }
  void Reset() noexcept;
  BSTR get() const noexcept { return b_; }
  BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
  std::size_t size() const noexcept;  // in UTF-16 units
  std::wstring_view view() const noexcept { return {b_ ? b_ : L"", size()}; }
  std::string ToGbk() const;

 private:
  BSTR b_ = nullptr;
};

// An owning VARIANT (VariantClear on destruction, VariantCopy on copy).
class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant& o);
  Variant(Variant&& o) noexcept;
  Variant& operator=(const Variant& o);
  Variant& operator=(Variant&& o) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant FromGbk(std::string_view gbk);       // VT_BSTR
  static Variant FromWide(std::wstring_view text);    // VT_BSTR
  static Variant FromBool(bool value);                // VT_BOOL
  static Variant FromInt(std::int32_t value);         // VT_I4
  static Variant FromBytes(std::span<const std::uint8_t> bytes);  // VT_ARRAY | VT_UI1
  // A zeroed VT_ARRAY | VT_UI1 of `size` bytes to be filled through
  // ByteArrayData; empty when there is no memory for it.
  static Variant ByteArray(std::size_t size);
  static Variant FromDispatch(IDispatch* p);          // VT_DISPATCH, adds a reference
  static Variant Optional();                          // VT_ERROR / DISP_E_PARAMNOTFOUND

  void Clear() noexcept { VariantClear(&v_); }
  VARTYPE type() const noexcept { return V_VT(&v_); }
  bool empty() const noexcept { return V_VT(&v_) == VT_EMPTY || V_VT(&v_) == VT_NULL; }

  // Conversions; each gives an empty / zero / null result when the value does
  // not convert.
  std::string ToGbk() const;
  std::int32_t ToInt() const;
  bool ToBool() const;
  ByteBuffer ToBytes() const;  // VT_ARRAY of one-byte elements, or a BSTR's raw bytes
  DispatchRef ToDispatch() const;

  // The elements of a one-dimensional byte array held by value, writable; they
  // stay where they are while this Variant holds the array. Empty otherwise.
  std::span<std::uint8_t> ByteArrayData();

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  // Clears the value and hands out the slot for an out parameter.
  VARIANT* Put() noexcept {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// Creates an object from its programmatic identifier ("VBScript.RegExp") and
// returns its IDispatch; empty on failure.
DispatchRef CreateDispatchObject(const wchar_t* progId);

// Late-bound calls by name. Arguments are given in their natural order. Each
// returns the HRESULT of GetIDsOfNames or Invoke; `result` (when given) holds
// the returned value.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, std::span<const Variant> args,
                     Variant* result);
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args,
                   Variant* result = nullptr);
HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result,
                    std::initializer_list<Variant> args = {});
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value);

}  // namespace ornivex
