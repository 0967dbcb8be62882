#pragma once
// The skin engine: draws a top-level window's caption, frame, fading title buttons
// and background itself, and makes its child controls look transparent over that
// background, all by subclassing. One engine serves the whole program.
//
//   SkinEngine engine(StartSkinModule());      // GDI+ started, icon loaded
//   engine.SetTheme({}, pictureBytes, 0xFF8800, 0xFF8800, 3);
//   engine.SetControlSkinning(1, 0);
//   engine.SkinWindow(window, {.captionHeight = 20});
//
// Every operation runs on the thread that owns the windows. Failures are silent:
// an operation that cannot do its work does nothing (and traces why).
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "runtime/handles.h"
#include "skin/records.h"

namespace ornivex::gfx {
class Bitmap;
class Font;
class Graphics;
}  // namespace ornivex::gfx

namespace ornivex::skin {

inline constexpr COLORREF kDefaultAccent = 0xDDCA22;
inline constexpr int kDefaultVeilAlpha = 160;

// Values shared by every skinned window and control.
struct SkinSettings {
  ULONG_PTR gdiplusToken = 0;
  bool gdiplusStarted = false;
  UniqueIcon windowIcon;            // drawn in the caption
  int firstSize = 1;                // cleared by the first WM_SIZE of any skinned window
  int controlsEnabled = 1;          // transparent painting of child controls
  int veilAlpha = kDefaultVeilAlpha;  // white veil over the background behind edit-like controls
  COLORREF accent = kDefaultAccent;
  int trackbarStyle = 1;
  int skinChildControls = 0;  // enrolment of child controls and their colour messages
  int defaultBackgroundMode = 4;
  // The theme: the prepared background picture (PNG bytes, empty for none) and
  // the colour used where no picture covers.
  Bytes themePicture;
  COLORREF themeColour = 0;
};

// The module's start-up: GDI+ (version 1) started and its token kept, the window
// icon loaded (resource 129 of the program, else the icon named "DEFAULT_ICON"),
// every other setting at its default.
SkinSettings StartSkinModule();

// Optional arguments of SkinWindow; an empty optional takes the default.
struct SkinWindowOptions {
  int captionHeight = 25;  // raised to 25 when smaller
  std::optional<int> titleButtonsActive;  // 1
  std::optional<int> sizable;             // 1: edge sizing and double-click maximize
  std::optional<int> helpButton;          // 0
  std::optional<int> menuButton;          // 0
  std::optional<int> captionText;         // 1
  std::optional<int> captionGloss;        // 0
  int menuCount = 0;                      // > 0 attaches a menu with menuItems
  std::vector<std::string> menuItems;     // GBK
  std::span<const std::uint8_t> backgroundPicture;  // the window's own picture file
  std::optional<int> backgroundMode;      // the module's default background mode
};

class SkinEngine {
 public:
  explicit SkinEngine(SkinSettings settings);
  // Destroys the window icon and stops GDI+ with the kept token.
  ~SkinEngine();
  SkinEngine(const SkinEngine&) = delete;
  SkinEngine& operator=(const SkinEngine&) = delete;

  // The engine the installed procedures reach; null when none exists.
  static SkinEngine* Instance();

  // The procedure of every skinned top-level window.
  LRESULT WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // The action of title button `button` (1-based) of window `number`.
  void TitleButtonAction(int number, int button);
  // Gives `window` the skin; a window already skinned is left as it is.
  void SkinWindow(HWND window, const SkinWindowOptions& options);

  // The theme of every skinned window: background picture (a file name in GBK, or
  // the bytes of a picture file), base colour, accent colour (-1: follow the theme
  // colour) and background mode. Repaints every visible skinned window.
  void SetTheme(std::string_view pictureFile, std::span<const std::uint8_t> pictureBytes,
                std::optional<COLORREF> baseColour, std::optional<long long> accent = std::nullopt,
                std::optional<int> mode = std::nullopt);
  COLORREF GetThemeColour() const { return settings_.themeColour; }

  // The control-skinning switch: controls enabled, the veil alpha (160 when not
  // given; giving one also turns on the skinning of child controls) and the
  // trackbar style flag (1 when not given). Returns the new trackbar style flag.
  int SetControlSkinning(int enable, std::optional<int> veilAlpha = std::nullopt,
                         std::optional<int> trackbarStyle = std::nullopt);

  // Registers a container inside a skinned window as a sub-window: it paints the
  // skin's background under itself (unless `transparentBackground` is 0), with
  // `colour` at `alpha` over it (255 when not given) and a soft frame when `frame`
  // is 1; a group box draws its frame and caption. Its children are enrolled.
  // Returns its 1-based entry (the existing one when registered before), 0 when
  // the window lies in no skinned window.
  int AddSubWindow(HWND window, int transparentBackground, COLORREF colour, std::optional<int> alpha = std::nullopt,
                   int frame = 0);
  void SetSubWindowAlpha(HWND window, int alpha);
  // The text colour of a control's colour messages; a combo box's goes to its edit.
  void SetControlTextColour(HWND window, COLORREF colour);
  // Registers a control of any class as transparent: its own painting is laid over
  // the skin's background (under the veil), `keyColour` (the button face when not
  // given) letting the background through. A control with children is also made a
  // sub-window, with `colour` at `alpha` and no background of its own, so that its
  // children's colour messages are answered. Returns its 1-based entry (the existing
  // one when registered before), 0 when it lies in no skinned window.
  int AddTransparentControl(HWND window, std::optional<COLORREF> keyColour = std::nullopt, COLORREF colour = 0,
                            std::optional<int> alpha = std::nullopt);

  // Title bar (layout, hit tests, moving and sizing, painting).
  void LayoutTitleButtons(int number);
  // The tooltip window of the title buttons, one tool per button, made once.
  void EnsureTooltips(SkinWindowRecord& record);
  int HitTestTitleButton(int number, int x, int y);
  int FindMaximizeButton(int number);
  void BodyMouseDown(int number, LPARAM lparam, const RECT& client);
  void BodyMouseMove(int number, LPARAM lparam, const RECT& client);
  // The window's system menu at a point of the screen, its items offered as a
  // system caption offers them; the item chosen goes to the window as
  // WM_SYSCOMMAND.
  void ShowSystemMenu(int number, POINT screen);
  void RefreshPaint(int number, HDC dc);
  void PaintTitleButton(int number, int button, bool pressed, int hotAlpha, bool toScreen = true);
  // Draws every title button into the composed picture as it looks now: pressed
  // while held, else at the alpha its fade has reached. None when the window's
  // title buttons are off.
  void PaintTitleButtonsAsTheyAre(int number);

  // Window painting.
  void FullPaint(int number, HDC target, bool copyToScreen);

  // The extra layout (menu items) and the caption text being replaced.
  void ExtraLayout(int number);
  void CaptionTextChanged(HWND window, std::string_view text);
  // Keeps the docked children of a window filling its client area.
  void AfterSize(HWND window);

  // Lookups: the window number of a skinned window (0 when not skinned), and of the
  // skinned window a control lies in.
  int WindowNumberOf(HWND window) const;
  int WindowNumberOfControl(HWND control) const;
  SkinWindowRecord* Record(int number);
  const SkinWindowRecord* Record(int number) const;
  int WindowCount() const { return static_cast<int>(windows_.size()); }

  // The brushes that make a child control look transparent: the hollow brush
  // (buttons, list boxes) and the picture brush (edit boxes, static controls), both
  // answering a control-colour message for `control` on `dc`.
  // The brush and its bitmap stay until the next colour message of the control,
  // the control's destruction (ForgetControlBrush) or the window's.
  HBRUSH HollowBrush(HWND control, HDC dc);
  HBRUSH PictureBrush(HWND control, HDC dc);
  void ForgetControlBrush(HWND control);
  // The composed background under `control` (its client area, or its whole window
  // rectangle), in a new canvas of that size; with `veil`, covered by white at the
  // veil alpha. Filled with the theme colour while nothing is composed yet.
  DibCanvas BackgroundUnder(HWND control, bool clientArea, bool veil);

  // A picture the program carries ({1, length} header, then PNG), decoded once.
  gfx::Bitmap* Picture(PictureBytes bytes);
  // The window icon at `size` pixels, loaded once per size.
  HICON WindowIcon(int size);
  // A font by face (GBK), pixel size and style, made once (see MakeFont); null when
  // no font could be made.
  const gfx::Font* CachedFont(std::string_view face, float pixelSize, int style);

  SkinSettings& Settings() { return settings_; }
  const SkinSettings& Settings() const { return settings_; }

  // The routine started on a thread of its own when the program is deactivated.
  void SetDeactivationRoutine(LPTHREAD_START_ROUTINE routine) { deactivation_ = routine; }

  // The title button under the mouse at the last hit test.
  int HotButton() const { return hotButton_; }
  int TitleStripMargin() const { return stripMargin_; }

 private:
  friend struct WindowMessages;

  void DestroyRecord(HWND window);
  void Renumber();
  // Copies the background picture, scaled to the window's size, into `target`;
  // false when the picture is not scaled (or there is none): PaintBackground draws it.
  bool CopyScaledBackground(SkinWindowRecord& record, HDC target, int width, int height);
  void PaintBackground(gfx::Graphics& graphics, SkinWindowRecord& record, int width, int height, bool pictureCopied);
  void PaintFrame(SkinWindowRecord& record, gfx::Graphics& graphics, int width, int height);
  void PaintCaption(SkinWindowRecord& record, HDC dc, int width, std::string_view text);
  void PaintMenuItems(SkinWindowRecord& record, gfx::Graphics& graphics);
  void AttachMenu(SkinWindowRecord& record, std::span<const std::string> items);
  void ShapeWindow(SkinWindowRecord& record, int width, int height);
  // Gives a window's caption, title buttons and composition the metrics and
  // pictures of a DPI.
  void ApplyDpi(SkinWindowRecord& record, int dpi);
  // Enrols the child controls of `parent` in window `number`, family by family.
  void EnrolChildren(int number, HWND parent);
  // The decoded theme picture, rebuilt when the theme changes.
  gfx::Bitmap* ThemeBitmap();
  gfx::Bitmap* OwnBackgroundBitmap(SkinWindowRecord& record);

  SkinSettings settings_;
  int stripMargin_ = 3;
  int hotButton_ = 0;
  LPTHREAD_START_ROUTINE deactivation_ = nullptr;
  std::vector<std::unique_ptr<SkinWindowRecord>> windows_;
  std::map<const std::uint8_t*, std::unique_ptr<gfx::Bitmap>> pictures_;
  std::unique_ptr<gfx::Bitmap> themeBitmap_;
  std::map<int, UniqueIcon> icons_;
  std::map<std::tuple<std::string, float, int>, std::unique_ptr<gfx::Font>> fonts_;
};

}  // namespace ornivex::skin
