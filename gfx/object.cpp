#include "gfx/object.h"

#include <cstring>

#include "runtime/codepage.h"

namespace ornivex::gfx {

GraphicsObject::GraphicsObject(GraphicsObject&& other) noexcept
    : native_(other.native_), owns_(other.owns_), session_(other.session_) {
  other.native_ = nullptr;
  other.owns_ = false;
}

GraphicsObject& GraphicsObject::operator=(GraphicsObject&& other) noexcept {
  if (this != &other) {
    ReleaseOwned();
    native_ = other.native_;
    owns_ = other.owns_;
    session_ = other.session_;
    other.native_ = nullptr;
    other.owns_ = false;
    OnSetNative(native_);
  }
  return *this;
}

void GraphicsObject::SetNative(void* handle, Ownership ownership) {
  if (OwnsNative() && native_ != handle) DestroyNative();
  native_ = handle;
  owns_ = handle != nullptr && ownership == Ownership::Take;
  session_ = GdiplusSession();
  OnSetNative(handle);
}

void GraphicsObject::ShallowCopyFrom(const GraphicsObject& other) {
  if (&other == this) return;
  SetNative(other.GetNative(), Ownership::Share);
}

void* GraphicsObject::Alloc(std::size_t bytes) { return g_flat.GdipAlloc(bytes); }

void GraphicsObject::Free(void* block) {
  if (block) g_flat.GdipFree(block);
}

void* GraphicsObject::Detach() {
  void* handle = native_;
  native_ = nullptr;
  owns_ = false;
  OnSetNative(nullptr);
  return handle;
}

bool GraphicsObject::DeleteNative() {
  if (!native_) return false;
  // A handle of an ended session is gone already; another session's objects may
  // have its address now.
  const GpStatus status = OfRunningSession() ? DestroyNative() : Gdiplus::GdiplusNotInitialized;
  native_ = nullptr;
  owns_ = false;
  OnSetNative(nullptr);
  return StoreStatus(status);
}

void GraphicsObject::ReleaseOwned() noexcept {
  if (OwnsNative()) DestroyNative();
  native_ = nullptr;
  owns_ = false;
}


std::wstring TextToWide(std::string_view text) {
  // Text stops at its first zero byte, as the program's text always does.
  const auto end = text.find('\0');
  return GbkToWide(text.substr(0, end));
}

std::wstring BytesToWide(std::string_view utf16Bytes) {
  std::wstring out(utf16Bytes.size() / sizeof(wchar_t), L'\0');
  if (!out.empty()) std::memcpy(out.data(), utf16Bytes.data(), out.size() * sizeof(wchar_t));
  const auto end = out.find(L'\0');
  if (end != std::wstring::npos) out.resize(end);
  return out;
}

std::string GuidToText(const GUID& guid) {
  wchar_t buffer[40] = {};
  if (StringFromGUID2(guid, buffer, 40) <= 0) return {};
  return WideToGbk(buffer);
}

bool TextToGuid(std::string_view text, GUID& guid) {
  std::wstring wide = TextToWide(text);
  if (wide.empty()) return false;
  return SUCCEEDED(CLSIDFromString(wide.c_str(), &guid));
}

}  // namespace ornivex::gfx
