// The controls gallery: every family of child controls the skin paints, once
// directly on the skinned window and once inside a registered sub-window.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "gallery.h"
#include "runtime/dpi.h"
#include "runtime/form.h"
#include "runtime/handles.h"
#include "skin/title_geometry.h"

namespace ornivex::skin::gallery {

namespace {

constexpr wchar_t kWindowClass[] = L"OrnivexControlsGallery";
constexpr wchar_t kPanelClass[] = L"OrnivexControlsPanel";
constexpr wchar_t kImagesProperty[] = L"Gallery_images";
constexpr int kOwnerListId = 301;

// The owner-drawn list box is the gallery's own: coloured rows the skin leaves.
constexpr COLORREF kOwnerRows[] = {RGB(255, 236, 179), RGB(200, 230, 201), RGB(187, 222, 251)};

bool DrawOwnerListItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_LISTBOX || item.CtlID != kOwnerListId || item.itemID == static_cast<UINT>(-1)) return false;
  UniqueBrush row(CreateSolidBrush((item.itemState & ODS_SELECTED) ? RGB(255, 160, 0) : kOwnerRows[item.itemID % 3]));
  FillRect(item.hDC, &item.rcItem, row.Get());
  wchar_t text[64] = {};
  SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
  RECT r = item.rcItem;
  r.left += 4;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(0, 0, 0));
  DrawTextW(item.hDC, text, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  return true;
}

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MEASUREITEM:
      if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam); item->CtlID == kOwnerListId) {
        item->itemHeight = ScaleForDpi(20, WindowDpi(window));
        return TRUE;
      }
      break;
    case WM_DRAWITEM:
      if (DrawOwnerListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_NCDESTROY:
      // The children are gone: the headers' image list can go too.
      if (auto images = reinterpret_cast<HIMAGELIST>(GetPropW(window, kImagesProperty))) {
        RemovePropW(window, kImagesProperty);
        ImageList_Destroy(images);
      }
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    return RegisterWindowClass(kWindowClass, ContainerProc, CS_DBLCLKS) &&
           RegisterWindowClass(kPanelClass, ContainerProc, CS_DBLCLKS);
  }();
  return registered;
}

// Adds the children of every family to `parent` at (left, top), named with `prefix`.
class Builder {
 public:
  Builder(Gallery& g, HWND parent, int left, int top, std::string prefix, HIMAGELIST images)
      : g_(g), parent_(parent), left_(left), top_(top), prefix_(std::move(prefix)), images_(images),
        dpi_(WindowDpi(nullptr)) {}

  void AddAll() {
    Edits();
    Combos();
    Lists();
    Bars();
    UpDowns();
    Headers();
  }

 private:
  int S(int v) const { return ScaleForDpi(v, dpi_); }

  HWND Add(const char* name, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int x, int y,
           int w, int h, int id = 0) {
    HWND child = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, S(left_ + x),
                                 S(top_ + y), S(w), S(h), parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultControlFont()), FALSE);
    g_.controls[prefix_ + name] = child;
    return child;
  }

  void Edits() {
    Add("edit", L"Edit", L"\u5355\u884c\u7f16\u8f91\u6846", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 0, 0, 140, 24);
    std::wstring lines;
    for (int i = 1; i <= 12; ++i)
      lines += L"\u7b2c" + std::to_wstring(i) + L"\u884c\uff1a\u591a\u884c\u6587\u672c\u4e0e\u6eda\u52a8\u6761 line " +
               std::to_wstring(i) + L"\r\n";
    Add("multiEdit", L"Edit", lines.c_str(),
        ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE, 0,
        32, 140, 86);
  }

  void FillCombo(HWND combo) {
    for (const wchar_t* item : {L"\u82f9\u679c", L"\u9999\u8549", L"\u6a59\u5b50", L"\u8461\u8404"})
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
  }

  void Combos() {
    FillCombo(Add("dropDown", L"ComboBox", L"", CBS_DROPDOWN | WS_VSCROLL, 0, 150, 0, 140, 160));
    FillCombo(Add("dropList", L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 0, 300, 0, 140, 160));
    FillCombo(Add("simple", L"ComboBox", L"", CBS_SIMPLE, 0, 150, 32, 140, 86));
  }

  void Lists() {
    HWND list = Add("list", L"ListBox", L"", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 0, 0, 126, 140, 92);
    HWND owner = Add("ownerList", L"ListBox", L"", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_BORDER, 0,
                     150, 126, 140, 92, kOwnerListId);
    for (const wchar_t* item : {L"\u5217\u8868\u9879\u4e00", L"\u5217\u8868\u9879\u4e8c", L"\u5217\u8868\u9879\u4e09",
                                L"\u5217\u8868\u9879\u56db", L"\u5217\u8868\u9879\u4e94", L"\u5217\u8868\u9879\u516d"}) {
      SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      SendMessageW(owner, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendMessageW(list, LB_SETCURSEL, 1, 0);

    HWND view = Add("listView", WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE, 0, 226, 290, 110);
    const wchar_t* columns[] = {L"\u540d\u79f0", L"\u5927\u5c0f", L"\u7c7b\u578b"};
    for (int i = 0; i < 3; ++i) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = S(70);
      column.pszText = const_cast<wchar_t*>(columns[i]);
      SendMessageW(view, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    const wchar_t* rows[][3] = {{L"\u62a5\u544a.txt", L"12 KB", L"\u6587\u672c"},
                                {L"\u7167\u7247.png", L"2.4 MB", L"\u56fe\u7247"},
                                {L"\u8868\u683c.csv", L"48 KB", L"\u6570\u636e"}};
    for (int r = 0; r < 3; ++r) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = r;
      item.pszText = const_cast<wchar_t*>(rows[r][0]);
      SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      for (int c = 1; c < 3; ++c) {
        item.iSubItem = c;
        item.pszText = const_cast<wchar_t*>(rows[r][c]);
        SendMessageW(view, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
      }
    }

    HWND tree = Add("tree", WC_TREEVIEWW, L"", TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                    WS_EX_CLIENTEDGE, 300, 126, 140, 150);
    auto insert = [tree](HTREEITEM parent, const wchar_t* text) {
      TVINSERTSTRUCTW insert{};
      insert.hParent = parent;
      insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT;
      insert.item.pszText = const_cast<wchar_t*>(text);
      return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    };
    HTREEITEM root = insert(TVI_ROOT, L"\u6587\u6863");
    insert(root, L"\u5de5\u4f5c");
    HTREEITEM photos = insert(root, L"\u56fe\u7247");
    insert(photos, L"\u65c5\u884c");
    insert(photos, L"\u5bb6\u4eba");
    insert(TVI_ROOT, L"\u97f3\u4e50");
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(photos));

    HWND ip = Add("ip", WC_IPADDRESSW, L"", 0, WS_EX_CLIENTEDGE, 300, 32, 140, 24);
    SendMessageW(ip, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 1, 20));
    Add("date", DATETIMEPICK_CLASSW, L"", DTS_SHORTDATEFORMAT, WS_EX_CLIENTEDGE, 300, 64, 140, 24);
  }

  void Bars() {
    auto range = [](HWND bar, int position) {
      SendMessageW(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
      SendMessageW(bar, TBM_SETTICFREQ, 20, 0);
      SendMessageW(bar, TBM_SETPOS, TRUE, position);
    };
    range(Add("trackbar", TRACKBAR_CLASSW, L"", TBS_AUTOTICKS, 0, 0, 346, 140, 32), 40);
    range(Add("vTrackbar", TRACKBAR_CLASSW, L"", TBS_VERT | TBS_AUTOTICKS, 0, 300, 286, 34, 110), 70);
    auto progress = [this](const char* name, DWORD style, int x, int y, int w, int h, int position) {
      HWND bar = Add(name, PROGRESS_CLASSW, L"", style, 0, x, y, w, h);
      SendMessageW(bar, PBM_SETRANGE32, 0, 100);
      SendMessageW(bar, PBM_SETPOS, position, 0);
    };
    progress("progressLow", 0, 150, 346, 140, 14, 0);
    progress("progressMid", 0, 150, 366, 140, 14, 50);
    progress("progressHigh", 0, 150, 386, 140, 14, 100);
    progress("vProgress", PBS_VERTICAL, 344, 286, 18, 110, 60);
  }

  void UpDowns() {
    HWND buddy = Add("spinEdit", L"Edit", L"5", ES_NUMBER, WS_EX_CLIENTEDGE, 300, 96, 70, 24);
    HWND spin = Add("upDown", UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 0, 0, 0, 0);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
    SendMessageW(spin, UDM_SETRANGE32, 0, 99);
    SendMessageW(spin, UDM_SETPOS32, 0, 5);
    Add("hUpDown", UPDOWN_CLASSW, L"", UDS_HORZ, 0, 384, 97, 44, 22);
  }

  void Headers() {
    auto items = [this](HWND header, bool icons) {
      const wchar_t* texts[] = {L"\u6587\u4ef6", L"\u5927\u5c0f", L"\u65e5\u671f"};
      const int formats[] = {HDF_LEFT, HDF_CENTER, HDF_RIGHT};
      for (int i = 0; i < 3; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | (icons ? HDI_IMAGE : 0);
        item.cxy = S(90);
        item.pszText = const_cast<wchar_t*>(texts[i]);
        item.fmt = HDF_STRING | formats[i] | (icons && i < 2 ? HDF_IMAGE : 0);
        item.iImage = i;
        SendMessageW(header, HDM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
      }
    };
    HWND buttons = Add("buttonsHeader", WC_HEADERW, L"", HDS_BUTTONS | HDS_HORZ, 0, 0, 410, 290, 24);
    if (images_) SendMessageW(buttons, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    items(buttons, images_ != nullptr);
    items(Add("flatHeader", WC_HEADERW, L"", HDS_HORZ, 0, 0, 442, 290, 24), false);
  }

  Gallery& g_;
  HWND parent_;
  int left_, top_;
  std::string prefix_;
  HIMAGELIST images_;
  int dpi_;
};

// Two small icons of the system's for the header with buttons.
HIMAGELIST MakeHeaderImages(int dpi) {
  const int size = ScaleForDpi(16, dpi);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
  if (!images) return nullptr;
  for (const wchar_t* icon : {IDI_INFORMATION, IDI_WARNING}) ImageList_AddIcon(images, LoadIconW(nullptr, icon));
  return images;
}

}  // namespace

Gallery CreateControls(SkinEngine& engine, int x, int y) {
  Gallery g;
  if (!RegisterClasses()) return g;
  const int dpi = WindowDpi(nullptr);
  auto S = [dpi](int v) { return ScaleForDpi(v, dpi); };
  g.window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kControlsTitle,
                             WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x, y, S(960),
                             S(540), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!g.window) return g;
  HIMAGELIST images = MakeHeaderImages(dpi);
  SetPropW(g.window, kImagesProperty, images);
  Builder(g, g.window, 16, 40, "", images).AddAll();
  HWND panel = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, S(476), S(34), S(468),
                               S(490), g.window, nullptr, GetModuleHandleW(nullptr), nullptr);
  g.controls["panel"] = panel;
  Builder(g, panel, 12, 10, "sub.", images).AddAll();
  ShowWindow(g.window, SW_SHOWNORMAL);
  UpdateWindow(g.window);
  engine.SkinWindow(g.window, {.captionHeight = 20});
  g.number = engine.WindowNumberOf(g.window);
  engine.AddSubWindow(panel, 1, RGB(255, 255, 255), 70, 1);
  Pump(50);
  return g;
}

}  // namespace ornivex::skin::gallery
