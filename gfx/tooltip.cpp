#include "gfx/tooltip.h"

#include <commctrl.h>

#include "runtime/codepage.h"

namespace ornivex::gfx {

HWND ToolTip::Create(HWND owner, bool balloon) {
  // The tooltip class lives in the common controls; make sure it is registered.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  // A second Create replaces the first window rather than leaving it behind.
  if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
  tip_ = nullptr;
  owner_ = owner;
  const DWORD style = TTS_ALWAYSTIP | (balloon ? TTS_BALLOON : 0);
  // Owned by `owner`, so that it goes when the owner is destroyed.
  tip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, L"", WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  return tip_;
}

LRESULT ToolTip::SendTool(UINT message, UINT_PTR id, const RECT* rect, const wchar_t* text) {
  if (!tip_) return 0;
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = owner_;
  info.uId = id;
  if (rect) info.rect = *rect;
  info.hinst = nullptr;
  info.lpszText = const_cast<wchar_t*>(text);
  return SendMessageW(tip_, message, 0, reinterpret_cast<LPARAM>(&info));
}

bool ToolTip::AddTool(const RECT& rect, std::string_view text, UINT_PTR id) {
  const std::wstring wide = GbkToWide(text);
  return SendTool(TTM_ADDTOOLW, id, &rect, wide.c_str()) != 0;
}

bool ToolTip::AddToolCallback(const RECT& rect, UINT_PTR id) {
  return SendTool(TTM_ADDTOOLW, id, &rect, LPSTR_TEXTCALLBACKW) != 0;
}

void ToolTip::SetTipBkColor(COLORREF color) {
  if (tip_) SendMessageW(tip_, TTM_SETTIPBKCOLOR, color, 0);
}

void ToolTip::SetTipTextColor(COLORREF color) {
  if (tip_) SendMessageW(tip_, TTM_SETTIPTEXTCOLOR, color, 0);
}

void ToolTip::SetMaxTipWidth(int width) {
  if (tip_) SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, width);
}

void ToolTip::DelTool(UINT_PTR id) { SendTool(TTM_DELTOOLW, id, nullptr, nullptr); }

void ToolTip::NewToolRect(UINT_PTR id, const RECT& rect) { SendTool(TTM_NEWTOOLRECTW, id, &rect, nullptr); }

void ToolTip::UpdateTipText(UINT_PTR id, std::string_view text) {
  const std::wstring wide = GbkToWide(text);
  SendTool(TTM_UPDATETIPTEXTW, id, nullptr, wide.c_str());
}

bool ToolTip::AddTrackingTool(std::wstring_view text, UINT_PTR id) {
  if (!tip_) return false;
  const std::wstring copy(text);
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  info.hwnd = owner_;
  info.uId = id;
  info.lpszText = const_cast<wchar_t*>(copy.c_str());
  return SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void ToolTip::TrackTool(UINT_PTR id, bool show, POINT screen) {
  if (!tip_) return;
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = owner_;
  info.uId = id;
  if (show) SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y));
  SendMessageW(tip_, TTM_TRACKACTIVATE, show, reinterpret_cast<LPARAM>(&info));
}

}  // namespace ornivex::gfx
