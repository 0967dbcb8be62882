#pragma once
// The skin engine's records: one per skinned top-level window, kept in the engine's
// registry, and one per enrolled control in the family lists of its window.
//
// A window's number is its 1-based place in the registry ("Hw_lbID" on the window);
// an enrolled control carries its window's number ("Hw_FuID") and its 1-based place
// in its family list ("Hw_lbID"). Records are held by pointer, so their addresses
// stay put while the lists grow.
#include <windows.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gfx/image.h"
#include "gfx/tooltip.h"
#include "runtime/handles.h"
#include "skin/fade.h"
#include "skin/title_geometry.h"

namespace ornivex::skin {

using Bytes = std::vector<std::uint8_t>;
// Read-only picture bytes the program carries, with their {1, length} header.
using PictureBytes = std::span<const std::uint8_t>;
using Callback = void (*)();

// Window property names. Their values are numbers, handles and procedures.
namespace prop {
inline constexpr wchar_t kNumber[] = L"Hw_lbID";        // window number / place in a family list
inline constexpr wchar_t kWindowNumber[] = L"Hw_FuID";  // a control's window number
inline constexpr wchar_t kPrevious[] = L"Hw_hProc";     // the replaced window procedure
inline constexpr wchar_t kTextColour[] = L"Kj_Ztys";    // COLORREF for the control-colour messages
inline constexpr wchar_t kBrush[] = L"Kj_dxjb";         // brush last returned for a control-colour message
inline constexpr wchar_t kBrushBitmap[] = L"Kj_wtjb";   // the bitmap behind that brush
inline constexpr wchar_t kTransparentPrevious[] = L"Kj_hProc";
inline constexpr wchar_t kTransparentNumber[] = L"Kj_lbID";
inline constexpr wchar_t kTransparentWindowNumber[] = L"Kj_FuID";
inline constexpr wchar_t kInitialBitmap[] = L"Ck_Ycjdx";  // mainDC's first bitmap
inline constexpr wchar_t kFrameBitmap[] = L"Ck_wtjbdx";   // the bitmap the full paint put in mainDC
inline constexpr wchar_t kContainer[] = L"Mb_zpf";        // the sub-window a control lies in
inline constexpr wchar_t kContainerDc[] = L"Wxk_Cj";      // a sub-window's memory DC
inline constexpr wchar_t kContainerFlag[] = L"Wxk_Zpf";   // 1 on a sub-window others may name in Mb_zpf
}  // namespace prop

// Families of controls, as the window record's hotKind names them.
enum class HotKind : int {
  Button = 0, Edit = 1, Trackbar = 2, Combo = 3, List = 4, SubWindowControl = 8, Header = 9,
  UpDown = SubWindowControl,
};

struct TitleButton {
  int width = 0;
  int height = 0;
  PictureBytes picture;
  PictureBytes altPicture;  // shown instead of picture for maximize while the window is maximized
  PictureBytes picture3;
  TitleButtonKind kind = TitleButtonKind::Close;
  std::string caption;  // GBK; also the tooltip text
  Callback callback = nullptr;
  BoundsF bounds;
};

struct ButtonRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int kind = 0;  // ButtonKind: 0 push, 4 radio, 5 check (1..3 picture buttons)
  std::array<Bytes, 5> pictures;
  int reserved = 0;
  std::string caption;  // GBK
  int focused = 0;
  std::array<int, 2> reserved2 = {};
  HWND ownerWindow = nullptr;
  gfx::ToolTip tooltip;
  std::string fontFace;  // GBK
  float fontSize = 12;
  int fontStyle = 0;
};

struct EditRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int focused = 0;
  int hot = 0;
  int mouseDown = 0;
  std::array<int, 2> extra = {};
};

struct ComboRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int focused = 0;
  int extra = 0;
};

struct ListRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int focused = 0;
  int hot = 0;
  int tracking = 0;  // an arrow key is held: mouse moves repaint the control
  int kind = 0;      // ListKind (skin/families.h): which of the list-like classes it is
  // Inside the engine's own paint, whose copy covers the whole control: an erase
  // meanwhile would be painted over at once.
  bool painting = false;
};

struct TrackbarRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int vertical = 0;
  int extra = 0;
  int hot = 0;
  int extra2 = 0;
};

struct ProgressRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int extra = 0;
};

struct SubWindowRecord {
  HWND window = nullptr;
  COLORREF colour = 0;
  std::uint8_t alpha = 255;
  int frame = 0;
  WNDPROC oldProc = nullptr;
  int repaintNeeded = 0;
  int groupBox = 0;
  int transparentBackground = 1;
  std::string fontFace;  // GBK
  float fontSize = 0;
  int fontStyle = 0;
  std::vector<std::pair<HWND, int>> dockedChildren = {{nullptr, 0}};
};

struct TransparentControlRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  COLORREF keyColour = 0;
};

struct HeaderRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int tracking = 0;
  int hotItem = 0;
  int lastPaintedItem = 0;
  int buttons = 0;  // HDS_BUTTONS
  int pressedItem = 0;
  int buttonDown = 0;
  std::string fontFace;  // GBK
  float fontSize = 0;
  int fontStyle = 0;
  HANDLE imageList = nullptr;  // HIMAGELIST
};

struct UpDownRecord {
  HWND window = nullptr;
  WNDPROC oldProc = nullptr;
  int tracking = 0;
  int hotHalf = 0;  // 0 up or left, 1 down or right
  int buttonDown = 0;
  int horizontal = 0;
  LPARAM lastPress = 0;
};

struct MenuItem {
  int id = 0;
  std::string text;  // GBK
  Bytes picture;
  int state = 0;
};

// The brush last handed out for a control's colour message, with the bitmap behind
// it (a control's "Kj_dxjb" and "Kj_wtjb" name the same handles).
struct ControlBrush {
  UniqueBrush brush;
  UniqueBitmap bitmap;
};

template <class T>
using RecordList = std::vector<std::unique_ptr<T>>;

// A list whose first entry is an empty placeholder (window 0) that the first
// registration takes over.
template <class T>
RecordList<T> ListWithPlaceholder() {
  RecordList<T> list;
  list.push_back(std::make_unique<T>());
  return list;
}

struct SkinWindowRecord {
  HWND window = nullptr;
  int captionHeight = 25;
  int helpButton = 0;
  int menuButton = 0;
  int hasMinimize = 0;
  int hasMaximize = 0;
  int closeButton = 1;
  int captionText = 1;
  int captionGloss = 0;
  Bytes picture2;
  WNDPROC oldProc = nullptr;
  int reserved = 0;
  Bytes background;  // the window's own background picture, prepared
  int backgroundMode = 4;
  std::uint32_t backgroundKey = 0;  // ARGB: the picture's average colour, opaque
  std::vector<TitleButton> titleButtons;
  int stripLeft = 0;
  int stripTop = 0;
  int stripWidth = 0;
  int stripHeight = 22;
  int maximized = 0;
  int minimized = 0;
  int minTrackWidth = 200;
  int minTrackHeight = 150;
  int maxTrackWidth = 0;
  int maxTrackHeight = 0;
  int sizable = 1;
  int titleButtonsActive = 1;
  COLORREF captionColour = 0xFFFFFF;
  COLORREF captionColour2 = 0x808080;
  std::string captionFont;  // GBK
  int captionFontSize = 12;
  int captionStyle = 1;
  int hotKind = 0;
  HWND hotEditParent = nullptr;
  Callback helpCallback = nullptr;
  Callback menuCallback = nullptr;
  gfx::ToolTip tooltip;
  int extraCount = 0;
  RECT clientRect = {};
  std::vector<MenuItem> itemList;
  std::vector<RECT> rectList;
  std::array<int, 4> menuBar = {};
  std::string menuFont;  // GBK
  int menuFontSize = 0;
  RecordList<ButtonRecord> buttons;
  RecordList<EditRecord> edits;
  RecordList<ListRecord> lists;
  RecordList<TrackbarRecord> trackbars;
  RecordList<ProgressRecord> progressBars;
  RecordList<ComboRecord> combos;
  RecordList<UpDownRecord> upDownControls = ListWithPlaceholder<UpDownRecord>();
  RecordList<HeaderRecord> headerControls = ListWithPlaceholder<HeaderRecord>();
  std::vector<std::pair<std::int32_t, std::int32_t>> pairList;
  RecordList<TransparentControlRecord> transparentControls = ListWithPlaceholder<TransparentControlRecord>();
  std::vector<std::array<std::int32_t, 9>> entryList;
  int repaintAll = 0;
  // mainDC holds the fully composed window, from which every control copies its
  // background; dc2 the background and frame without caption or title buttons
  // (title buttons restore their area from it).
  DibCanvas mainDc;
  DibCanvas dc2;
  int lastHotButton = 0;
  int hotButton = 0;
  int toolCount = 0;
  RecordList<SubWindowRecord> subWindows = ListWithPlaceholder<SubWindowRecord>();
  int enrolled = 0;
  int reserved2 = 0;
  std::vector<std::pair<HWND, int>> dockedChildren;
  // The hover fade of the title buttons: mouseInside, hoverButton, fadeIn, fadeOut
  // and timerRunning live here.
  FadeState fade;
  // The title button pressed and not yet released (0 none). Set only by a press on
  // a button; the hover tracking above never touches it.
  int pressedTitleButton = 0;
  std::array<int, 4> reserved3 = {};

  // The caption height asked for, at 96 DPI, and the caption's metrics at the
  // window's DPI.
  int requestedCaptionHeight = 25;
  TitleMetrics metrics;
  // The brushes handed out for the colour messages of this window's controls.
  std::map<HWND, ControlBrush> controlBrushes;
  // The window's own background picture, decoded; and the background picture
  // (own or the theme's) as last drawn at the window's size, for the next full paint.
  std::unique_ptr<gfx::Bitmap> backgroundBitmap;
  DibCanvas scaledBackground;
  const void* scaledSource = nullptr;
  // Size of the window region last given, so an unchanged size keeps it.
  SIZE regionSize = {0, 0};

  std::vector<TitleButtonKind> TitleKinds() const {
    std::vector<TitleButtonKind> kinds;
    for (const TitleButton& b : titleButtons) kinds.push_back(b.kind);
    return kinds;
  }
  StripLayout Strip() const {
    StripLayout strip{stripLeft, stripTop, stripWidth, stripHeight, {}};
    for (const TitleButton& b : titleButtons) strip.buttons.push_back(b.bounds);
    return strip;
  }
};

}  // namespace ornivex::skin
