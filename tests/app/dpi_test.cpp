// The program at a display scale other than 100 %: run in a Wine prefix whose
// LogPixels is 144 or 192 (the test registration sets it). Every length is its
// 96-DPI value scaled, the skin's caption included, and a move to a monitor of
// another scale lays everything out again.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "app/forms.h"
#include "app/texts.h"
#include "runtime/dpi.h"
#include "runtime/layout.h"
#include "runtime/picture_box.h"
#include "tests/app/skinned_program.h"

namespace ornivex {
namespace {

using testing::Pump;

SIZE SizeOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

Rect RectInParent(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class ScaledProgram : public testing::SkinnedProgram {
 protected:
  void SetUp() override {
    dpi_ = WindowDpi(nullptr);
    ASSERT_NE(dpi_, 96) << "run in a prefix with another display scale";
    SkinnedProgram::SetUp();
  }

  // Everything that depends on the scale: window, controls, caption.
  void ExpectLaidOutFor(int dpi) {
    const Form& form = *App().mainWindow;
    EXPECT_EQ(form.Dpi(), dpi);
    const SIZE size = SizeOf(main_);
    EXPECT_EQ(size.cx, ScaleForDpi(kMainWindowWidth, dpi));
    EXPECT_EQ(size.cy, ScaleForDpi(kMainWindowHeight, dpi));
    for (const ControlDef& control : MainWindowDefinition().controls) {
      if (control.kind == ControlKind::CommonDialog) continue;
      EXPECT_EQ(RectInParent(MainControl(control.name)), ScaleRect(control.bounds, dpi)) << "at " << dpi;
    }
    const skin::SkinWindowRecord& record = Record();
    EXPECT_EQ(record.captionHeight, ScaleForDpi(25, dpi));
    // The close button's picture ends at the client's right edge, at its scaled
    // size, with its picture drawn for the nearest scale.
    const skin::TitleButton& close = record.titleButtons.back();
    RECT client;
    GetClientRect(main_, &client);
    EXPECT_EQ(close.bounds.x + static_cast<float>(close.width), static_cast<float>(client.right));
    EXPECT_EQ(close.width, ScaleForDpi(38, dpi));
    EXPECT_EQ(close.bounds.height, static_cast<float>(ScaleForDpi(18, dpi)));
    EXPECT_EQ(record.stripHeight, ScaleForDpi(22, dpi));
    const int x = static_cast<int>(close.bounds.x + close.bounds.width / 2);
    const int y = static_cast<int>(close.bounds.y + close.bounds.height / 2);
    EXPECT_EQ(Skin()->HitTestTitleButton(Skin()->WindowNumberOf(main_), x, y),
              static_cast<int>(record.titleButtons.size()));
  }

  int dpi_ = 96;
};

TEST_F(ScaledProgram, MainWindowControlsAndCaptionAreScaled) {
  const std::map<int, std::pair<int, int>> expected = {{144, {476, 806}}, {192, {634, 1074}}};
  if (auto found = expected.find(dpi_); found != expected.end()) {
    const SIZE size = SizeOf(main_);
    EXPECT_EQ(size.cx, found->second.first);
    EXPECT_EQ(size.cy, found->second.second);
  }
  ExpectLaidOutFor(dpi_);

  // The fixed size holds at this scale too.
  SetWindowPos(main_, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(SizeOf(main_).cx, ScaleForDpi(kMainWindowWidth, dpi_));
  EXPECT_EQ(SizeOf(main_).cy, ScaleForDpi(kMainWindowHeight, dpi_));
}

TEST_F(ScaledProgram, MovingToAMonitorOfAnotherScaleLaysOutAgain) {
  // This Wine never raises WM_DPICHANGED itself: sent as the system sends it,
  // with the rectangle the system suggests.
  const int other = dpi_ == 96 ? 144 : 96;
  const RECT suggested{20, 30, 20 + ScaleForDpi(kMainWindowWidth, other), 30 + ScaleForDpi(kMainWindowHeight, other)};
  SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
  Pump(100);
  RECT r;
  GetWindowRect(main_, &r);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 30);
  ExpectLaidOutFor(other);

  const RECT back{20, 30, 20 + ScaleForDpi(kMainWindowWidth, dpi_), 30 + ScaleForDpi(kMainWindowHeight, dpi_)};
  SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(dpi_, dpi_), reinterpret_cast<LPARAM>(&back));
  Pump(100);
  ExpectLaidOutFor(dpi_);
}

TEST_F(ScaledProgram, AboutWindowShowsTheLogoDrawnForItsScale) {
  std::unique_ptr<Form> about = Form::Create(AboutWindowDefinition());
  ASSERT_TRUE(about);
  HWND logo = about->Control(texts::kLogoBox);
  const SIZE picture = BoxPictureSize(logo);
  const Rect box = RectInParent(logo);
  EXPECT_EQ(box, ScaleRect(Rect{2, 1, 550, 166}, dpi_));
  // The logo is drawn for 100, 150 and 200 %: at those scales it fills its box;
  // between them it is shrunk to the box's width, never cut off.
  EXPECT_EQ(picture.cx, box.width);
  if (dpi_ == 144 || dpi_ == 192) EXPECT_EQ(picture.cy, box.height);
  else EXPECT_LE(picture.cy, box.height);
}

}  // namespace
}  // namespace ornivex
