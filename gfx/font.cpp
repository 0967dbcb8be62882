#include "gfx/font.h"

#include <cstring>

#include "runtime/codepage.h"

namespace ornivex::gfx {

bool Font::CreateDefaultGuiFont() {
  auto* logfont = static_cast<LOGFONTA*>(Alloc(sizeof(LOGFONTA)));
  if (!logfont) return StoreStatus(Gdiplus::OutOfMemory);
  std::memset(logfont, 0, sizeof(LOGFONTA));
  bool ok = false;
  if (GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTA), logfont) == sizeof(LOGFONTA)) {
    HDC screen = ::GetDC(nullptr);
    ok = CreateFontFromDCLogfontRecordA(screen, *logfont);
    ::ReleaseDC(nullptr, screen);
  } else {
    StoreStatus(Gdiplus::GenericError);
  }
  Free(logfont);
  return ok;
}

bool Font::CreateFontByName(std::string_view name, REAL size, INT style, Gdiplus::Unit unit) {
  FontFamily family;
  if (!family.CreateFontFamilyFromName(name)) {
    SetNative(nullptr);
    return false;
  }
  return New(g_flat.GdipCreateFont, family, size, style, unit);  // the family is deleted on return
}

bool Font::CreateFontByNameW(std::string_view utf16Name, REAL size, INT style, Gdiplus::Unit unit) {
  FontFamily family;
  if (!family.CreateFontFamilyFromNameW(utf16Name)) {
    SetNative(nullptr);
    return false;
  }
  return New(g_flat.GdipCreateFont, family, size, style, unit);
}

bool Font::CreateFontFromDCLogfontA(HDC dc, HFONT font) {
  LOGFONTA logfont{};
  if (font && GetObjectA(font, sizeof(logfont), &logfont) == sizeof(logfont)) {
    return CreateFontFromDCLogfontRecordA(dc, logfont);
  }
  return CreateFontFromDC(dc);
}

bool Font::GetFamily(FontFamily& family) {
  Gdiplus::GpFontFamily* handle = nullptr;
  const bool ok = Act(g_flat.GdipGetFamily, handle);
  family.SetNative(handle);
  return ok;
}

bool FontFamily::CreateFontFamilyFromName(std::string_view name, const FontCollection* collection) {
  return New(g_flat.GdipCreateFontFamilyFromName, TextToWide(name).c_str(), collection);
}

bool FontFamily::CreateFontFamilyFromNameW(std::string_view utf16Name, const FontCollection* collection) {
  return New(g_flat.GdipCreateFontFamilyFromName, BytesToWide(utf16Name).c_str(), collection);
}

std::wstring FontFamily::GetFamilyNameW(LANGID language) {
  WCHAR name[LF_FACESIZE] = {};
  if (!Act(g_flat.GdipGetFamilyName, name, language)) return {};
  return name;
}

std::string FontFamily::GetFamilyName(LANGID language) { return WideToGbk(GetFamilyNameW(language)); }

bool FontCollection::GetFontCollectionFamilyList(std::vector<FontFamily>& families) {
  const INT count = GetFontCollectionFamilyCount();
  if (LastStatus != Gdiplus::Ok) return false;
  std::vector<Gdiplus::GpFontFamily*> handles(static_cast<std::size_t>(count > 0 ? count : 0));
  INT found = 0;
  if (!handles.empty() && !Act(g_flat.GdipGetFontCollectionFamilyList, count, handles.data(), found)) return false;
  // The listed families belong to the collection: each object gets a clone of its own.
  std::vector<FontFamily> made(static_cast<std::size_t>(found));
  for (INT i = 0; i < found; ++i) {
    if (!made[i].CloneFontFamily(handles[i])) return false;
  }
  families.swap(made);
  return StoreStatus(Gdiplus::Ok);
}

bool StringFormat::GetStringFormatTabStops(REAL& firstOffset, std::vector<REAL>& stops) {
  auto* format = Handle<Gdiplus::GpStringFormat*>();
  REAL first = 0;
  if (!detail::FetchArray(stops, [&](INT* n) { return g_flat.GdipGetStringFormatTabStopCount(format, n); },
                          [&](REAL* data, INT n) { return g_flat.GdipGetStringFormatTabStops(format, n, &first, data); })) {
    return false;
  }
  firstOffset = first;
  return true;
}

}  // namespace ornivex::gfx
