#include "http/com.h"

#include <climits>
#include <cstring>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/diagnostics.h"

namespace ornivex {

// --- Bstr ---

Bstr::Bstr(std::wstring_view text)
    : b_(text.size() <= UINT_MAX ? SysAllocStringLen(text.data(), static_cast<UINT>(text.size())) : nullptr) {}

Bstr Bstr::FromGbk(std::string_view gbk) { return Bstr(GbkToWide(gbk)); }

void Bstr::Reset() noexcept {
  if (BSTR b = std::exchange(b_, nullptr)) SysFreeString(b);
}

std::size_t Bstr::size() const noexcept { return b_ ? SysStringLen(b_) : 0; }

std::string Bstr::ToGbk() const { return WideToGbk(view()); }

// --- Variant ---

Variant::Variant(const Variant& o) {
  VariantInit(&v_);
  if (FAILED(VariantCopy(&v_, const_cast<VARIANT*>(&o.v_)))) VariantInit(&v_);
}

Variant::Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant copy(o);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& o) noexcept {
  if (this != &o) {
    VariantClear(&v_);
    v_ = o.v_;
    VariantInit(&o.v_);
  }
  return *this;
}

Variant Variant::FromWide(std::wstring_view text) {
  Variant v;
  V_VT(&v.v_) = VT_BSTR;
  V_BSTR(&v.v_) = Bstr(text).Detach();
  return v;
}

Variant Variant::FromGbk(std::string_view gbk) { return FromWide(GbkToWide(gbk)); }

Variant Variant::FromBool(bool value) {
  Variant v;
  V_VT(&v.v_) = VT_BOOL;
  V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::FromInt(std::int32_t value) {
  Variant v;
  V_VT(&v.v_) = VT_I4;
  V_I4(&v.v_) = value;
  return v;
}

Variant Variant::FromBytes(std::span<const std::uint8_t> bytes) {
  Variant v;
  if (bytes.size() > ULONG_MAX) return v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) return v;
  if (!bytes.empty()) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
      SafeArrayDestroy(array);
      return v;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
  }
  V_VT(&v.v_) = VT_ARRAY | VT_UI1;
  V_ARRAY(&v.v_) = array;
  return v;
}

Variant Variant::ByteArray(std::size_t size) {
  Variant v;
  if (size > ULONG_MAX) return v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!array) return v;
  V_VT(&v.v_) = VT_ARRAY | VT_UI1;
  V_ARRAY(&v.v_) = array;
  return v;
}

std::span<std::uint8_t> Variant::ByteArrayData() {
  if (V_VT(&v_) != (VT_ARRAY | VT_UI1)) return {};
  SAFEARRAY* array = V_ARRAY(&v_);
  LONG lower = 0, upper = -1;
  if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower)
    return {};
  // The elements of an array that is never resized do not move: the lock is only
  // needed to read the address.
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return {};
  SafeArrayUnaccessData(array);
  return {static_cast<std::uint8_t*>(data), static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1)};
}

Variant Variant::FromDispatch(IDispatch* p) {
  Variant v;
  if (p) p->AddRef();
  V_VT(&v.v_) = VT_DISPATCH;
  V_DISPATCH(&v.v_) = p;
  return v;
}

Variant Variant::Optional() {
  Variant v;
  V_VT(&v.v_) = VT_ERROR;
  V_ERROR(&v.v_) = DISP_E_PARAMNOTFOUND;
  return v;
}

std::string Variant::ToGbk() const {
  if (V_VT(&v_) == VT_BSTR) {
    const BSTR b = V_BSTR(&v_);
    return WideToGbk(std::wstring_view(b ? b : L"", b ? SysStringLen(b) : 0));
  }
  if (empty()) return {};
  Variant text;
  if (FAILED(VariantChangeType(text.Put(), const_cast<VARIANT*>(&v_), 0, VT_BSTR)) || V_VT(&text.v_) != VT_BSTR) return {};
  return text.ToGbk();
}

std::int32_t Variant::ToInt() const {
  if (V_VT(&v_) == VT_I4) return V_I4(&v_);
  Variant number;
  if (empty() || FAILED(VariantChangeType(number.Put(), const_cast<VARIANT*>(&v_), 0, VT_I4))) return 0;
  return V_I4(&number.v_);
}

bool Variant::ToBool() const {
  if (V_VT(&v_) == VT_BOOL) return V_BOOL(&v_) != VARIANT_FALSE;
  Variant flag;
  if (empty() || FAILED(VariantChangeType(flag.Put(), const_cast<VARIANT*>(&v_), 0, VT_BOOL))) return false;
  return V_BOOL(&flag.v_) != VARIANT_FALSE;
}

ByteBuffer Variant::ToBytes() const {
  const VARTYPE vt = V_VT(&v_);
  if (vt == VT_BSTR) {
    const BSTR b = V_BSTR(&v_);
    const auto* p = reinterpret_cast<const std::uint8_t*>(b);
    return b ? ByteBuffer(p, p + SysStringByteLen(b)) : ByteBuffer{};
  }
  if (!(vt & VT_ARRAY)) return {};
  SAFEARRAY* array = (vt & VT_BYREF) ? (V_ARRAYREF(&v_) ? *V_ARRAYREF(&v_) : nullptr) : V_ARRAY(&v_);
  if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1) return {};
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower)
    return {};
  const std::size_t count = static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1);
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return {};
  const auto* p = static_cast<const std::uint8_t*>(data);
  ByteBuffer bytes(p, p + count);
  SafeArrayUnaccessData(array);
  return bytes;
}

DispatchRef Variant::ToDispatch() const {
  const VARTYPE vt = V_VT(&v_);
  if (vt == VT_DISPATCH) return DispatchRef::Share(V_DISPATCH(&v_));
  if (vt == VT_UNKNOWN && V_UNKNOWN(&v_)) {
    DispatchRef d;
    if (SUCCEEDED(V_UNKNOWN(&v_)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.Put())))) return d;
  }
  return {};
}

// --- Late binding ---

DispatchRef CreateDispatchObject(const wchar_t* progId) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) {
    TraceHresult(std::wstring(L"Finding the COM class ") + progId, hr);
    return {};
  }
  DispatchRef object;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(object.Put()));
  if (FAILED(hr)) {
    TraceHresult(std::wstring(L"Creating the COM object ") + progId, hr);
    return {};
  }
  return object;
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, std::span<const Variant> args,
                     Variant* result) {
  if (result) result->Clear();  // a failed call leaves no stale value behind
  if (!object || !name) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;

  // IDispatch takes its arguments last first. The copies are shallow: the
  // callee does not own them and the Variants outlive the call.
  std::vector<VARIANTARG> reversed(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = *args[i].get();
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  EXCEPINFO error{};
  UINT badArg = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result->get() : nullptr, &error,
                      &badArg);
  if (hr == DISP_E_EXCEPTION) {
    if (error.pfnDeferredFillIn) error.pfnDeferredFillIn(&error);
    if (FAILED(error.scode)) hr = error.scode;
  }
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  if (FAILED(hr) && result) result->Clear();
  return hr;
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<Variant> args, Variant* result) {
  return InvokeByName(object, name, DISPATCH_METHOD, std::span<const Variant>(args.begin(), args.size()), result);
}

HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result, std::initializer_list<Variant> args) {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                      std::span<const Variant>(args.begin(), args.size()), &result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value) {
  return InvokeByName(object, name, DISPATCH_PROPERTYPUT, std::span<const Variant>(&value, 1), nullptr);
}

}  // namespace ornivex
