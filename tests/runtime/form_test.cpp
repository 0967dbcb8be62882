#include "runtime/form.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/dialogs.h"
#include "runtime/threads.h"

namespace ornivex {
namespace {

constexpr FontDef kBigFont{.height = -20, .weight = 700, .charset = 134, .face = "Verdana"};

const ControlDef kControls[] = {
    {.name = "frame", .kind = ControlKind::GroupBox, .bounds = {5, 5, 200, 150}, .text = "\xBF\xF2" /* 框 */},
    {.name = "edit", .kind = ControlKind::EditBox, .parent = "frame", .bounds = {10, 20, 100, 24},
     .text = "abc", .font = &kBigFont, .style = WS_BORDER | ES_AUTOHSCROLL,
     .textColour = RGB(255, 0, 0), .backColour = RGB(255, 255, 255)},
    {.name = "inner", .kind = ControlKind::PushButton, .parent = "frame", .bounds = {120, 20, 60, 24},
     .text = "in"},
    {.name = "outer", .kind = ControlKind::PushButton, .bounds = {210, 5, 60, 24}, .text = "out"},
    {.name = "label", .kind = ControlKind::Label, .bounds = {210, 40, 60, 60}, .text = "one two three",
     .transparent = true, .wordWrap = true},
    {.name = "dialog", .kind = ControlKind::CommonDialog, .text = "A|*.a|B|*.b"},
};

const FormDef kForm{.caption = "\xB2\xE2\xCA\xD4" /* 测试 */,
                    .bounds = {10, 10, 300, 200},
                    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                    .controls = kControls};

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

TEST(Form, BuildsControlsInsideTheirContainers) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  wchar_t caption[16] = {};
  GetWindowTextW(form->Handle(), caption, 16);
  EXPECT_STREQ(caption, L"\u6d4b\u8bd5");

  HWND frame = form->Control("frame");
  HWND edit = form->Control("edit");
  ASSERT_TRUE(frame && edit);
  EXPECT_EQ(GetParent(edit), frame);
  EXPECT_EQ(GetParent(form->Control("outer")), form->Handle());
  EXPECT_EQ(form->Control("dialog"), nullptr);  // a dialog has no window
  EXPECT_EQ(form->Control("nothing"), nullptr);

  RECT r;
  GetWindowRect(edit, &r);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right - r.left, 100);

  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -20);
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfCharSet, 134);
  EXPECT_STREQ(font.lfFaceName, L"Verdana");
  // Controls without a font get the GUI font in the Chinese character set.
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form->Control("outer"), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);

  ASSERT_NE(form->Dialog("dialog"), nullptr);
  EXPECT_EQ(form->Dialog("dialog")->FileName(), L"");
}

TEST(Form, ClicksAndFocusLossReachTheirHandlersThroughContainers) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  int inner = 0, outer = 0, lost = 0;
  form->OnClicked("inner", [&] { ++inner; });
  form->OnClicked("outer", [&] { ++outer; });
  form->OnLostFocus("edit", [&] { ++lost; });
  form->Show();
  SendMessageW(form->Control("inner"), BM_CLICK, 0, 0);
  SendMessageW(form->Control("outer"), BM_CLICK, 0, 0);
  SendMessageW(form->Control("outer"), BM_CLICK, 0, 0);
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 2);
  SetFocus(form->Control("edit"));
  SetFocus(form->Control("outer"));
  EXPECT_EQ(lost, 1);
}

TEST(Form, CreatedIsRaisedOnceWithTheWindowShown) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  int created = 0;
  bool visible = false;
  form->OnCreated([&] {
    ++created;
    visible = IsWindowVisible(form->Handle());
  });
  form->Show();
  form->Show(SW_HIDE);
  form->Show();
  EXPECT_EQ(created, 1);
  EXPECT_TRUE(visible);
}

TEST(Form, ControlColoursComeFromTheTable) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
  HDC dc = memory.Get();
  // The edit box is inside the group box: its colour request goes there first.
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(form->Control("frame"), WM_CTLCOLOREDIT,
                                                     reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(form->Control("edit"))));
  ASSERT_NE(brush, nullptr);
  LOGBRUSH logbrush = {};
  GetObjectW(brush, sizeof logbrush, &logbrush);
  EXPECT_EQ(logbrush.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  // A transparent label paints no background.
  brush = reinterpret_cast<HBRUSH>(SendMessageW(form->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                reinterpret_cast<LPARAM>(form->Control("label"))));
  EXPECT_EQ(brush, GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
}

TEST(Form, ModalShowingDisablesTheOtherWindowsUntilClosed) {
  auto owner = Form::Create(kForm);
  ASSERT_TRUE(owner);
  owner->Show();
  auto modal = Form::Create(kForm);
  ASSERT_TRUE(modal);
  bool ownerDisabledMeanwhile = false;
  HWND modalWindow = modal->Handle();
  PostToWindowThread(modalWindow, [&] {
    ownerDisabledMeanwhile = !IsWindowEnabled(owner->Handle());
    PostMessageW(modalWindow, WM_CLOSE, 0, 0);
  });
  modal->ShowModal();
  EXPECT_FALSE(modal->IsOpen());
  EXPECT_TRUE(ownerDisabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));

  // Escape closes a modal form too.
  auto second = Form::Create(kForm);
  ASSERT_TRUE(second);
  HWND secondWindow = second->Handle();
  PostToWindowThread(secondWindow, [secondWindow] { PostMessageW(secondWindow, WM_KEYDOWN, VK_ESCAPE, 0); });
  second->ShowModal();
  EXPECT_FALSE(second->IsOpen());
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
}

TEST(Threads, WorkersChangeControlsOnlyThroughTheWindowThread) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  HWND edit = form->Control("edit");
  const DWORD uiThread = GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  ASSERT_TRUE(StartWorker([&, edit, window = form->Handle()] {
    PostToWindowThread(window, [&, edit] {
      ranOn = GetCurrentThreadId();
      AppendEditText(edit, "\xD6\xD0" /* 中 */);
    });
  }));
  ASSERT_TRUE(PumpMessagesUntil([&] { return ranOn != 0; }));
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_EQ(GetControlText(edit), "abc\xD6\xD0");
}

TEST(Threads, WorkPostedToAGoneWindowIsDroppedAndFreed) {
  auto form = Form::Create(kForm);
  HWND window = form->Handle();
  bool ran = false;
  auto held = std::make_shared<int>(0);  // each closure holds a reference
  EXPECT_TRUE(PostToWindowThread(window, [&, held] { ran = true; }));
  form.reset();  // destroyed with the work still queued
  EXPECT_FALSE(PostToWindowThread(window, [&, held] { ran = true; }));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_FALSE(ran);
  EXPECT_EQ(held.use_count(), 1);

  // Work posted while a window is being destroyed, after its queue was emptied,
  // is refused and freed rather than left in a message nobody will read.
  form = Form::Create(kForm);
  window = form->Handle();
  DiscardPostedWork(window);
  EXPECT_FALSE(PostToWindowThread(window, [&, held] { ran = true; }));
  EXPECT_EQ(held.use_count(), 1);
}

TEST(Threads, RunningWorkersAreCountedAndWaitedFor) {
  std::atomic<bool> release{false};
  ASSERT_TRUE(StartWorker([&] {
    while (!release) Sleep(5);
  }));
  EXPECT_EQ(RunningWorkers(), 1);
  EXPECT_FALSE(WaitForWorkers(50));
  release = true;
  EXPECT_TRUE(WaitForWorkers(5000));
  EXPECT_EQ(RunningWorkers(), 0);
}

TEST(Threads, PumpingStopsAtQuitAndLeavesItForTheOuterLoop) {
  PostQuitMessage(7);
  EXPECT_FALSE(PumpMessagesUntil([] { return false; }));
  EXPECT_EQ(RunMessageLoop(), 7);
}

TEST(Dialogs, FilterBarsBecomeSeparatorsEvenAfterAGbkTrailByte) {
  // 亅 is 81 7C in GBK: its trail byte is the bar's code and must not split it.
  const std::wstring filter = DialogFilter("A\x81\x7C|*.a|B|*.b");
  EXPECT_EQ(filter, std::wstring(L"A\u4e85\0*.a\0B\0*.b\0\0", 14));
}

// Cancels the next dialog once it is up, noting the file name it started with.
struct DialogCanceller {
  static inline std::wstring startName;
  static inline HWND dialog = nullptr;
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && !dialog) {
      wchar_t className[32] = {};
      GetClassNameW(reinterpret_cast<HWND>(wparam), className, 32);
      if (std::wstring(className) == L"#32770") {
        dialog = reinterpret_cast<HWND>(wparam);
        SetTimer(nullptr, 0, 100, Cancel);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static void CALLBACK Cancel(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    wchar_t name[MAX_PATH] = {};
    // The file name box of the explorer-style dialog (cmb13, or edt1 in older ones).
    if (!GetDlgItemTextW(dialog, 0x47C, name, MAX_PATH)) GetDlgItemTextW(dialog, 0x480, name, MAX_PATH);
    startName = name;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
};

TEST(Dialogs, OpenFileDialogStartsWithAndKeepsItsNameOnCancel) {
  auto form = Form::Create(kForm);
  ASSERT_TRUE(form);
  form->Show();
  OpenFileDialog* dialog = form->Dialog("dialog");
  ASSERT_NE(dialog, nullptr);
  dialog->SetFileName(L"\u626B\u63CF.png");  // 扫描.png
  UniqueHook hook(SetWindowsHookExW(WH_CBT, DialogCanceller::Hook, nullptr, GetCurrentThreadId()));
  const bool chosen = dialog->Show(form->Handle());
  hook.Reset();
  EXPECT_FALSE(chosen);
  ASSERT_NE(DialogCanceller::dialog, nullptr);
  EXPECT_EQ(DialogCanceller::startName, L"\u626b\u63cf.png");
  EXPECT_EQ(dialog->FileName(), L"\u626B\u63CF.png");
}

TEST(Controls, TextRoundTripsInGbk) {
  auto form = Form::Create(kForm);
  HWND edit = form->Control("edit");
  const std::string text = "\xC7\xEB\xD1\xA1\xD4\xF1 x\r\ny";  // 请选择 x CR LF y
  SetControlText(edit, text);
  EXPECT_EQ(GetControlText(edit), text);
  wchar_t wide[32] = {};
  GetWindowTextW(edit, wide, 32);
  EXPECT_STREQ(wide, L"\u8bf7\u9009\u62e9 x\r\ny");
  SetControlText(edit, "");
  EXPECT_EQ(GetControlText(edit), "");
}

}  // namespace
}  // namespace ornivex
