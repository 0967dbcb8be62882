#include "runtime/form.h"

#include <commctrl.h>

#include <optional>
#include <span>
#include <vector>

#include "runtime/codepage.h"
#include "runtime/dpi.h"
#include "runtime/layout.h"
#include "runtime/picture_box.h"
#include "runtime/picture_decode.h"
#include "runtime/resample.h"
#include "runtime/subclass.h"
#include "runtime/threads.h"
#include "runtime/transfer.h"

namespace ornivex {

namespace {

constexpr wchar_t kFormClass[] = L"OrnivexForm";
constexpr int kFirstControlId = 1000;
// The form a window or a container belongs to, and the container procedure's
// predecessor, as window properties.
constexpr wchar_t kFormProperty[] = L"Rt_Form";
constexpr wchar_t kContainerPrevious[] = L"Rt_hProc";
// The procedure a control had before the form took its keys (for paste).
constexpr wchar_t kControlPrevious[] = L"Rt_kProc";


struct KindTraits {
  const wchar_t* windowClass;
  DWORD style;
  DWORD exStyle;
};

KindTraits TraitsOf(const ControlDef& control) {
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (control.kind) {
    case ControlKind::GroupBox:
      return {L"BUTTON", child | BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::EditBox:
      return {L"EDIT", child | WS_TABSTOP, 0};
    case ControlKind::PushButton:
      return {L"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::PictureBox:
      return {kPictureBoxClass, child, 0};
    case ControlKind::Label:
      return {L"STATIC", child | SS_NOPREFIX | (control.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP),
              control.transparent ? static_cast<DWORD>(WS_EX_TRANSPARENT) : 0u};
    case ControlKind::CommonDialog:
      break;
  }
  return {nullptr, 0, 0};
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM lparam) {
  if (IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(window);
  return TRUE;
}

}  // namespace

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, UINT style) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return true;
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

HFONT DefaultControlFont(int dpi) {
  // The system's GUI font, asked for in the Chinese character set so that the
  // font mapper picks a face with Chinese glyphs on any system locale; its height,
  // given at the system's DPI, scaled to the one asked for. One font per DPI.
  static std::map<int, UniqueFont> fonts;
  const int systemDpi = WindowDpi(nullptr);
  if (dpi <= 0) dpi = systemDpi;
  UniqueFont& font = fonts[dpi];
  if (!font) {
    LOGFONTW logfont = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont);
    logfont.lfHeight = MulDiv(logfont.lfHeight, dpi, systemDpi);
    logfont.lfCharSet = GB2312_CHARSET;
    logfont.lfFaceName[0] = L'\0';
    font.Reset(CreateFontIndirectW(&logfont));
  }
  return font ? font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

UniqueFont CreateScaledFont(const FontDef& font, int dpi) {
  LOGFONTW logfont = {};
  logfont.lfHeight = ScaleForDpi(font.height, dpi);
  logfont.lfWeight = font.weight;
  logfont.lfCharSet = font.charset;
  logfont.lfOutPrecision = OUT_DEFAULT_PRECIS;
  logfont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  logfont.lfQuality = DEFAULT_QUALITY;
  logfont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = GbkToWide(font.face);
  face.copy(logfont.lfFaceName, LF_FACESIZE - 1);
  return UniqueFont(CreateFontIndirectW(&logfont));
}

std::unique_ptr<Form> Form::Create(const FormDef& definition) {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    return RegisterWindowClass(kFormClass, &Form::WindowProc, CS_DBLCLKS) &&
           RegisterWindowClass(kPictureBoxClass, &PictureBoxProc, 0);
  }();
  if (!registered) return nullptr;

  std::unique_ptr<Form> form(new Form);
  form->definition_ = &definition;
  // Laid out for the system's DPI; a window that opens on a monitor of another
  // DPI is laid out again for that one once it exists.
  form->dpi_ = WindowDpi(nullptr);
  const Rect r = ScaleWindowRect(definition.bounds, form->dpi_);
  const std::wstring caption = GbkToWide(definition.caption);
  HWND window = CreateWindowExW(definition.exStyle, kFormClass, caption.c_str(), definition.style & ~WS_VISIBLE,
                                r.left, r.top, r.width, r.height, nullptr, nullptr, GetModuleHandleW(nullptr),
                                form.get());
  if (!window) return nullptr;
  if (definition.iconResource) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    form->bigIcon_.Reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(definition.iconResource),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                       GetSystemMetrics(SM_CYICON), 0)));
    form->smallIcon_.Reset(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(definition.iconResource),
                                                         IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), 0)));
    if (form->bigIcon_) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form->bigIcon_.Get()));
    if (form->smallIcon_)
      SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form->smallIcon_.Get()));
  }
  if (!form->CreateControls(definition)) return nullptr;  // the destructor closes the window
  if (const int dpi = WindowDpi(window); dpi != form->dpi_) form->Rescale(dpi, nullptr);
  return form;
}

Form::~Form() {
  if (window_) {
    RemoveWindowProperties(window_, {kFormProperty});
    HWND window = window_;
    window_ = nullptr;
    ReenableOthers();
    DestroyWindow(window);
  }
}

bool Form::CreateControls(const FormDef& definition) {
  int id = kFirstControlId;
  for (const ControlDef& def : definition.controls) {
    auto record = std::make_unique<ControlRecord>();
    record->name = std::string(def.name);
    record->definition = &def;
    if (def.kind == ControlKind::CommonDialog) {
      dialogs_.emplace(record->name, OpenFileDialog(def.text));
      continue;
    }
    HWND parent = window_;
    if (!def.parent.empty()) {
      // Only a group box holds controls: it is the one kind made a container below.
      ControlRecord* container = RecordOf(def.parent);
      if (!container || container->definition->kind != ControlKind::GroupBox) return false;
      parent = container->window;
    }
    const KindTraits traits = TraitsOf(def);
    const std::wstring text = def.kind == ControlKind::PictureBox ? std::wstring() : GbkToWide(def.text);
    const Rect r = ScaleRect(def.bounds, dpi_);
    HWND control = CreateWindowExW(traits.exStyle | def.exStyle, traits.windowClass, text.c_str(),
                                   traits.style | def.style, r.left, r.top, r.width, r.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (!control) return false;
    record->window = control;
    if (def.backColour != kNoColour) record->background.Reset(CreateSolidBrush(def.backColour));
    switch (def.kind) {
      case ControlKind::GroupBox:
        // Notifications of the controls inside go to the group box; pass them on.
        SetWindowPropertyPointer(control, kFormProperty, this);
        ReplaceWindowProc(control, &Form::ContainerProc, kContainerPrevious);
        break;
      case ControlKind::EditBox:
        SendMessageW(control, EM_SETLIMITTEXT, 0, 0);  // no length limit
        break;
      default:
        break;
    }
    ApplyScale(*record);
    controls_.push_back(std::move(record));
  }
  return true;
}

void Form::ApplyScale(ControlRecord& record) {
  const ControlDef& def = *record.definition;
  UniqueFont font = def.font ? CreateScaledFont(*def.font, dpi_) : UniqueFont();
  SendMessageW(record.window, WM_SETFONT,
               reinterpret_cast<WPARAM>(font ? font.Get() : DefaultControlFont(dpi_)), TRUE);
  record.font = std::move(font);  // the control's previous font goes once it has the new one
  if (def.kind != ControlKind::PictureBox || !def.picture) return;
  std::optional<Picture> picture = DecodePictureFile(def.picture(dpi_));
  if (!picture) return;
  // The picture is drawn for the nearest of a few scales: between them it is
  // shrunk into its box rather than cut off at the box's edge.
  const Rect box = ScaleRect(def.bounds, dpi_);
  const Rect shown = FitPictureInBox(box.width, box.height, picture->width, picture->height);
  if (shown.width != picture->width || shown.height != picture->height) {
    Picture fitted{shown.width, shown.height, std::vector<std::uint8_t>(std::size_t{4} * shown.width * shown.height)};
    if (!ResamplePremultiplied(picture->bgra, picture->width, picture->height, fitted.bgra, fitted.width,
                               fitted.height))
      return;
    picture = std::move(fitted);
  }
  SetBoxPicture(record.window, *picture);
}

void Form::Rescale(int dpi, const RECT* suggested) {
  if (!window_ || dpi <= 0) return;
  dpi_ = dpi;
  for (auto& record : controls_) {
    if (!record->window) continue;
    const Rect r = ScaleRect(record->definition->bounds, dpi_);
    SetWindowPos(record->window, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyScale(*record);
  }
  if (suggested) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const Rect r = ScaleWindowRect(definition_->bounds, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, r.width, r.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dpiChanged_) {
    Handler handler = dpiChanged_;
    handler();
  }
}

Form::ControlRecord* Form::RecordOf(HWND control) {
  for (auto& record : controls_)
    if (record->window == control) return record.get();
  return nullptr;
}

Form::ControlRecord* Form::RecordOf(std::string_view name) {
  for (auto& record : controls_)
    if (record->name == name) return record.get();
  return nullptr;
}

HWND Form::Control(std::string_view name) const {
  for (const auto& record : controls_)
    if (record->name == name) return record->window;
  return nullptr;
}

OpenFileDialog* Form::Dialog(std::string_view name) {
  auto found = dialogs_.find(name);
  return found == dialogs_.end() ? nullptr : &found->second;
}

void Form::OnClicked(std::string_view control, Handler handler) {
  if (ControlRecord* record = RecordOf(control)) record->clicked = std::move(handler);
}

void Form::OnLostFocus(std::string_view control, Handler handler) {
  if (ControlRecord* record = RecordOf(control)) record->lostFocus = std::move(handler);
}

void Form::OnFilesDropped(FilesHandler handler) {
  filesDropped_ = std::move(handler);
  // The extended style is all that DragAcceptFiles sets; set here, shell32 stays
  // unloaded until files are dropped.
  if (!window_) return;
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  const LONG_PTR wanted = filesDropped_ ? (style | WS_EX_ACCEPTFILES) : (style & ~LONG_PTR{WS_EX_ACCEPTFILES});
  if (wanted != style) SetWindowLongPtrW(window_, GWL_EXSTYLE, wanted);
}

bool Form::AddSystemMenuItem(unsigned command, std::string_view text, Handler handler) {
  HMENU menu = window_ ? GetSystemMenu(window_, FALSE) : nullptr;  // the window's own copy, gone with it
  if (!menu) return false;
  if (systemCommands_.empty()) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  if (!AppendMenuW(menu, MF_STRING, command, GbkToWide(text).c_str())) return false;
  systemCommands_[command] = std::move(handler);
  return true;
}

bool Form::RunSystemCommand(WPARAM command) {
  const auto found = systemCommands_.find(static_cast<unsigned>(command & 0xFFF0));
  if (found == systemCommands_.end() || !found->second) return false;
  Handler handler = found->second;  // a copy: the handler may close the form
  handler();
  return true;
}

void Form::OnPaste(KeyHandler handler) {
  paste_ = std::move(handler);
  // The keys go to the focused control: each control hands them to the form
  // first. The group box already passes its messages through the form.
  for (auto& record : controls_) {
    if (!record->window || record->definition->kind == ControlKind::GroupBox) continue;
    if (WindowPropertyPointer<Form>(record->window, kFormProperty)) continue;  // already
    SetWindowPropertyPointer(record->window, kFormProperty, this);
    if (!ReplaceWindowProc(record->window, &Form::ControlProc, kControlPrevious))
      RemoveWindowProperties(record->window, {kFormProperty});
  }
}

bool Form::TakePasteKey(WPARAM key, LPARAM flags) {
  if (!paste_ || (flags & (1 << 30))) return false;  // nobody to take it, or a repeat of a held key
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
  const bool paste = !alt && ((key == 'V' && ctrl) || (key == VK_INSERT && shift && !ctrl));
  if (!paste) return false;
  KeyHandler handler = paste_;  // a copy: the handler may rebind or close the form
  return handler();
}

void Form::DropFiles(HDROP drop) {
  UniqueDrop owned(drop);
  if (!filesDropped_) return;
  const std::vector<std::wstring> files = DroppedFiles(drop);
  owned.Reset();
  FilesHandler handler = filesDropped_;
  handler(files);
}

void Form::BeginBackgroundWork() {
  if (backgroundWork_++ == 0) RefreshCursor();
}

void Form::EndBackgroundWork() {
  if (backgroundWork_ > 0 && --backgroundWork_ == 0) RefreshCursor();
}

bool Form::SetWorkingCursor(LPARAM hitAndMessage) {
  // The sizing edges keep their arrows, and a click on a window a modal one
  // disables keeps its answer (HTERROR).
  const short hit = static_cast<short>(LOWORD(hitAndMessage));
  if (backgroundWork_ == 0 || hit == HTERROR || (hit >= HTSIZEFIRST && hit <= HTSIZELAST)) return false;
  SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
  return true;
}

void Form::RefreshCursor() {
  // What the system does when the pointer moves, without waiting for it to move.
  POINT at;
  if (!window_ || !GetCursorPos(&at)) return;
  HWND under = WindowFromPoint(at);
  if (!under || (under != window_ && !IsChild(window_, under))) return;
  const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(hit, WM_MOUSEMOVE));
}

void Form::Show(int showCommand) {
  if (!window_) return;
  ShowWindow(window_, showCommand);
  // The created event comes before the first paint: what it changes in the look
  // (a skin) is the first thing drawn, with no plain picture painted in vain.
  if (!createdRaised_) {
    createdRaised_ = true;
    if (created_) created_();
  }
  if (window_) UpdateWindow(window_);
}

void Form::ShowModal() {
  if (!window_) return;
  modal_ = true;
  activeBeforeModal_ = GetActiveWindow();
  disabledByModal_.clear();
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabledByModal_));
  for (HWND other : disabledByModal_) EnableWindow(other, FALSE);
  Show();
  PumpMessagesUntil([this] { return window_ == nullptr; });
  ReenableOthers();
}

void Form::ReenableOthers() {
  // Enabled again before the modal window goes, so activation returns to them
  // rather than to another program.
  for (HWND other : disabledByModal_)
    if (IsWindow(other)) EnableWindow(other, TRUE);
  if (!disabledByModal_.empty() && activeBeforeModal_ && IsWindow(activeBeforeModal_))
    SetActiveWindow(activeBeforeModal_);
  disabledByModal_.clear();
  activeBeforeModal_ = nullptr;
}

LRESULT Form::ControlColour(HDC dc, HWND control, UINT message) {
  ControlRecord* record = RecordOf(control);
  if (!record) return DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  const ControlDef& def = *record->definition;
  if (def.textColour != kNoColour) SetTextColor(dc, def.textColour);
  if (def.transparent) {
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  if (record->background) {
    SetBkColor(dc, def.backColour);
    return reinterpret_cast<LRESULT>(record->background.Get());
  }
  if (def.textColour != kNoColour) {
    // Text colour only: keep the background the control would have had.
    const bool editable = message == WM_CTLCOLOREDIT;
    SetBkColor(dc, GetSysColor(editable ? COLOR_WINDOW : COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(editable ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  return DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->window_ = window;
    SetWindowPropertyPointer(window, kFormProperty, form);
    AcceptPostedWork(window);
  }
  if (message == PostedWorkMessage()) {
    RunPostedWork(window);
    return 0;
  }
  auto* form = WindowPropertyPointer<Form>(window, kFormProperty);
  if (message == WM_NCDESTROY) {
    DiscardPostedWork(window);
    if (form) {
      form->window_ = nullptr;
      for (auto& record : form->controls_) record->window = nullptr;
    }
    RemoveWindowProperties(window, {kFormProperty});
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (!form) return DefWindowProcW(window, message, wparam, lparam);
  return form->Dispatch(message, wparam, lparam);
}

LRESULT Form::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      if (lparam == 0 && LOWORD(wparam) == IDCANCEL && modal_) {
        // Escape, through the message loop's keyboard navigation, closes a modal form.
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
      }
      ControlRecord* record = RecordOf(reinterpret_cast<HWND>(lparam));
      if (!record) break;
      const UINT code = HIWORD(wparam);
      // Copies: a handler may rebind or close the form.
      if (code == BN_CLICKED && record->definition->kind == ControlKind::PushButton && record->clicked) {
        Handler handler = record->clicked;
        handler();
      } else if (code == EN_KILLFOCUS && record->lostFocus) {
        Handler handler = record->lostFocus;
        handler();
      }
      return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam), message);
    case WM_SIZE:
      if (createdRaised_ && sizeChanged_ && wparam != SIZE_MINIMIZED) {
        Handler handler = sizeChanged_;
        handler();
      }
      return 0;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_KEYDOWN:
      if (TakePasteKey(wparam, lparam)) return 0;
      break;
    case WM_SYSCOMMAND:
      if (RunSystemCommand(wparam)) return 0;
      break;
    case WM_SETCURSOR:
      // The controls' default answer asks their parent first, so this covers them too.
      if (SetWorkingCursor(lparam)) return TRUE;
      break;
    case WM_DPICHANGED:
      // Moved to a monitor of another scale: laid out anew, where the system says.
      Rescale(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case DM_GETDEFID:
      return FocusedButtonAsDefault();
    case WM_NEXTDLGCTL:
      return MoveFocus(wparam, lparam);
    case WM_CLOSE:
      if (modal_) ReenableOthers();
      break;
    case WM_DESTROY:
      if (quitOnClose_) PostQuitMessage(0);
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT Form::FocusedButtonAsDefault() {
  // Enter clicks the focused push button, as in a dialog. The message loop's
  // keyboard handling asks the window for its default button when the focused
  // control does not say it is one itself (a skinned, owner-drawn button never
  // does), and then clicks the button it is given.
  HWND focus = GetFocus();
  const ControlRecord* record = focus ? RecordOf(focus) : nullptr;
  if (!record || record->definition->kind != ControlKind::PushButton || !IsWindowEnabled(focus)) return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

LRESULT Form::MoveFocus(WPARAM wparam, LPARAM lparam) {
  // What a dialog does with WM_NEXTDLGCTL, which a multi-line edit box sends its
  // parent on Tab: the focus goes to the given control, or to the next (wparam 0)
  // or previous tab stop of the window.
  HWND target = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam) : GetNextDlgTabItem(window_, GetFocus(), wparam != 0);
  if (target && IsChild(window_, target)) SetFocus(target);
  return 0;
}

LRESULT CALLBACK Form::ContainerProc(HWND container, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = WindowPropertyPointer<Form>(container, kFormProperty);
  if (!form) return CallPreviousProcedure(kContainerPrevious, container, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    case WM_NEXTDLGCTL:
    case WM_DROPFILES:
      if (form->window_) return SendMessageW(form->window_, message, wparam, lparam);
      break;
    case WM_KEYDOWN:
      if (form->TakePasteKey(wparam, lparam)) return 0;
      break;
    case WM_CLOSE:
      // A container is part of its window and never closes by itself: a
      // multi-line edit box inside sends it WM_CLOSE on Escape.
      return 0;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(container, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCDESTROY: {
      const LRESULT result = CallPreviousProcedure(kContainerPrevious, container, message, wparam, lparam);
      RemoveWindowProperties(container, {kFormProperty, kContainerPrevious});
      return result;
    }
  }
  return CallPreviousProcedure(kContainerPrevious, container, message, wparam, lparam);
}

LRESULT CALLBACK Form::ControlProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = WindowPropertyPointer<Form>(control, kFormProperty);
  if (message == WM_KEYDOWN && form && form->TakePasteKey(wparam, lparam)) return 0;
  if (message == WM_NCDESTROY) {
    const LRESULT result = CallPreviousProcedure(kControlPrevious, control, message, wparam, lparam);
    RemoveWindowProperties(control, {kFormProperty, kControlPrevious});
    return result;
  }
  return CallPreviousProcedure(kControlPrevious, control, message, wparam, lparam);
}

}  // namespace ornivex
