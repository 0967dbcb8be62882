#include "skin/fade.h"

namespace ornivex::skin {

namespace {

bool Running(const Fade& fade) { return fade.button >= 1 && fade.step < kFadeSteps; }

bool Animating(const FadeState& state) { return Running(state.fadeIn) || Running(state.fadeOut); }

// Starts the timer when there is something to animate and it is not running yet.
void KeepTimerForFades(FadeState& state, FadeEffects& effects) {
  if (Animating(state) && !state.timerRunning) {
    state.timerRunning = true;
    effects.startTimer = true;
  }
}

// `button` starts fading out. When it was still fading in, the fade-out starts at
// the alpha it had reached rather than jumping up to full, and the fade-in ends.
void StartFadeOut(FadeState& state, int button) {
  int step = 0;
  if (state.fadeIn.button == button && Running(state.fadeIn)) {
    step = kFadeSteps - state.fadeIn.step;
    state.fadeIn = {};
  }
  state.fadeOut = {button, step};
}

// `button` starts fading in, from the alpha a fade-out of it had reached.
void StartFadeIn(FadeState& state, int button) {
  int step = 0;
  if (state.fadeOut.button == button && Running(state.fadeOut)) {
    step = kFadeSteps - state.fadeOut.step;
    state.fadeOut = {};
  }
  state.fadeIn = {button, step};
}

}  // namespace

FadeEffects FadeOnMouseMove(FadeState& state, int hot, bool inBand) {
  FadeEffects effects;
  if (!state.mouseInside) {
    // A move is as good a sign as a hover report that the pointer is inside; the
    // leave notification asked for here says when it is not any more.
    effects.trackMouse = true;
    state.mouseInside = true;
  }
  state.inBand = inBand;
  if (state.hoverButton >= 1 && state.hoverButton != hot) {
    // A button still fading out is cut short: back to plain before the next one starts.
    if (Running(state.fadeOut) && state.fadeOut.button != state.hoverButton)
      effects.paints.push_back({state.fadeOut.button, 0});
    StartFadeOut(state, state.hoverButton);
  }
  if (hot >= 1 && hot != state.hoverButton) StartFadeIn(state, hot);
  state.hoverButton = hot;
  KeepTimerForFades(state, effects);
  return effects;
}

FadeEffects FadeOnTimer(FadeState& state) {
  FadeEffects effects;
  if (state.fadeIn.button >= 1 && state.fadeIn.step < kFadeSteps) {
    ++state.fadeIn.step;
    effects.paints.push_back({state.fadeIn.button, kFadeAlphaStep * state.fadeIn.step});
  }
  if (state.fadeOut.button >= 1 && state.fadeOut.step < kFadeSteps) {
    ++state.fadeOut.step;
    effects.paints.push_back({state.fadeOut.button, kFadeFullAlpha - kFadeAlphaStep * state.fadeOut.step});
  }
  const bool fadeOutDone = state.fadeOut.button == 0 || state.fadeOut.step >= kFadeSteps;
  if ((!state.mouseInside || !state.inBand) && fadeOutDone) {
    // The pointer is gone from the strip and the last fade-out has ended: idle.
    state.hoverButton = 0;
    state.fadeIn = {};
    state.fadeOut = {};
  }
  if (state.timerRunning && !Animating(state)) {
    // Nothing left to animate: no ticks while the pointer rests on a button.
    state.timerRunning = false;
    effects.stopTimer = true;
  }
  return effects;
}

FadeEffects FadeReset(FadeState& state) {
  FadeEffects effects;
  state.hoverButton = 0;
  state.fadeIn = {};
  state.fadeOut = {};
  if (state.timerRunning) {
    state.timerRunning = false;
    effects.stopTimer = true;
  }
  return effects;
}

int FadeAlphaOf(const FadeState& state, int button) {
  if (button < 1) return 0;
  // A hovered button is the one fading in (or done with it).
  if (state.hoverButton == button)
    return state.fadeIn.button == button ? kFadeAlphaStep * state.fadeIn.step : kFadeFullAlpha;
  if (state.fadeOut.button == button && Running(state.fadeOut))
    return kFadeFullAlpha - kFadeAlphaStep * state.fadeOut.step;
  return 0;
}

FadeEffects FadeOnMouseLeave(FadeState& state) {
  FadeEffects effects;
  state.mouseInside = false;
  if (state.hoverButton >= 1) {
    if (Running(state.fadeOut) && state.fadeOut.button != state.hoverButton)
      effects.paints.push_back({state.fadeOut.button, 0});
    StartFadeOut(state, state.hoverButton);
    state.hoverButton = 0;
  }
  KeepTimerForFades(state, effects);
  return effects;
}

}  // namespace ornivex::skin
