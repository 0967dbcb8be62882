// Text in the program's code page, fonts from their three sources, and the tooltip.
// Run under both a GBK and a Western ANSI code page: the results must not differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "runtime/codepage.h"
#include "tests/gfx/gfx_env.h"

#include <commctrl.h>

namespace ornivex::gfx {
namespace {

using testing::Canvas;

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new testing::GdiplusEnvironment);

const char kChoose[] = "\xD1\xA1\xD4\xF1\xCD\xBC\xC6\xAC";  // 选择图片
const wchar_t kChooseWide[] = L"\u9009\u62e9\u56fe\u7247";

// The family of the system's default GUI font: a face every system has.
std::string SystemFace() {
  Font gui;
  FontFamily family;
  if (!gui.CreateDefaultGuiFont() || !gui.GetFamily(family)) return {};
  return family.GetFamilyName();
}

std::string Utf16Bytes(const wchar_t* text) {
  return std::string(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
}

TEST(Text, GbkTextIsMeasuredAndDrawnAsItsCharacters) {
  Font font;
  ASSERT_TRUE(font.CreateFontByName(SystemFace(), 20, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel));
  StringFormat format;
  ASSERT_TRUE(format.CreateStringFormat(0, 0));
  Canvas canvas(200, 40, 0xFFFFFFFF);
  const RectF layout(0, 0, 200, 40);

  RectF gbk, wide, latin;
  ASSERT_TRUE(canvas.graphics.MeasureString(kChoose, font, layout, &format, gbk));
  ASSERT_TRUE(canvas.graphics.MeasureStringW(Utf16Bytes(kChooseWide), font, layout, &format, wide));
  // The same eight bytes read as a Western code page would be eight narrow letters.
  ASSERT_TRUE(canvas.graphics.MeasureStringW(Utf16Bytes(L"\u00d1\u00a1\u00d4\u00f1\u00cd\u00bc\u00c6\u00ac"), font,
                                             layout, &format, latin));
  EXPECT_GT(gbk.Width, 0);
  EXPECT_EQ(gbk.Width, wide.Width);
  EXPECT_EQ(gbk.Height, wide.Height);
  EXPECT_NE(gbk.Width, latin.Width);

  // Both forms draw the same pixels, and draw something.
  SolidBrush black;
  ASSERT_TRUE(black.CreateSolidFill(0xFF000000));
  ASSERT_TRUE(canvas.graphics.DrawString(kChoose, font, layout, &format, black));
  std::vector<ARGB> first;
  for (int i = 0; i < 200 * 40; ++i) first.push_back(canvas.At(i % 200, i / 200));
  EXPECT_GT(canvas.CountNot(200, 40, 0xFFFFFFFF), 20);
  ASSERT_TRUE(canvas.graphics.GraphicsClear(0xFFFFFFFF));
  ASSERT_TRUE(canvas.graphics.DrawStringW(Utf16Bytes(kChooseWide), font, layout, nullptr, black));
  std::vector<ARGB> second;
  for (int i = 0; i < 200 * 40; ++i) second.push_back(canvas.At(i % 200, i / 200));
  EXPECT_EQ(first, second);

  // Text stops at its first zero byte; an empty text draws nothing and succeeds.
  RectF cut;
  ASSERT_TRUE(canvas.graphics.MeasureString(std::string_view("\xD1\xA1\0zzz", 6), font, layout, nullptr, cut));
  RectF one;
  ASSERT_TRUE(canvas.graphics.MeasureString("\xD1\xA1", font, layout, nullptr, one));
  EXPECT_EQ(cut.Width, one.Width);
  EXPECT_TRUE(canvas.graphics.DrawString("", font, layout, nullptr, black));
}

TEST(Text, CharacterRangesAndPathText) {
  Font font;
  ASSERT_TRUE(font.CreateFontByName(SystemFace(), 16, 0, Gdiplus::UnitPixel));
  StringFormat format;
  ASSERT_TRUE(format.CreateStringFormat(0, 0));
  const Gdiplus::CharacterRange ranges[] = {Gdiplus::CharacterRange(0, 1), Gdiplus::CharacterRange(2, 2)};
  ASSERT_TRUE(format.SetStringFormatMeasurableCharacterRanges(2, ranges));
  EXPECT_EQ(format.GetStringFormatMeasurableCharacterRangeCount(), 2);
  Canvas canvas(10, 10);
  std::vector<Region> regions;
  ASSERT_TRUE(canvas.graphics.MeasureCharacterRanges(kChoose, font, RectF(0, 0, 300, 40), format, regions));
  ASSERT_EQ(regions.size(), 2u);
  RectF first, second;
  ASSERT_TRUE(regions[0].GetRegionBounds(canvas.graphics, first));
  ASSERT_TRUE(regions[1].GetRegionBounds(canvas.graphics, second));
  EXPECT_GT(first.Width, 0);
  EXPECT_GT(second.X, first.X + first.Width - 0.5f);  // the third character lies right of the first
  EXPECT_GT(second.Width, first.Width);                 // and the range holds two of them

  FontFamily family;
  ASSERT_TRUE(family.CreateFontFamilyFromName(SystemFace()));
  GraphicsPath path;
  ASSERT_TRUE(path.CreatePath(0));
  ASSERT_TRUE(path.AddPathString("Ab", family, 0, 20, RectF(0, 0, 100, 30), &format)) << LastStatus;
  EXPECT_GT(path.GetPointCount(), 4);
}

TEST(Fonts, FromDefaultGuiFontFromDcAndByName) {
  Font gui;
  ASSERT_TRUE(gui.CreateDefaultGuiFont());
  EXPECT_GT(gui.GetFontSize(), 0);
  FontFamily guiFamily;
  ASSERT_TRUE(gui.GetFamily(guiFamily));
  const std::string face = guiFamily.GetFamilyName();
  ASSERT_FALSE(face.empty());
  const std::wstring wideFace = guiFamily.GetFamilyNameW();
  // Under a Chinese system the GUI font's family name is Chinese: the two readers
  // must agree through code page 936, not byte by byte.
  EXPECT_EQ(wideFace, GbkToWide(face));

  // From a device context: a given font handle, then the font selected into it.
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT bold = CreateFontW(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, wideFace.c_str());
  Font fromHandle;
  ASSERT_TRUE(fromHandle.CreateFontFromDCLogfontA(dc, bold));
  EXPECT_EQ(fromHandle.GetFontStyle() & Gdiplus::FontStyleBold, Gdiplus::FontStyleBold);
  FontFamily family;
  ASSERT_TRUE(fromHandle.GetFamily(family));
  EXPECT_EQ(family.GetFamilyName(), face);
  LOGFONTW back{};
  Canvas canvas(2, 2);
  ASSERT_TRUE(fromHandle.GetLogFontW(canvas.graphics, back));
  EXPECT_EQ(back.lfFaceName, wideFace);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  HGDIOBJ old = SelectObject(dc, bold);
  Font selected;
  ASSERT_TRUE(selected.CreateFontFromDCLogfontA(dc, nullptr));
  EXPECT_EQ(selected.GetFontStyle() & Gdiplus::FontStyleBold, Gdiplus::FontStyleBold);
  SelectObject(dc, old);
  DeleteObject(bold);
  DeleteDC(dc);

  Font named;
  ASSERT_TRUE(named.CreateFontByName(face, 12, Gdiplus::FontStyleItalic, Gdiplus::UnitPoint));
  EXPECT_EQ(named.GetFontSize(), 12.0f);
  EXPECT_EQ(named.GetFontStyle(), Gdiplus::FontStyleItalic);
  EXPECT_EQ(named.GetFontUnit(), Gdiplus::UnitPoint);
  Font wide;
  ASSERT_TRUE(wide.CreateFontByNameW(Utf16Bytes(wideFace.c_str()), 9));
  EXPECT_EQ(wide.GetFontSize(), 9.0f);

  // An unknown face fails with GDI+'s status and leaves the font empty.
  Font missing;
  EXPECT_FALSE(missing.CreateFontByName("No Such Face Ornivex", 12));
  EXPECT_EQ(LastStatus, Gdiplus::FontFamilyNotFound);
  EXPECT_TRUE(missing.Empty());
}

TEST(Fonts, RecordsCarryGbkFaceNames) {
  // A family with a Chinese name when the system has one, else the GUI face.
  FontCollection installed;
  ASSERT_TRUE(installed.NewInstalledFontCollection());
  std::vector<FontFamily> families;
  ASSERT_TRUE(installed.GetFontCollectionFamilyList(families));
  std::string face = SystemFace();
  for (FontFamily& f : families) {
    const std::string name = f.GetFamilyName();
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) face = name;
  }
  LOGFONTA record{};
  record.lfHeight = -20;
  record.lfWeight = FW_NORMAL;
  record.lfCharSet = DEFAULT_CHARSET;
  ASSERT_LT(face.size(), sizeof(record.lfFaceName));
  face.copy(record.lfFaceName, face.size());
  Font font;
  ASSERT_TRUE(font.CreateFontFromDCLogfontRecordA(::GetDC(nullptr), record)) << face;
  FontFamily family;
  ASSERT_TRUE(font.GetFamily(family));
  EXPECT_EQ(family.GetFamilyName(), face);
  Canvas canvas(2, 2);
  LOGFONTA back{};
  ASSERT_TRUE(font.GetLogFontA(canvas.graphics, back));
  EXPECT_STREQ(back.lfFaceName, face.c_str());
  EXPECT_NEAR(back.lfHeight, -20, 1);
}

TEST(Fonts, InstalledCollectionListsFamilies) {
  FontCollection installed;
  ASSERT_TRUE(installed.NewInstalledFontCollection());
  const INT count = installed.GetFontCollectionFamilyCount();
  ASSERT_GT(count, 0);
  std::vector<FontFamily> families;
  ASSERT_TRUE(installed.GetFontCollectionFamilyList(families));
  ASSERT_EQ(families.size(), static_cast<size_t>(count));
  const std::string face = SystemFace();
  bool found = false;
  for (FontFamily& f : families) found |= f.GetFamilyName() == face;
  EXPECT_TRUE(found) << face;
  FontFamily fromCollection;
  EXPECT_TRUE(fromCollection.CreateFontFamilyFromName(face, &installed));
  EXPECT_GT(fromCollection.GetEmHeight(0), 0);
}

TEST(Files, GbkPathsSaveAndLoad) {
  wchar_t dir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, dir);
  const std::wstring widePath = std::wstring(dir) + L"\u9009\u62e9-ornivex.png";  // 选择-ornivex.png
  const std::string path = WideToGbk(widePath);
  DeleteFileW(widePath.c_str());

  Canvas canvas(3, 2, 0xFF102030);
  canvas.graphics.Flush(Gdiplus::FlushIntentionSync);
  ASSERT_TRUE(canvas.bitmap.SaveImageToFile(path, kPngFormat));
  EXPECT_NE(GetFileAttributesW(widePath.c_str()), INVALID_FILE_ATTRIBUTES);  // the very name, not a mangled one

  Image image;
  ASSERT_TRUE(image.LoadImageFromFile(path));
  EXPECT_EQ(image.GetImageWidth(), 3u);
  image.DisposeImage();
  Bitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmapFromFileW(Utf16Bytes(widePath.c_str())));
  EXPECT_EQ(bitmap.BitmapGetPixel(1, 1), 0xFF102030u);
  bitmap.DisposeImage();
  EXPECT_TRUE(DeleteFileW(widePath.c_str()));
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(ToolTips, CreatedWithToolsOfItsOwner) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"OrnivexToolTipOwner";
  RegisterClassW(&wc);
  HWND owner = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);

  ToolTip tip;
  HWND window = tip.Create(owner, true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(tip.GetHandle(), window);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  EXPECT_STREQ(className, TOOLTIPS_CLASSW);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & TTS_BALLOON);

  ASSERT_TRUE(tip.AddTool(RECT{0, 0, 50, 20}, kChoose, 7));
  ASSERT_TRUE(tip.AddToolCallback(RECT{60, 0, 90, 20}, 8));
  EXPECT_EQ(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0), 2);

  // The tool's text reads back as the right characters, whatever the ANSI code page.
  auto textOf = [&](UINT_PTR id) {
    wchar_t text[80] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = owner;
    info.uId = id;
    info.lpszText = text;
    SendMessageW(window, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&info));
    return std::wstring(text);
  };
  EXPECT_EQ(textOf(7), kChooseWide);
  tip.UpdateTipText(7, "\xB1\xA3\xB4\xE6");  // 保存
  EXPECT_EQ(textOf(7), L"\u4fdd\u5b58");

  tip.NewToolRect(7, RECT{0, 0, 40, 40});
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = owner;
  info.uId = 7;
  ASSERT_TRUE(SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(info.rect.bottom, 40);
  EXPECT_TRUE(info.uFlags & TTF_SUBCLASS);

  tip.SetTipBkColor(RGB(1, 2, 3));
  tip.SetTipTextColor(RGB(4, 5, 6));
  tip.SetMaxTipWidth(123);
  EXPECT_EQ(SendMessageW(window, TTM_GETTIPBKCOLOR, 0, 0), RGB(1, 2, 3));
  EXPECT_EQ(SendMessageW(window, TTM_GETTIPTEXTCOLOR, 0, 0), RGB(4, 5, 6));
  EXPECT_EQ(SendMessageW(window, TTM_GETMAXTIPWIDTH, 0, 0), 123);

  tip.DelTool(8);
  EXPECT_EQ(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0), 1);
  // Created again, it replaces its first window.
  HWND second = tip.Create(owner);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(window));
  // The tooltip goes with its owner.
  EXPECT_EQ(GetWindow(second, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(second));
}

}  // namespace
}  // namespace ornivex::gfx
