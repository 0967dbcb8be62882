#include "gallery.h"

#include "resources/skin_pictures.h"
#include "runtime/dpi.h"
#include "runtime/form.h"
#include "runtime/handles.h"
#include "runtime/subclass.h"
#include "skin/title_geometry.h"

namespace ornivex::skin::gallery {

namespace {

constexpr wchar_t kClass[] = L"OrnivexSkinGallery";
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

}  // namespace

void ApplyProgramTheme(SkinEngine& engine) {
  engine.SetTheme({}, pictures::SkinBackground(0), 0xFF8800, 0xFF8800, 3);
  engine.SetControlSkinning(1, 0);
}

Gallery Create(SkinEngine& engine, int x, int y, bool maximizeBox) {
  static const bool registered = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = GalleryProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    return RegisterClassExW(&wc) != 0;
  }();
  Gallery g;
  if (!registered) return g;
  const int dpi = WindowDpi(nullptr);
  auto S = [dpi](int v) { return ScaleForDpi(v, dpi); };
  g.window = CreateWindowExW(WS_EX_APPWINDOW, kClass, kTitle,
                             WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | (maximizeBox ? WS_MAXIMIZEBOX : 0), x, y, S(480),
                             S(520), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
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
  ShowWindow(g.window, SW_SHOWNORMAL);
  UpdateWindow(g.window);
  engine.SkinWindow(g.window, {.captionHeight = 20, .helpButton = 1, .menuButton = 1});
  g.number = engine.WindowNumberOf(g.window);
  Pump(50);
  return g;
}

void Pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  MSG msg;
  do {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

}  // namespace ornivex::skin::gallery
