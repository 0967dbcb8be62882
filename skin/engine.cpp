// The engine object, its registry of skinned windows, enrolment of a window, the
// brushes that make controls look transparent, and the clean-up at destruction.
#include "skin/engine.h"

#include <algorithm>
#include <cstring>

#include "gfx/gfx.h"
#include "resources/resource_ids.h"
#include "resources/skin_pictures.h"
#include "runtime/diagnostics.h"
#include "runtime/dpi.h"
#include "runtime/subclass.h"
#include "skin/background.h"
#include "skin/draw.h"
#include "skin/families.h"
#include "skin/pixels.h"

namespace ornivex::skin {

namespace {

SkinEngine* gInstance = nullptr;

// The procedure installed on every skinned top-level window: it reaches the one
// engine, or passes the message straight on once the engine is gone.
LRESULT CALLBACK WindowProcEntry(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (gInstance) return gInstance->WindowProc(window, message, wparam, lparam);
  return CallPreviousProcedure(prop::kPrevious, window, message, wparam, lparam);
}

// Captions of the standard title buttons (GBK): 帮助, 主菜单, 最小化, 最大化, 关闭.
std::string_view TitleCaption(TitleButtonKind kind) {
  switch (kind) {
    case TitleButtonKind::Help: return "\xB0\xEF\xD6\xFA";
    case TitleButtonKind::MainMenu: return "\xD6\xF7\xB2\xCB\xB5\xA5";
    case TitleButtonKind::Minimize: return "\xD7\xEE\xD0\xA1\xBB\xAF";
    case TitleButtonKind::Maximize: return "\xD7\xEE\xB4\xF3\xBB\xAF";
    case TitleButtonKind::Close:
    case TitleButtonKind::Custom: break;
  }
  return "\xB9\xD8\xB1\xD5";
}

pictures::SkinPicture TitlePicture(TitleButtonKind kind) {
  switch (kind) {
    case TitleButtonKind::Help: return pictures::SkinPicture::Help;
    case TitleButtonKind::MainMenu: return pictures::SkinPicture::MainMenu;
    case TitleButtonKind::Minimize: return pictures::SkinPicture::Minimize;
    case TitleButtonKind::Maximize: return pictures::SkinPicture::Maximize;
    case TitleButtonKind::Close:
    case TitleButtonKind::Custom: break;
  }
  return pictures::SkinPicture::Close;
}

HICON LoadWindowIcon(int size) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto load = [&](const wchar_t* name) {
    return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  };
  HICON icon = load(MAKEINTRESOURCEW(ORNIVEX_IDI_APP));
  if (!icon) icon = load(L"DEFAULT_ICON");
  if (!icon) TraceFailure(L"Loading the window icon");
  return icon;
}

}  // namespace

SkinSettings StartSkinModule() {
  SkinSettings settings;
  settings.gdiplusToken = gfx::GdiplusStartup(1);
  settings.gdiplusStarted = gfx::LastStatus == Gdiplus::Ok;
  if (!settings.gdiplusStarted) TraceNote(L"GDI+ did not start; the skin draws nothing");
  settings.windowIcon.Reset(LoadWindowIcon(ScaleForDpi(17, WindowDpi(nullptr))));
  settings.themeColour = GetSysColor(COLOR_BTNFACE);
  return settings;
}

SkinEngine::SkinEngine(SkinSettings settings) : settings_(std::move(settings)) { gInstance = this; }

SkinEngine::~SkinEngine() {
  if (gInstance == this) gInstance = nullptr;
  // Every GDI+ object goes before GDI+ itself.
  pictures_.clear();
  fonts_.clear();
  themeBitmap_.reset();
  for (auto& record : windows_) {
    record->backgroundBitmap.reset();
    record->scaledBackground.Reset();
  }
  settings_.windowIcon.Reset();
  if (settings_.gdiplusStarted) gfx::GdiplusShutdown(settings_.gdiplusToken);
  settings_.gdiplusStarted = false;
}

SkinEngine* SkinEngine::Instance() { return gInstance; }

int SkinEngine::WindowNumberOf(HWND window) const {
  if (!window) return 0;
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i]->window == window) return static_cast<int>(i) + 1;
  return 0;
}

int SkinEngine::WindowNumberOfControl(HWND control) const {
  if (!control) return 0;
  // The root first; then the parents, for a skinned window that is itself a child.
  if (const int number = WindowNumberOf(GetAncestor(control, GA_ROOT))) return number;
  for (HWND parent = GetParent(control); parent; parent = GetParent(parent))
    if (const int number = WindowNumberOf(parent)) return number;
  // A control that lies in no skinned window but was enrolled in one (a drop-down
  // combo's list, a window of the desktop's) belongs to that one.
  const auto enrolled = static_cast<int>(WindowProperty(control, prop::kWindowNumber));
  return Record(enrolled) ? enrolled : 0;
}

SkinWindowRecord* SkinEngine::Record(int number) {
  return number >= 1 && number <= WindowCount() ? windows_[number - 1].get() : nullptr;
}

const SkinWindowRecord* SkinEngine::Record(int number) const {
  return number >= 1 && number <= WindowCount() ? windows_[number - 1].get() : nullptr;
}

void SkinEngine::SkinWindow(HWND window, const SkinWindowOptions& options) {
  if (!window || !IsWindow(window) || WindowNumberOf(window)) return;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  RECT client;
  GetClientRect(window, &client);

  auto owned = std::make_unique<SkinWindowRecord>();
  SkinWindowRecord& record = *owned;
  record.window = window;
  record.metrics = TitleMetrics::ForDpi(WindowDpi(window));
  record.requestedCaptionHeight = options.captionHeight;
  record.helpButton = options.helpButton.value_or(0);
  record.menuButton = options.menuButton.value_or(0);
  record.hasMinimize = (style & WS_MINIMIZEBOX) ? 1 : 0;
  record.hasMaximize = (style & WS_MAXIMIZEBOX) ? 1 : 0;
  record.titleButtonsActive = options.titleButtonsActive.value_or(1);
  record.closeButton = 1;
  record.sizable = options.sizable.value_or(1);
  record.captionText = options.captionText.value_or(1);
  record.captionGloss = options.captionGloss.value_or(0);
  record.backgroundMode = options.backgroundMode.value_or(settings_.defaultBackgroundMode);
  record.maxTrackWidth = GetSystemMetrics(SM_CXSCREEN);
  record.maxTrackHeight = GetSystemMetrics(SM_CYSCREEN);

  if (!options.backgroundPicture.empty()) {
    record.backgroundKey = AverageColour(options.backgroundPicture);
    if (record.backgroundMode == 0 || record.backgroundMode == 1)
      record.background = PreparePicture(options.backgroundPicture, record.backgroundKey, record.backgroundMode == 1);
    else
      record.background.assign(options.backgroundPicture.begin(), options.backgroundPicture.end());
  }

  record.captionColour = 0xFFFFFF;
  record.captionColour2 = 0x808080;
  record.captionFont = std::string(kSongTi);
  record.captionFontSize = 12;
  record.captionStyle = 1;

  for (TitleButtonKind kind : StandardTitleButtons(record.helpButton, record.menuButton, record.hasMinimize,
                                                   record.hasMaximize)) {
    TitleButton button;
    button.kind = kind;
    button.caption = std::string(TitleCaption(kind));
    record.titleButtons.push_back(std::move(button));
  }
  ApplyDpi(record, record.metrics.dpi);
  record.stripLeft = StripLeftAtEnrolment(client.right, record.stripWidth, record.metrics);
  record.stripTop = 0;

  windows_.push_back(std::move(owned));
  const int number = WindowCount();

  // The title buttons' tooltips come with the first move of the mouse over the
  // window (EnsureTooltips): nothing shows them before, and start-up is spared the
  // window.
  LayoutTitleButtons(number);
  if (options.menuCount > 0) AttachMenu(record, options.menuItems);
  ExtraLayout(number);

  // The window's procedure first: a window that cannot be skinned keeps its style
  // and its children as they were, none of them left enrolled in a record that is
  // gone.
  if (!ReplaceWindowProc(window, &WindowProcEntry, prop::kPrevious)) {
    TraceFailure(L"Replacing a skinned window's procedure");
    windows_.pop_back();
    return;
  }
  record.oldProc = reinterpret_cast<WNDPROC>(WindowProperty(window, prop::kPrevious));
  SetWindowProperty(window, prop::kNumber, number);
  SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(style | WS_SYSMENU));

  EnrolChildren(number, window);
  record.enrolled = 1;
  record.repaintAll = 1;
  // Composed now, so that a child painting before its window finds its background;
  // then the window, drawn without its skin so far, is drawn anew with its children.
  // The picture is fresh: the window's next WM_PAINT only copies it.
  FullPaint(number, nullptr, false);
  record.repaintAll = 0;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

int SkinEngine::SetControlSkinning(int enable, std::optional<int> veilAlpha, std::optional<int> trackbarStyle) {
  settings_.controlsEnabled = enable;
  settings_.veilAlpha = veilAlpha ? std::clamp(*veilAlpha, 0, 255) : kDefaultVeilAlpha;
  settings_.skinChildControls = veilAlpha ? 1 : 0;
  settings_.trackbarStyle = trackbarStyle.value_or(1);
  return settings_.trackbarStyle;
}

void SkinEngine::ApplyDpi(SkinWindowRecord& record, int dpi) {
  record.metrics = TitleMetrics::ForDpi(dpi);
  stripMargin_ = record.metrics.margin;
  record.captionHeight = CaptionHeightFor(record.requestedCaptionHeight, record.metrics);
  // The pictures drawn for the nearest scale.
  const int scaleStep = PictureScaleStep(dpi);
  for (TitleButton& button : record.titleButtons) {
    button.width = PictureWidth(button.kind, record.metrics);
    button.height = record.metrics.buttonHeight;
    button.picture = pictures::Embedded(TitlePicture(button.kind), scaleStep);
    if (button.kind == TitleButtonKind::Maximize)
      button.altPicture = pictures::Embedded(pictures::SkinPicture::Restore, scaleStep);
  }
  record.stripWidth = StripWidth(record.TitleKinds(), record.metrics);
  record.stripHeight = record.metrics.stripHeight;
  record.minTrackWidth = record.metrics.minTrackWidth;
  record.minTrackHeight = record.metrics.minTrackHeight;
  // Composed anew at the new scale: region, stretched picture, everything.
  record.regionSize = SIZE{0, 0};
  record.scaledBackground.Reset();
  record.repaintAll = 1;
}

void SkinEngine::EnrolChildren(int number, HWND parent) {
  SkinWindowRecord* record = Record(number);
  if (!record) return;
  EnrolPushButtons(*this, *record, number, parent);
  EnrolCheckAndRadioButtons(*this, *record, number, parent);
  EnrolEditsAndCombos(*this, *record, number, parent);
  EnrolTrackbars(*this, *record, number, parent);
  EnrolProgressBars(*this, *record, number, parent);
  EnrolLists(*this, *record, number, parent);
  SubclassUpDowns(*this, *record, number, parent);
  SubclassHeaders(*this, *record, number, parent);
}

void SkinEngine::DestroyRecord(HWND window) {
  const int number = WindowNumberOf(window);
  if (!number) return;
  // The record owns the brushes of its controls, its memory DCs and their bitmaps,
  // and its tooltip window: all go with it.
  std::unique_ptr<SkinWindowRecord> record = std::move(windows_[number - 1]);
  windows_.erase(windows_.begin() + (number - 1));
  record->backgroundBitmap.reset();
  record->scaledBackground.Reset();
  Renumber();
}

void SkinEngine::Renumber() {
  for (int k = 1; k <= WindowCount(); ++k) {
    SkinWindowRecord& record = *windows_[k - 1];
    SetWindowProperty(record.window, prop::kNumber, k);
    auto renumber = [k](const auto& list) {
      for (const auto& control : list)
        if (control->window) SetWindowProperty(control->window, prop::kWindowNumber, k);
    };
    renumber(record.buttons);
    renumber(record.edits);
    renumber(record.lists);
    renumber(record.trackbars);
    renumber(record.progressBars);
    renumber(record.combos);
    renumber(record.upDownControls);
    renumber(record.headerControls);
    renumber(record.subWindows);
    for (const auto& control : record.transparentControls)
      if (control->window) SetWindowProperty(control->window, prop::kTransparentWindowNumber, k);
  }
}

void SkinEngine::AfterSize(HWND window) {
  SkinWindowRecord* record = Record(WindowNumberOf(window));
  if (!record) return;
  RECT client;
  GetClientRect(window, &client);
  const TitleMetrics& m = record->metrics;
  for (const auto& [child, top] : record->dockedChildren)
    if (child)
      MoveWindow(child, m.dockInset, top, client.right - 2 * m.dockInset,
                 client.bottom - top - record->extraCount - m.dockBottom, TRUE);
}

void SkinEngine::AttachMenu(SkinWindowRecord& record, std::span<const std::string> items) {
  record.itemList.clear();
  int id = 1;
  for (const std::string& text : items) record.itemList.push_back({id++, text, {}, 0});
  record.extraCount = static_cast<int>(record.itemList.size());
  record.menuBar[2] = 0;
  record.menuBar[3] = 0xFFFFFF;
  record.menuFont = std::string(kSongTi);
  record.menuFontSize = 12;
}

void SkinEngine::ExtraLayout(int number) {
  // The menu items stand in a row under the caption, each as wide as its text
  // needs at the menu font's size (an even estimate: the font is not measured here).
  SkinWindowRecord* record = Record(number);
  if (!record || record->itemList.empty()) return;
  record->rectList.clear();
  const TitleMetrics& m = record->metrics;
  int x = m.Scale(6);
  const int top = record->captionHeight;
  const int height = m.Scale(20);
  for (const MenuItem& item : record->itemList) {
    const int width = m.Scale(12) + static_cast<int>(item.text.size()) * m.Scale(record->menuFontSize) / 2;
    record->rectList.push_back(RECT{x, top, x + width, top + height});
    x += width;
  }
}

void SkinEngine::CaptionTextChanged(HWND window, std::string_view text) {
  const int number = WindowNumberOf(window);
  SkinWindowRecord* record = Record(number);
  if (!record || !record->mainDc) return;
  // The caption is drawn anew over the background copy in dc2, then shown.
  RECT client;
  GetClientRect(window, &client);
  const int band = record->captionHeight;
  BitBlt(record->mainDc.Dc(), 0, 0, client.right, band, record->dc2.Dc(), 0, 0, SRCCOPY);
  PaintCaption(*record, record->mainDc.Dc(), client.right, text);
  // The buttons keep the look their hover fade has given them.
  PaintTitleButtonsAsTheyAre(number);
  WindowDc dc = WindowDc::ClientWithoutChildren(window);
  if (dc) BitBlt(dc.Get(), 0, 0, client.right, band, record->mainDc.Dc(), 0, 0, SRCCOPY);
}

gfx::Bitmap* SkinEngine::Picture(PictureBytes bytes) {
  if (bytes.empty()) return nullptr;
  auto found = pictures_.find(bytes.data());
  if (found != pictures_.end()) return found->second.get();
  std::unique_ptr<gfx::Bitmap> bitmap = DecodeHeaderedPicture(bytes);
  if (!bitmap) TraceNote(L"An embedded picture could not be decoded");
  return pictures_.emplace(bytes.data(), std::move(bitmap)).first->second.get();
}

gfx::Bitmap* SkinEngine::ThemeBitmap() {
  if (!themeBitmap_ && !settings_.themePicture.empty()) themeBitmap_ = DecodePicture(settings_.themePicture);
  return themeBitmap_.get();
}

gfx::Bitmap* SkinEngine::OwnBackgroundBitmap(SkinWindowRecord& record) {
  if (!record.backgroundBitmap && !record.background.empty()) record.backgroundBitmap = DecodePicture(record.background);
  return record.backgroundBitmap.get();
}

HICON SkinEngine::WindowIcon(int size) {
  if (size == ScaleForDpi(17, WindowDpi(nullptr)) && settings_.windowIcon) return settings_.windowIcon.Get();
  auto found = icons_.find(size);
  if (found == icons_.end()) found = icons_.emplace(size, UniqueIcon(LoadWindowIcon(size))).first;
  return found->second ? found->second.Get() : settings_.windowIcon.Get();
}

const gfx::Font* SkinEngine::CachedFont(std::string_view face, float pixelSize, int style) {
  auto key = std::make_tuple(std::string(face), pixelSize, style);
  auto found = fonts_.find(key);
  if (found == fonts_.end()) {
    auto font = std::make_unique<gfx::Font>();
    if (!MakeFont(*font, face, pixelSize, style)) font.reset();
    found = fonts_.emplace(std::move(key), std::move(font)).first;
  }
  return found->second.get();
}

void RepaintOnNotification(HWND sender, unsigned code) {
  // An edit with scroll bars redraws the lines it changes itself, over its erased
  // background: only its scrolling needs the whole of it drawn again.
  const bool scrollBars = (GetWindowLongPtrW(sender, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) != 0;
  const bool repaint =
      (IsClass(sender, L"Edit") &&
       (code == EN_VSCROLL || code == EN_HSCROLL || (!scrollBars && (code == EN_CHANGE || code == EN_UPDATE)))) ||
      (IsClass(sender, L"ListBox") && (code == LBN_SELCHANGE || code == LBN_SELCANCEL)) ||
      (IsClass(sender, L"ComboBox") && (code == CBN_KILLFOCUS || code == CBN_SELCHANGE));
  if (repaint) InvalidateRect(sender, nullptr, TRUE);
}

// --- brushes for the control-colour messages --------------------------------

HBRUSH SkinEngine::HollowBrush(HWND control, HDC dc) {
  SetTextColor(dc, static_cast<COLORREF>(WindowProperty(control, prop::kTextColour)));
  SetBkMode(dc, TRANSPARENT);
  ForgetControlBrush(control);
  auto* brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  SetWindowPropertyPointer(control, prop::kBrush, brush);
  return brush;
}

HBRUSH SkinEngine::PictureBrush(HWND control, HDC dc) {
  SkinWindowRecord* record = Record(WindowNumberOfControl(control));
  if (!record) return nullptr;
  SetTextColor(dc, static_cast<COLORREF>(WindowProperty(control, prop::kTextColour)));
  SetBkMode(dc, TRANSPARENT);
  ForgetControlBrush(control);
  DibCanvas background = BackgroundUnder(control, true, true);
  if (!background) return nullptr;
  ControlBrush owned;
  owned.bitmap.Reset(background.TakeBitmap());
  owned.brush.Reset(CreatePatternBrush(owned.bitmap.Get()));
  if (!owned.brush) {
    TraceFailure(L"Creating a control's background brush");
    return nullptr;
  }
  HBRUSH brush = owned.brush.Get();
  SetWindowPropertyPointer(control, prop::kBrush, brush);
  SetWindowPropertyPointer(control, prop::kBrushBitmap, owned.bitmap.Get());
  record->controlBrushes[control] = std::move(owned);
  return brush;
}

void SkinEngine::ForgetControlBrush(HWND control) {
  if (SkinWindowRecord* record = Record(WindowNumberOfControl(control))) record->controlBrushes.erase(control);
  RemoveWindowProperties(control, {prop::kBrush, prop::kBrushBitmap});
}

DibCanvas SkinEngine::BackgroundUnder(HWND control, bool clientArea, bool veil) {
  RECT area;
  if (clientArea) {
    GetClientRect(control, &area);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    GetWindowRect(control, &area);
  }
  const int width = std::max<int>(area.right - area.left, 1), height = std::max<int>(area.bottom - area.top, 1);
  DibCanvas canvas = DibCanvas::Create(width, height);
  if (!canvas) return canvas;

  // The source: the memory DC of the sub-window the control was placed in, or the
  // composed background of its skinned window.
  HDC source = nullptr;
  HWND sourceWindow = nullptr;
  if (HWND container = WindowPropertyPointer<HWND__>(control, prop::kContainer)) {
    source = WindowPropertyPointer<HDC__>(container, prop::kContainerDc);
    sourceWindow = container;
  }
  SkinWindowRecord* record = Record(WindowNumberOfControl(control));
  if (!source && record && record->mainDc) {
    source = record->mainDc.Dc();
    sourceWindow = record->window;
  }
  if (!source) {
    // Nothing composed yet: the theme colour, so the control is not left black.
    FillWithColour(canvas, settings_.themeColour);
    return canvas;
  }
  POINT origin{area.left, area.top};
  ScreenToClient(sourceWindow, &origin);
  // What lies beyond the composed picture (a drop-down list hanging below its
  // window) shows the theme colour.
  const bool beyond = record && source == record->mainDc.Dc() &&
                      (origin.x < 0 || origin.y < 0 || origin.x + width > record->mainDc.Width() ||
                       origin.y + height > record->mainDc.Height());
  if (beyond) FillWithColour(canvas, settings_.themeColour);
  BitBlt(canvas.Dc(), 0, 0, width, height, source, origin.x, origin.y, SRCCOPY);

  if (record) {
    if (const SubWindowRecord* sub = FilledSubWindowAround(*record, control)) {
      RECT subArea;
      GetWindowRect(sub->window, &subArea);
      OffsetRect(&subArea, -area.left, -area.top);
      PaintSubWindowFill(canvas, subArea, *sub, record->metrics.dpi);
    }
  }
  if (veil && settings_.veilAlpha > 0) Veil(canvas, settings_.veilAlpha);
  return canvas;
}

}  // namespace ornivex::skin
