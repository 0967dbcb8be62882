#pragma once
// A tooltip window whose tools are rectangles of one owner window.
#include <windows.h>

#include <string>
#include <string_view>

namespace ornivex::gfx {

class ToolTip {
 public:
  ToolTip() = default;
  ToolTip(const ToolTip&) = delete;
  ToolTip& operator=(const ToolTip&) = delete;

  // Creates the tooltip window for `owner` (balloon-shaped when asked). The window
  // is destroyed with its owner, or by the next Create. Returns it (0 on failure).
  HWND Create(HWND owner, bool balloon = false);
  // A tool over `rect` of the owner showing `text` (GBK).
  bool AddTool(const RECT& rect, std::string_view text, UINT_PTR id);
  // A tool whose text the owner supplies on demand (TTN_GETDISPINFO).
  bool AddToolCallback(const RECT& rect, UINT_PTR id);
  void SetTipBkColor(COLORREF color);
  void SetTipTextColor(COLORREF color);
  void SetMaxTipWidth(int width);
  void DelTool(UINT_PTR id);
  void NewToolRect(UINT_PTR id, const RECT& rect);
  void UpdateTipText(UINT_PTR id, std::string_view text);
  // A tool that is not tied to a rectangle: shown and placed by TrackTool, at a
  // point of the screen, until hidden there (the tooltip does not show it on its
  // own when the mouse rests).
  bool AddTrackingTool(std::wstring_view text, UINT_PTR id);
  // Shows the tracking tool with its stem at `screen`, or hides it.
  void TrackTool(UINT_PTR id, bool show, POINT screen = {});
  HWND GetHandle() const { return tip_; }
  HWND GetOwner() const { return owner_; }

 private:
  LRESULT SendTool(UINT message, UINT_PTR id, const RECT* rect, const wchar_t* text);

  HWND tip_ = nullptr;
  HWND owner_ = nullptr;
};

}  // namespace ornivex::gfx
