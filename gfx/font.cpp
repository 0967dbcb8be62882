#include "gfx/font.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "gfx/graphics.h"
#include "runtime/codepage.h"

namespace ornivex::gfx {

namespace {

// Font records cross to GDI+ in their UTF-16 form: the face name of an "A" record
// is program text (GBK), whatever the system's ANSI code page.
LOGFONTW WideRecord(const LOGFONTA& in) {
  LOGFONTW out{};
  std::memcpy(&out, &in, offsetof(LOGFONTA, lfFaceName));
  const std::wstring face = GbkToWide(std::string_view(in.lfFaceName, strnlen(in.lfFaceName, LF_FACESIZE)));
  face.copy(out.lfFaceName, LF_FACESIZE - 1);
  return out;
}

LOGFONTA GbkRecord(const LOGFONTW& in) {
  LOGFONTA out{};
  std::memcpy(&out, &in, offsetof(LOGFONTW, lfFaceName));
  std::string face = WideToGbk(std::wstring_view(in.lfFaceName, wcsnlen(in.lfFaceName, LF_FACESIZE)));
  // Never cut a double-byte character in two.
  std::size_t keep = 0;
  for (std::size_t i = 0; i < face.size() && i < LF_FACESIZE - 1;) {
    const std::size_t step = static_cast<unsigned char>(face[i]) >= 0x81 ? 2 : 1;
    if (i + step > LF_FACESIZE - 1) break;
    i += step;
    keep = i;
  }
  face.copy(out.lfFaceName, keep);
  return out;
}

}  // namespace

bool Font::CreateDefaultGuiFont() {
  auto* logfont = static_cast<LOGFONTW*>(Alloc(sizeof(LOGFONTW)));
  if (!logfont) return StoreStatus(Gdiplus::OutOfMemory);
  std::memset(logfont, 0, sizeof(LOGFONTW));
  bool ok = false;
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTW), logfont) == sizeof(LOGFONTW)) {
    HDC screen = ::GetDC(nullptr);
    ok = CreateFontFromDCLogfontRecordW(screen, *logfont);
    ::ReleaseDC(nullptr, screen);
  } else {
    StoreStatus(Gdiplus::GenericError);
  }
  Free(logfont);
  return ok;
}

bool Font::CreateFontFromDCLogfontRecordA(HDC dc, const LOGFONTA& logfont) {
  const LOGFONTW wide = WideRecord(logfont);
  return CreateFontFromDCLogfontRecordW(dc, wide);
}

bool Font::GetLogFontA(const Graphics& graphics, LOGFONTA& logfont) {
  LOGFONTW wide{};
  if (!GetLogFontW(graphics, wide)) return false;
  logfont = GbkRecord(wide);
  return true;
}

bool Font::CreateFontByName(std::string_view name, REAL size, INT style, Gdiplus::Unit unit) {
  FontFamily family;
  if (!family.CreateFontFamilyFromName(name)) {
    SetNative(nullptr, Ownership::Take);
    return false;
  }
  return New(g_flat.GdipCreateFont, family, size, style, unit);  // the family is deleted on return
}

bool Font::CreateFontByNameW(std::string_view utf16Name, REAL size, INT style, Gdiplus::Unit unit) {
  FontFamily family;
  if (!family.CreateFontFamilyFromNameW(utf16Name)) {
    SetNative(nullptr, Ownership::Take);
    return false;
  }
  return New(g_flat.GdipCreateFont, family, size, style, unit);
}

bool Font::CreateFontFromDCLogfontA(HDC dc, HFONT font) {
  LOGFONTW logfont{};
  if (font && GetObjectW(font, sizeof(logfont), &logfont) == sizeof(logfont)) {
    return CreateFontFromDCLogfontRecordW(dc, logfont);
  }
  return CreateFontFromDC(dc);
}

bool Font::GetFamily(FontFamily& family) {
  Gdiplus::GpFontFamily* handle = nullptr;
  const bool ok = Act(g_flat.GdipGetFamily, handle);
  family.SetNative(handle, Ownership::Take);  // a copy of the font's family
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
