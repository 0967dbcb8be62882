#pragma once
// Geometry of a skinned window's caption: the title-button strip, its layout and
// hit test, the sizing zones along the edges, and the maximized height. No Windows
// header: the window procedure asks these routines and does what they answer.
//
// Every length here is in device pixels for the window's DPI. The values at 96 DPI
// live in TitleMetrics's initialisers; TitleMetrics::ForDpi scales them all at once.
#include <span>
#include <vector>

#include "runtime/layout.h"

namespace ornivex::skin {

// Kinds of title buttons; the numbers are the ones stored in the records.
enum class TitleButtonKind : int { Close = 0, Maximize = 1, Minimize = 2, MainMenu = 3, Help = 4, Custom = 5 };

struct TitleMetrics {
  int dpi = 96;
  int minCaptionHeight = 25;  // a smaller requested caption height is raised to this
  int margin = 3;             // gap right of the strip at enrolment; width of the sizing edges
  int corner = 10;            // size of the sizing corners
  int stripHeight = 22;
  int buttonHeight = 18;
  int buttonWidth = 26;       // every button but close
  int closeWidth = 38;        // the close button's picture
  int closeHitWidth = 40;     // the close button's bounds
  int pitch = 27;             // from one button's left edge to the next one's
  int gap = 1;                // between two buttons in the strip's width
  int stripInsetX = 2;        // first button's offset from the strip's left edge
  int stripInsetY = 1;
  int minTrackWidth = 200;    // the smallest size the user can drag the window to
  int minTrackHeight = 150;
  int dockInset = 2;          // a docked child from the client's left and right edges
  int dockBottom = 3;         // ... and from its bottom

  // The metrics at `dpi`, every length scaled from its 96-DPI value.
  static TitleMetrics ForDpi(int dpi);
  // A 96-DPI length at this DPI (rounded to the nearest pixel).
  int Scale(int length96) const;
};


// The caption height a window gets for the height it asked for (scaled).
int CaptionHeightFor(int requested96, const TitleMetrics& m);

// The standard title buttons a window gets, left to right: help, main menu,
// minimize, maximize, close (close always).
std::vector<TitleButtonKind> StandardTitleButtons(bool help, bool menu, bool minimize, bool maximize);

// Width of a button's picture, and of its hit-test bounds.
int PictureWidth(TitleButtonKind kind, const TitleMetrics& m);
int BoundsWidth(TitleButtonKind kind, const TitleMetrics& m);

// Width of the strip: the pictures' widths, one gap between neighbours, and the
// margin.
int StripWidth(std::span<const TitleButtonKind> buttons, const TitleMetrics& m);

struct BoundsF {
  float x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const BoundsF&, const BoundsF&) = default;
};

struct StripLayout {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<BoundsF> buttons;  // one per title button, left to right
};

// Where the strip stands at enrolment, before the first layout.
int StripLeftAtEnrolment(int clientWidth, int stripWidth, const TitleMetrics& m);
// The strip and every button's bounds for a client width.
StripLayout LayoutStrip(std::span<const TitleButtonKind> buttons, int clientWidth, const TitleMetrics& m);

// The 1-based number of the button that holds (x, y) strictly inside its bounds
// (a point on a border is outside), 0 for none; only points within the strip's
// band count.
int HitTestStrip(const StripLayout& strip, int x, int y);
// The 1-based number of the first maximize button, 0 when there is none.
int FindMaximizeButton(std::span<const TitleButtonKind> buttons);

// The band that keeps the fade animation alive: the strip widened by the inset on
// its left, from the top down to the strip's height.
bool InFadeBand(const StripLayout& strip, int x, int y, const TitleMetrics& m);
// A press here belongs to the title buttons, not to moving or sizing.
bool InPressBand(const StripLayout& strip, int x, int y);

// A right click at (x, y) opens the window's system menu, as one on a system
// caption does: within the caption's height, off the title buttons' band.
bool OpensSystemMenu(const StripLayout& strip, int captionHeight, int x, int y);

// Which items of the system menu can be chosen, as a system caption offers
// them for a window in that state with those abilities.
struct SystemMenuChoices {
  bool restore = false;
  bool move = false;
  bool size = false;
  bool minimize = false;
  bool maximize = false;
  friend bool operator==(const SystemMenuChoices&, const SystemMenuChoices&) = default;
};
SystemMenuChoices SystemMenuChoicesFor(bool minimized, bool maximized, bool sizable, bool minimizeBox,
                                       bool maximizeBox);

// Sizing zones, in the order they are tried.
enum class SizingZone { None, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// The zone (x, y) falls in for a client area of w x h; None when not sizable.
SizingZone ZoneAt(int x, int y, int w, int h, bool sizable, const TitleMetrics& m);
// The WM_SYSCOMMAND code that starts the system's sizing loop for a zone
// (SC_SIZE plus the zone's code), 0 for None.
unsigned SizeCommandFor(SizingZone zone);
// The system cursor id for a zone (IDC_SIZEWE and friends), 0 for None.
int CursorIdFor(SizingZone zone);

// Height of a maximized window: the screen's height less the taskbar's.
int MaximizedHeight(int screenHeight, int taskbarHeight);

}  // namespace ornivex::skin
