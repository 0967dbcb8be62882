#pragma once
// The title buttons' hover fade as a pure state machine. The window procedure feeds
// it mouse moves, timer ticks and the mouse leaving, and carries out the effects it
// answers with: painting buttons at an alpha, asking for mouse tracking, starting
// and stopping the 20 ms timer. No Windows header.
//
// A fade runs in 8 steps: fading in, step s shows alpha 30 s (30 ... 240); fading
// out, 240 - 30 s (210 ... 0). One button can fade in while another fades out.
#include <vector>

namespace ornivex::skin {

inline constexpr int kFadeSteps = 8;
inline constexpr int kFadeAlphaStep = 30;
inline constexpr int kFadeFullAlpha = kFadeSteps * kFadeAlphaStep;  // 240
inline constexpr int kFadeIntervalMs = 20;

struct Fade {
  int button = 0;  // 1-based title button, 0 none
  int step = 0;    // steps done, 0 .. kFadeSteps
  friend bool operator==(const Fade&, const Fade&) = default;
};

struct FadeState {
  int hoverButton = 0;       // the button shown hovered, 0 none
  bool mouseInside = false;  // a move or hover seen, and no leave since
  bool inBand = false;       // the pointer was in the strip's band at the last move
  Fade fadeIn;
  Fade fadeOut;
  bool timerRunning = false;
};

struct ButtonPaint {
  int button = 0;
  int alpha = 0;  // 0: the plain look
  friend bool operator==(const ButtonPaint&, const ButtonPaint&) = default;
};

struct FadeEffects {
  std::vector<ButtonPaint> paints;  // in this order
  bool trackMouse = false;          // ask for hover and leave notifications
  bool startTimer = false;
  bool stopTimer = false;
};

// The pointer moved to (a point over) title button `hot` (0 none); `inBand` tells
// whether it is in the strip's band.
FadeEffects FadeOnMouseMove(FadeState& state, int hot, bool inBand);
// A tick of the fade timer.
FadeEffects FadeOnTimer(FadeState& state);
// The pointer left the window.
FadeEffects FadeOnMouseLeave(FadeState& state);
// The system reported the pointer hovering in the window.
inline void FadeOnHover(FadeState& state) { state.mouseInside = true; }
// Everything starts afresh (the window was resized and is drawn anew with plain
// buttons): no button hovered or fading, the timer stopped.
FadeEffects FadeReset(FadeState& state);

// The alpha `button` shows now: as far as its fade-in or fade-out has come, full
// while it is hovered and its fade-in has ended, 0 otherwise. A button drawn anew
// (a new caption, a full repaint) is drawn at this alpha, so its look stays in
// step with the fade that goes on from there.
int FadeAlphaOf(const FadeState& state, int button);

}  // namespace ornivex::skin
