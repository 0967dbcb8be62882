#include "gallery.h"

#include <commctrl.h>

#include "resources/skin_pictures.h"
#include "runtime/dpi.h"
#include "runtime/form.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"
#include "skin/title_geometry.h"
#include "tests/support/pump.h"

namespace ornivex::skin::gallery {

namespace {

constexpr wchar_t kClass[] = L"OrnivexSkinGallery";
constexpr wchar_t kPanelClass[] = L"OrnivexSkinGalleryPanel";
constexpr int kOwnerDrawnId = 77;

// The owner-drawn button is the gallery's own: a plain flat face the skin leaves.
LRESULT CALLBACK GalleryProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (message == WM_DRAWITEM && GetDlgCtrlID(item->hwndItem) == kOwnerDrawnId) {
    UniqueBrush face(CreateSolidBrush(RGB(255, 236, 179)));
    FillRect(item->hDC, &item->rcItem, face.Get());
    FrameRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOWFRAME));
    wchar_t text[64] = {};
    GetWindowTextW(item->hwndItem, text, 64);
    RECT r = item->rcItem;
    SetBkMode(item->hDC, TRANSPARENT);
    DrawTextW(item->hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return TRUE;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The group box is not the skin's: it keeps the system's look, on the skin's
// background, which the gallery paints under it as any container would.
constexpr wchar_t kGroupPrevious[] = L"Gallery_hProc";
LRESULT CALLBACK GroupBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) {
    if (SkinEngine* engine = SkinEngine::Instance()) {
      DibCanvas background = engine->BackgroundUnder(box, true, false);
      RECT client;
      GetClientRect(box, &client);
      if (background) {
        BitBlt(reinterpret_cast<HDC>(wparam), 0, 0, client.right, client.bottom, background.Dc(), 0, 0, SRCCOPY);
        return 1;
      }
    }
  }
  return CallPreviousProcedure(kGroupPrevious, box, message, wparam, lparam);
}

// The sub-windows and transparent controls, children of the gallery window or of
// its panels.
void AddContainers(Gallery& g, int dpi) {
  auto S = [dpi](int v) { return ScaleForDpi(v, dpi); };
  auto child = [&](const char* name, const wchar_t* cls, const wchar_t* text, DWORD style, HWND parent, int left,
                   int top, int width, int height) {
    HWND made = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, S(left), S(top), S(width), S(height),
                                parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultControlFont()), FALSE);
    g.controls[name] = made;
    return made;
  };
  HWND calendar = child("calendar", MONTHCAL_CLASSW, L"", 0, g.window, 440, 34, 240, 170);
  const SYSTEMTIME day = {2026, 6, 0, 7, 0, 0, 0, 0};
  SendMessageW(calendar, MCM_SETTODAY, 0, reinterpret_cast<LPARAM>(&day));
  SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
  RECT fit = {};
  if (SendMessageW(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&fit)))
    SetWindowPos(calendar, nullptr, 0, 0, fit.right, fit.bottom, SWP_NOMOVE | SWP_NOZORDER);
  HWND trackbar = child("trackbar", TRACKBAR_CLASSW, L"", TBS_AUTOTICKS, g.window, 440, 212, 260, 32);
  SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SendMessageW(trackbar, TBM_SETPOS, TRUE, 6);
  HWND tabs = child("tabs", WC_TABCONTROLW, L"", 0, g.window, 440, 252, 260, 40);
  const wchar_t* tabNames[] = {L"\u6807\u7b7e\u4e00", L"\u6807\u7b7e\u4e8c", L"\u6807\u7b7e\u4e09"};
  for (int i = 0; i < 3; ++i) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(tabNames[i]);
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }

  // A plain panel: buttons and a text inside, a status bar along its bottom.
  HWND panel = child("panel", kPanelClass, L"", WS_CLIPCHILDREN, g.window, 16, 300, 200, 150);
  child("panelPush", L"BUTTON", L"\u9762\u677f\u6309\u94ae", BS_PUSHBUTTON, panel, 10, 10, 96, 28);
  child("panelCheck", L"BUTTON", L"\u9762\u677f\u52fe\u9009", BS_AUTOCHECKBOX, panel, 10, 46, 120, 22);
  child("panelText", L"STATIC", L"\u9759\u6001\u6587\u5b57 Static text", SS_LEFT, panel, 10, 76, 180, 20);
  child("status", STATUSCLASSNAMEW, L"\u72b6\u6001\u680f Status bar", 0, panel, 0, 0, 0, 0);  // lays itself out

  // A framed panel filled with white, holding a toolbar and a three-state box.
  HWND framed = child("framedPanel", kPanelClass, L"", WS_CLIPCHILDREN, g.window, 232, 300, 200, 150);
  HWND toolbar = child("toolbar", TOOLBARCLASSNAMEW, L"",
                       TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, framed, 10, 12,
                       180, 30);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  const wchar_t* toolNames[] = {L"\u6253\u5f00", L"\u4fdd\u5b58", L"\u5e2e\u52a9"};
  for (int i = 0; i < 3; ++i) {
    TBBUTTON button = {};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = 100 + i;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    button.iString = reinterpret_cast<INT_PTR>(toolNames[i]);
    SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  }
  HWND triState = child("triState", L"BUTTON", L"\u4e09\u6001\uff08\u900f\u660e\uff09", BS_AUTO3STATE, framed, 10,
                        60, 160, 24);
  SendMessageW(triState, BM_SETCHECK, BST_INDETERMINATE, 0);

  // A group box as a sub-window: frame, and its caption centred as its style asks.
  HWND group = child("groupPanel", L"BUTTON", L"\u5c45\u4e2d\u5206\u7ec4", BS_GROUPBOX | BS_CENTER | WS_CLIPCHILDREN,
                     g.window, 448, 300, 252, 150);
  child("groupCheck", L"BUTTON", L"\u7ec4\u5185\u52fe\u9009", BS_AUTOCHECKBOX, group, 12, 28, 140, 22);
}

// Registers the containers and transparent controls with the skin.
void SkinContainers(SkinEngine& engine, const Gallery& g) {
  engine.AddSubWindow(g["panel"], 1, GetSysColor(COLOR_BTNFACE), 0);
  engine.AddSubWindow(g["framedPanel"], 1, RGB(255, 255, 255), 90, 1);
  engine.AddSubWindow(g["groupPanel"], 1, GetSysColor(COLOR_BTNFACE), 0);
  for (const char* name : {"calendar", "tabs", "toolbar", "status", "triState", "trackbar", "panelCheck"})
    engine.AddTransparentControl(g[name]);
}

}  // namespace

void ApplyProgramTheme(SkinEngine& engine) {
  engine.SetTheme({}, pictures::SkinBackground(0), 0xFF8800, 0xFF8800, 3);
  engine.SetControlSkinning(1, 0);
}

Gallery Create(SkinEngine& engine, int x, int y, bool maximizeBox) {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    return RegisterWindowClass(kClass, GalleryProc, CS_DBLCLKS) &&
           RegisterWindowClass(kPanelClass, DefWindowProcW, 0) && InitCommonControlsEx(&controls);
  }();
  Gallery g;
  if (!registered) return g;
  const int dpi = WindowDpi(nullptr);
  auto S = [dpi](int v) { return ScaleForDpi(v, dpi); };
  g.window = CreateWindowExW(WS_EX_APPWINDOW, kClass, kTitle,
                             WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | (maximizeBox ? WS_MAXIMIZEBOX : 0),
                             x, y, S(720), S(520), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!g.window) return g;
  auto add = [&](const char* name, const wchar_t* text, DWORD style, int left, int top, int width, int height) {
    HWND child = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, S(left), S(top),
                                 S(width), S(height), g.window, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultControlFont()), FALSE);
    g.controls[name] = child;
    return child;
  };
  ReplaceWindowProc(add("groupBox", L"\u5206\u7ec4\u6846\uff08\u4e0d\u63a5\u7ba1\uff09", BS_GROUPBOX, 16, 196, 210, 90),
                    GroupBoxProc, kGroupPrevious);
  add("default", L"\u9ed8\u8ba4\u6309\u94ae", BS_DEFPUSHBUTTON, 16, 40, 100, 30);
  add("push", L"\u666e\u901a\u6309\u94ae", BS_PUSHBUTTON, 128, 40, 100, 30);
  EnableWindow(add("disabled", L"\u4e0d\u53ef\u7528", BS_PUSHBUTTON, 240, 40, 100, 30), FALSE);
  SendMessageW(add("checked", L"\u5df2\u52fe\u9009", BS_AUTOCHECKBOX, 16, 86, 100, 24), BM_SETCHECK, BST_CHECKED, 0);
  add("unchecked", L"\u672a\u52fe\u9009", BS_AUTOCHECKBOX, 128, 86, 100, 24);
  add("threeState", L"\u4e09\u6001\uff08\u4e0d\u63a5\u7ba1\uff09", BS_AUTO3STATE, 240, 86, 160, 24);
  SendMessageW(add("radio1", L"\u9009\u9879\u4e00", BS_AUTORADIOBUTTON | WS_GROUP, 16, 120, 100, 24), BM_SETCHECK,
               BST_CHECKED, 0);
  add("radio2", L"\u9009\u9879\u4e8c", BS_AUTORADIOBUTTON, 128, 120, 100, 24);
  add("plainRadio", L"\u666e\u901a\u5355\u9009\uff08\u4e0d\u63a5\u7ba1\uff09", BS_RADIOBUTTON | WS_GROUP, 240, 120, 170,
      24);
  SetWindowLongPtrW(add("ownerDrawn", L"\u81ea\u7ed8\u6309\u94ae\uff08\u4e0d\u63a5\u7ba1\uff09", BS_OWNERDRAW, 248, 226, 170, 30),
                    GWLP_ID, kOwnerDrawnId);
  AddContainers(g, dpi);
  ShowWindow(g.window, SW_SHOWNORMAL);
  UpdateWindow(g.window);
  engine.SkinWindow(g.window, {.captionHeight = 20, .helpButton = 1, .menuButton = 1});
  g.number = engine.WindowNumberOf(g.window);
  SkinContainers(engine, g);
  Pump(50);
  return g;
}

void Pump(int milliseconds) { testing::Pump(milliseconds); }

}  // namespace ornivex::skin::gallery
