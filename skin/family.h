#pragma once
// The one helper every family of skinned controls uses to enrol a control (its
// record, its properties, its procedure), to find the record again when a message
// arrives, and to pass the message on to the procedure it replaced.
//
// A family is a struct naming its record type, its list in the window record and a
// handler that is a thin switch over its message table:
//
//   struct Buttons {
//     using Record = ButtonRecord;
//     static constexpr auto kList = &SkinWindowRecord::buttons;
//     static std::optional<LRESULT> Handle(Record&, const WindowMessage&);  // nullopt: pass on
//   };
//   EnrolControl<Buttons>(window, number, child);
//
// A family whose controls may also be enrolled in another family (transparent
// controls) keeps its own property names: `static constexpr FamilyProperties
// kProperties = {...}`.
#include <optional>

#include "runtime/subclass.h"
#include "skin/engine.h"

namespace ornivex::skin {

// The properties a family keeps on its controls: the replaced procedure, the
// control's place in its list and its window's number.
struct FamilyProperties {
  const wchar_t* previous = prop::kPrevious;
  const wchar_t* number = prop::kNumber;
  const wchar_t* windowNumber = prop::kWindowNumber;
};

template <class Family>
constexpr FamilyProperties PropertiesOf() {
  if constexpr (requires { Family::kProperties; }) return Family::kProperties;
  else return FamilyProperties{};
}

// The record of `control` in `list`, located through its properties ("Hw_FuID",
// then "Hw_lbID", unless named otherwise); null when the control is not (or no
// longer) the one it names.
template <class T>
T* FindControlRecord(HWND control, RecordList<T> SkinWindowRecord::*list, const FamilyProperties& names = {}) {
  SkinEngine* engine = SkinEngine::Instance();
  if (!engine) return nullptr;
  SkinWindowRecord* window = engine->Record(static_cast<int>(WindowProperty(control, names.windowNumber)));
  if (!window) return nullptr;
  const RecordList<T>& records = window->*list;
  const std::intptr_t position = WindowProperty(control, names.number);
  if (position < 1 || position > static_cast<std::intptr_t>(records.size())) return nullptr;
  T* record = records[static_cast<std::size_t>(position - 1)].get();
  return record->window == control ? record : nullptr;
}

// Whether `control` already has a record in `list`.
template <class T>
bool Listed(const RecordList<T>& list, HWND control) {
  for (const auto& record : list)
    if (record->window == control) return true;
  return false;
}

// A control's last message: once the replaced procedure has seen it, the control's
// brush and the family's properties go, and its record lets go of the handle, so a
// new control given the same handle value can be enrolled afresh.
template <class Family>
LRESULT ForgetDestroyedControl(const WindowMessage& msg) {
  constexpr FamilyProperties names = PropertiesOf<Family>();
  const LRESULT result = msg.PassOn();
  if (auto* record = FindControlRecord(msg.window, Family::kList, names)) record->window = nullptr;
  if (SkinEngine* engine = SkinEngine::Instance()) engine->ForgetControlBrush(msg.window);
  RemoveWindowProperties(msg.window, {names.previous, names.number, names.windowNumber});
  return result;
}

// The procedure installed on every control of `Family`.
template <class Family>
LRESULT CALLBACK FamilyProcedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  constexpr FamilyProperties names = PropertiesOf<Family>();
  const WindowMessage msg{control, message, wparam, lparam, names.previous};
  if (auto* record = FindControlRecord(control, Family::kList, names))
    if (std::optional<LRESULT> result = Family::Handle(*record, msg)) return *result;
  if (message == WM_NCDESTROY) return ForgetDestroyedControl<Family>(msg);
  return msg.PassOn();
}

// Gives `control` a record at the end of its family's list in window `number` (an
// empty placeholder entry is taken over first), its "Hw_lbID" and "Hw_FuID", and
// the family's procedure with the replaced one in "Hw_hProc" and the record (or
// the family's own property names). Null, with nothing kept, when the procedure
// cannot be replaced.
template <class Family>
typename Family::Record* EnrolControl(SkinWindowRecord& window, int number, HWND control) {
  using Record = typename Family::Record;
  constexpr FamilyProperties names = PropertiesOf<Family>();
  RecordList<Record>& list = window.*Family::kList;
  if (Listed(list, control)) return nullptr;
  // A placeholder, or the record of a destroyed control, is taken over afresh.
  const bool placeholder = list.size() == 1 && list.front()->window == nullptr;
  if (placeholder) list.back() = std::make_unique<Record>();
  else list.push_back(std::make_unique<Record>());
  Record& record = *list.back();
  record.window = control;
  if (!ReplaceWindowProc(control, &FamilyProcedure<Family>, names.previous)) {
    if (placeholder) list.back() = std::make_unique<Record>();
    else list.pop_back();
    return nullptr;
  }
  record.oldProc = reinterpret_cast<WNDPROC>(WindowProperty(control, names.previous));
  SetWindowProperty(control, names.number, static_cast<std::intptr_t>(list.size()));
  SetWindowProperty(control, names.windowNumber, number);
  return &record;
}

}  // namespace ornivex::skin
