#pragma once
// A top-level window built from its definition table, with its controls, their
// fonts and colours, and the events the application binds to them.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/dialogs.h"
#include "runtime/form_def.h"
#include "runtime/handles.h"

namespace ornivex {

// Registers a window class of this module with the arrow cursor and the button
// face behind it (once: a class already there counts as registered).
bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, UINT style);

class Form {
 public:
  using Handler = std::function<void()>;
  using FilesHandler = std::function<void(const std::vector<std::wstring>&)>;
  using KeyHandler = std::function<bool()>;

  // Creates the window and all its controls, hidden. Null when the window could
  // not be created.
  static std::unique_ptr<Form> Create(const FormDef& definition);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const { return window_; }
  bool IsOpen() const { return window_ != nullptr; }
  // The control of that name (GBK), or null.
  HWND Control(std::string_view name) const;
  // The common dialog of that name, or null.
  OpenFileDialog* Dialog(std::string_view name);

  // The DPI the window and its controls are laid out for.
  int Dpi() const { return dpi_; }

  // Event bindings. The created event is raised once, at the first Show. The DPI
  // changed event comes after the window and its controls took the new scale.
  void OnCreated(Handler handler) { created_ = std::move(handler); }
  void OnSizeChanged(Handler handler) { sizeChanged_ = std::move(handler); }
  void OnDpiChanged(Handler handler) { dpiChanged_ = std::move(handler); }
  void OnClicked(std::string_view control, Handler handler);
  void OnLostFocus(std::string_view control, Handler handler);
  // Files dropped anywhere on the window. The window accepts dropped files; its
  // controls do not, so the system hands a drop over a control to it too.
  void OnFilesDropped(FilesHandler handler);
  // Ctrl+V or Shift+Insert pressed in the window or in any of its controls (not
  // its repeats while held). The handler says whether it took the keystroke; when
  // it did not, the focused control gets it as it always did.
  void OnPaste(KeyHandler handler);

  // An item at the end of the window's system menu (Alt+Space, or a right
  // click on the caption), after a separator before the first one: `text` is
  // GBK, with a tab before the name of a key that does the same. `handler` runs
  // when it is chosen. `command` is its system command: below 0xF000, its low
  // four bits clear (the system keeps them for itself). False when the window
  // has no system menu.
  bool AddSystemMenuItem(unsigned command, std::string_view text, Handler handler);

  // Work going on in the background: while at least one piece of it runs, the
  // pointer over the window and its controls is the "working in background"
  // cursor (IDC_APPSTARTING), and the window stays fully usable. The pointer
  // changes at once when the first piece begins and when the last one ends.
  void BeginBackgroundWork();
  void EndBackgroundWork();
  bool InBackgroundWork() const { return backgroundWork_ > 0; }

  // Closing this form ends the message loop.
  void QuitOnClose(bool quit) { quitOnClose_ = quit; }

  // Shows the window, raises the created event (the first time), then paints
  // what is still unpainted.
  void Show(int showCommand = SW_SHOWNORMAL);
  // Shows the window modally: every other window of this thread is disabled
  // until it closes. Returns once it is closed.
  void ShowModal();

 private:
  struct ControlRecord {
    std::string name;
    HWND window = nullptr;
    const ControlDef* definition = nullptr;
    UniqueFont font;  // null: the default control font
    UniqueBrush background;
    Handler clicked;
    Handler lostFocus;
  };

  Form() = default;
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ContainerProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateControls(const FormDef& definition);
  // Gives a control its font and its picture at the form's DPI.
  void ApplyScale(ControlRecord& record);
  // Lays the window and its controls out for a new DPI; the window takes
  // `suggested` (screen coordinates) when given.
  void Rescale(int dpi, const RECT* suggested);
  ControlRecord* RecordOf(HWND control);
  ControlRecord* RecordOf(std::string_view name);
  LRESULT ControlColour(HDC dc, HWND control, UINT message);
  // The answer to DM_GETDEFID: the focused push button of this form, if any.
  LRESULT FocusedButtonAsDefault();
  // The answer to WM_NEXTDLGCTL: the focus moves as in a dialog.
  LRESULT MoveFocus(WPARAM wparam, LPARAM lparam);
  void ReenableOthers();
  // A key pressed in the window or a control: true when it was the paste key and
  // the paste handler took it.
  bool TakePasteKey(WPARAM key, LPARAM flags);
  // The answer to WM_SETCURSOR: the working cursor during background work.
  bool SetWorkingCursor(LPARAM hitAndMessage);
  // Has the window under the pointer, if it is this one or a control of it, set
  // the pointer again.
  void RefreshCursor();
  void DropFiles(HDROP drop);
  // The answer to WM_SYSCOMMAND: true when it was an item of AddSystemMenuItem.
  bool RunSystemCommand(WPARAM command);

  HWND window_ = nullptr;
  bool createdRaised_ = false;
  bool quitOnClose_ = false;
  bool modal_ = false;
  std::vector<HWND> disabledByModal_;
  HWND activeBeforeModal_ = nullptr;
  Handler created_;
  Handler sizeChanged_;
  Handler dpiChanged_;
  FilesHandler filesDropped_;
  KeyHandler paste_;
  std::map<unsigned, Handler> systemCommands_;
  int backgroundWork_ = 0;
  const FormDef* definition_ = nullptr;
  int dpi_ = 96;
  std::vector<std::unique_ptr<ControlRecord>> controls_;
  std::map<std::string, OpenFileDialog, std::less<>> dialogs_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

// The font a control without a font of its own gets: the system's GUI font in
// the Chinese character set, at `dpi` (the system's DPI when 0).
HFONT DefaultControlFont(int dpi = 0);

// A font of a definition at `dpi`; null when it cannot be made.
UniqueFont CreateScaledFont(const FontDef& font, int dpi);

}  // namespace ornivex
