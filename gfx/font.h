#pragma once
// GDI+ fonts, font families, font collections and string formats.
#include "gfx/object.h"

#include <string>
#include <string_view>
#include <vector>

namespace ornivex::gfx {

class FontCollection;
class Graphics;
class FontFamily;

class Font : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpFont;

  GFX_DELETER(Font, DeleteFont)

  GFX_NEW(CreateFont)  // (family, em size, style, unit)
  // The system's default GUI font, as seen on the screen.
  bool CreateDefaultGuiFont();
  // A font of the family named `name` (GBK; the W form takes UTF-16 bytes).
  bool CreateFontByName(std::string_view name, REAL size, INT style = 0, Gdiplus::Unit unit = Gdiplus::UnitWorld);
  bool CreateFontByNameW(std::string_view utf16Name, REAL size, INT style = 0,
                         Gdiplus::Unit unit = Gdiplus::UnitWorld);
  GFX_NEW(CreateFontFromDC)  // (dc): the font selected into it
  // The font `font` describes as seen on `dc`; without a usable font handle, the
  // font selected into `dc`.
  bool CreateFontFromDCLogfontA(HDC dc, HFONT font);
  // From a font record whose face name is program text (GBK).
  bool CreateFontFromDCLogfontRecordA(HDC dc, const LOGFONTA& logfont);
  GFX_NEW_AS(CreateFontFromDCLogfontRecordW, GdipCreateFontFromLogfontW)  // (dc, LOGFONTW)
  GFX_NEW(CloneFont)  // (source font)
  // The font's record as seen on `graphics`, face name in GBK.
  bool GetLogFontA(const Graphics& graphics, LOGFONTA& logfont);
  GFX_ACT(GetLogFontW)  // (graphics, LOGFONTW to fill)
  // A new family object for the font's family, handed to `family`.
  bool GetFamily(FontFamily& family);
  GFX_GET(GetFontStyle)
  GFX_GET(GetFontSize)
  GFX_GET(GetFontUnit)
  GFX_GET(GetFontHeight)  // (graphics)
  GFX_GET(GetFontHeightGivenDPI)  // (dpi)
};

class FontFamily : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpFontFamily;

  GFX_DELETER(FontFamily, DeleteFontFamily)

  // The family named `name` (GBK; the W form UTF-16 bytes), from `collection` or
  // from the installed fonts when none is given.
  bool CreateFontFamilyFromName(std::string_view name, const FontCollection* collection = nullptr);
  bool CreateFontFamilyFromNameW(std::string_view utf16Name, const FontCollection* collection = nullptr);
  GFX_NEW(GetGenericFontFamilySansSerif)
  GFX_NEW(GetGenericFontFamilySerif)
  GFX_NEW(GetGenericFontFamilyMonospace)
  GFX_NEW(CloneFontFamily)  // (source family)
  // The family's name in GBK; empty on failure.
  std::string GetFamilyName(LANGID language = 0);
  std::wstring GetFamilyNameW(LANGID language = 0);
  GFX_GET(IsStyleAvailable)  // (style)
  GFX_GET(GetEmHeight)       // (style)
  GFX_GET(GetCellAscent)
  GFX_GET(GetCellDescent)
  GFX_GET(GetLineSpacing)
};

// A collection of font families handed in from elsewhere; it only counts and lists
// its families and never deletes the collection.
class FontCollection : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpFontCollection;
  // The collection of the fonts installed on the system (owned by GDI+).
  GFX_NEW(NewInstalledFontCollection)
  GFX_GET(GetFontCollectionFamilyCount)
  // One FontFamily of its own (a clone) per family of the collection.
  bool GetFontCollectionFamilyList(std::vector<FontFamily>& families);

 protected:
  GpStatus DestroyNative() override { return Gdiplus::Ok; }
};

class StringFormat : public GraphicsObject {
 public:
  using NativeType = Gdiplus::GpStringFormat;

  GFX_DELETER(StringFormat, DeleteStringFormat)

  GFX_NEW(CreateStringFormat)  // (flags, language)
  GFX_NEW(StringFormatGetGenericDefault)
  GFX_NEW(StringFormatGetGenericTypographic)
  GFX_NEW(CloneStringFormat)  // (source format)
  GFX_ACT(SetStringFormatFlags)
  GFX_GET(GetStringFormatFlags)
  GFX_ACT(SetStringFormatAlign)
  GFX_GET(GetStringFormatAlign)
  GFX_ACT(SetStringFormatLineAlign)
  GFX_GET(GetStringFormatLineAlign)
  GFX_ACT(SetStringFormatTrimming)
  GFX_GET(GetStringFormatTrimming)
  GFX_ACT(SetStringFormatHotkeyPrefix)
  GFX_GET(GetStringFormatHotkeyPrefix)
  GFX_ACT(SetStringFormatTabStops)  // (first offset, count, stops)
  bool GetStringFormatTabStops(REAL& firstOffset, std::vector<REAL>& stops);
  GFX_ACT(SetStringFormatDigitSubstitution)
  GFX_ACT(GetStringFormatDigitSubstitution)  // (language, method)
  GFX_ACT(SetStringFormatMeasurableCharacterRanges)  // (count, ranges)
  GFX_GET(GetStringFormatMeasurableCharacterRangeCount)
};

}  // namespace ornivex::gfx
