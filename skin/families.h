#pragma once
// The families of child controls the skin takes over, as the engine enrols and
// dispatches them. Each family lives in a file of its own.
#include <windows.h>

#include "skin/records.h"

namespace ornivex::skin {

class SkinEngine;

// Whether `window` is of class `name`, compared as the system compares class names,
// without regard to case.
inline bool IsClass(HWND window, const wchar_t* name) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, 255);
  return lstrcmpiW(buffer, name) == 0;
}

// Calls `take` for every direct child of `parent` whose class is `className`
// (compared as the system compares class names, without regard to case). Walks the
// children itself: FindWindowEx looks classes up by name and misses the versioned
// classes of the common controls that a manifest brings in.
template <class Take>
void ForEachChildOfClass(HWND parent, const wchar_t* className, Take take) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsClass(child, className)) take(child);
}

// The first direct child of `parent` of that class, null when there is none.
inline HWND FirstChildOfClass(HWND parent, const wchar_t* className) {
  HWND found = nullptr;
  ForEachChildOfClass(parent, className, [&](HWND child) {
    if (!found) found = child;
  });
  return found;
}

// Buttons: push buttons become owner-drawn; check boxes and automatic radio
// buttons are painted by the skin.
void EnrolPushButtons(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
void EnrolCheckAndRadioButtons(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
// Paints an owner-drawn item the skin knows (a push button of a buttons list);
// false for any other item, left to whoever owns it.
bool DrawOwnerDrawnItem(SkinEngine& engine, const DRAWITEMSTRUCT& item);

// Edit boxes (the edit of a combo box too) get the window's background behind their
// text and the engine's frame; combo boxes are painted by the engine.
void EnrolEditsAndCombos(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
// Trackbars and progress bars are painted over the background in the accent colour.
void EnrolTrackbars(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
void EnrolProgressBars(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);

// The list-like classes, in the order they are enrolled; a list record's kind.
enum class ListKind : int { ListBox, ComboList, ListView, TreeView, IpAddress, DateTime };
// List boxes, the embedded lists of combo boxes, list views, tree views, IP-address
// fields and date-time pickers show the background and wear the engine's frame.
void EnrolLists(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
// Posted to (or sent to) an enrolled list-like control: it repaints itself.
inline constexpr UINT kRepaintListMessage = 0x8002;

// Up-down controls and column headers (stand-alone ones and those of list views),
// painted by the engine; only while controls enabled is on.
void SubclassUpDowns(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);
void SubclassHeaders(SkinEngine& engine, SkinWindowRecord& record, int number, HWND parent);

// The repaint a control needs after a notification its parent received in
// WM_COMMAND: edit boxes after a scroll, and after a change or an update unless
// they have scroll bars (those redraw what they change); list boxes after a
// selection change or cancel; combo boxes after a selection change or losing focus.
void RepaintOnNotification(HWND sender, unsigned code);

}  // namespace ornivex::skin
