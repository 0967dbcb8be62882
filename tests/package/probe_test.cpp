// Looks at an installation of the release from inside Windows. install_test.sh
// runs the installer, the program and the uninstaller, and this program between
// them, one suite per stage:
//   Installed.*    after an install, ORNIVEX_SCOPE=user (the default) or all
//   Uninstalled.*  after the quiet uninstall, same scope (ORNIVEX_LOG_LEFT=1:
//                  the script left an activity log in the folder)
//   Platform.*     this Wine as set up for the tests
//   Program.*      the installed Ornivex.exe, or ORNIVEX_PROGRAM=<path>, starts
//                  and shows its window
// ORNIVEX_PNG_DEFAULT is the value the script gave HKCU\Software\Classes\.png
// before installing, which nothing may change.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ornivex";
constexpr wchar_t kProgId[] = L"Ornivex.Picture";
const wchar_t* const kExtensions[] = {L".jpg", L".jpeg", L".png", L".bmp"};

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return wide;
}

// A path the build gives in Linux form, as Wine shows it (drive Z:).
std::wstring FromBuild(const char* path) {
  std::wstring wide = Widen(path);
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

bool AllUsers() { return Environment(L"ORNIVEX_SCOPE") == L"all"; }
HKEY Root() { return AllUsers() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

// The user's programs folder is LocalAppData\Programs where the system does
// not name one (as this Wine does not).
std::wstring InstallFolder() {
  if (AllUsers()) return KnownFolder(FOLDERID_ProgramFiles) + L"\\Ornivex";
  std::wstring programs = KnownFolder(FOLDERID_UserProgramFiles);
  if (programs.empty()) programs = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs";
  return programs + L"\\Ornivex";
}
std::wstring StartMenuShortcut() {
  return KnownFolder(AllUsers() ? FOLDERID_CommonPrograms : FOLDERID_Programs) + L"\\Ornivex.lnk";
}
std::wstring DesktopShortcut() {
  return KnownFolder(AllUsers() ? FOLDERID_PublicDesktop : FOLDERID_Desktop) + L"\\Ornivex.lnk";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files the release ships, as paths under the installation folder: every
// file of the stage, subfolders included.
void CollectFiles(const std::wstring& root, const std::wstring& under, std::vector<std::wstring>& files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + under + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(root, under + name + L"\\", files);
    else
      files.push_back(under + name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}
std::vector<std::wstring> ShippedFiles() {
  std::vector<std::wstring> files;
  CollectFiles(FromBuild(ORNIVEX_PACKAGE_STAGE) + L"\\", L"", files);
  return files;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// nullopt when the key or the value is missing; REG_NONE reads as empty.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* value) {
  DWORD type = 0, bytes = 0;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_ANY, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_ANY, &type, text.data(), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::wstring();
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

std::optional<DWORD> RegistryNumber(HKEY root, const std::wstring& key, const wchar_t* value) {
  DWORD number = 0, bytes = sizeof number;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &number, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return number;
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComScope() { CoUninitialize(); }
};

std::wstring ShortcutTarget(const std::wstring& link) {
  ComScope com;
  std::wstring target;
  IShellLinkW* shell = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shell))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) && SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
      target = path;
    file->Release();
  }
  shell->Release();
  return target;
}

// The product version in the file's version resource, fixed part and text.
std::wstring ProductVersion(const std::wstring& path, std::wstring* fixed) {
  std::vector<char> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) && info)
    *fixed = std::to_wstring(HIWORD(info->dwProductVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwProductVersionMS)) +
             L"." + std::to_wstring(HIWORD(info->dwProductVersionLS)) + L"." +
             std::to_wstring(LOWORD(info->dwProductVersionLS));
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation)
    return {};
  wchar_t query[64];
  swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translation->language, translation->codePage);
  wchar_t* text = nullptr;
  if (!VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&text), &length) || !text) return {};
  return text;
}

#pragma pack(push, 2)
struct IconDirEntry {  // in an .ico file
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes, offset;
};
struct GroupIconEntry {  // in an RT_GROUP_ICON resource
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// The images of every icon group in a program's resources.
BOOL CALLBACK CollectGroup(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR images) {
  HRSRC group = FindResourceW(module, name, RT_GROUP_ICON);
  const char* data = group ? static_cast<const char*>(LockResource(LoadResource(module, group))) : nullptr;
  if (!data) return TRUE;
  WORD count = 0;
  std::memcpy(&count, data + 4, 2);
  for (WORD i = 0; i < count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, data + 6 + i * sizeof entry, sizeof entry);
    HRSRC icon = FindResourceW(module, MAKEINTRESOURCEW(entry.id), RT_ICON);
    if (!icon) continue;
    reinterpret_cast<std::vector<std::string>*>(images)->emplace_back(
        static_cast<const char*>(LockResource(LoadResource(module, icon))), SizeofResource(module, icon));
  }
  return TRUE;
}

std::vector<std::string> IconImages(const std::wstring& program) {
  std::vector<std::string> images;
  HMODULE module =
      LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return images;
  EnumResourceNamesW(module, RT_GROUP_ICON, CollectGroup, reinterpret_cast<LONG_PTR>(&images));
  FreeLibrary(module);
  return images;
}

// True when every picture of the program's icon file is among the program's icons.
::testing::AssertionResult CarriesTheProgramIcon(const std::wstring& program) {
  const std::string ico = ReadAll(FromBuild(ORNIVEX_ICON));
  WORD count = 0;
  std::memcpy(&count, ico.data() + 4, 2);
  const std::vector<std::string> images = IconImages(program);
  for (WORD i = 0; i < count; ++i) {
    IconDirEntry entry;
    std::memcpy(&entry, ico.data() + 6 + i * sizeof entry, sizeof entry);
    const std::string image = ico.substr(entry.offset, entry.bytes);
    bool found = false;
    for (const std::string& candidate : images) found = found || candidate == image;
    if (!found)
      return ::testing::AssertionFailure() << "icon picture " << i << " (" << int(entry.width) << " px) is missing";
  }
  return ::testing::AssertionSuccess();
}

TEST(Installed, FilesAreTheReleaseFiles) {
  const std::wstring folder = InstallFolder();
  const std::vector<std::wstring> shipped = ShippedFiles();
  EXPECT_GE(shipped.size(), 3u);
  for (const std::wstring& name : shipped) {
    SCOPED_TRACE(::testing::Message() << Environment(L"ORNIVEX_SCOPE").c_str() << name.c_str());
    const std::string installed = ReadAll(folder + L"\\" + name);
    EXPECT_FALSE(installed.empty()) << "missing";
    EXPECT_TRUE(installed == ReadAll(FromBuild(ORNIVEX_PACKAGE_STAGE) + L"\\" + name)) << "not the release's file";
  }
  EXPECT_TRUE(Exists(folder + L"\\uninstall.exe"));
}

TEST(Installed, StartMenuShortcutPointsAtTheProgramAndSilenceMadeNoDesktopShortcut) {
  EXPECT_EQ(ShortcutTarget(StartMenuShortcut()), InstallFolder() + L"\\Ornivex.exe");
  EXPECT_FALSE(Exists(DesktopShortcut()));
}

TEST(Installed, UninstallEntryHasEveryValue) {
  const HKEY root = Root();
  const std::wstring exe = InstallFolder() + L"\\Ornivex.exe";
  const std::wstring uninstaller = L"\"" + InstallFolder() + L"\\uninstall.exe\"";
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"DisplayName"), L"Ornivex");
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"DisplayVersion"), Widen(ORNIVEX_VERSION));
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"Publisher"), L"Ornivex");
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"DisplayIcon"), exe + L",0");
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"UninstallString"), uninstaller);
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"QuietUninstallString"), uninstaller + L" /S");
  EXPECT_EQ(RegistryText(root, kUninstallKey, L"InstallLocation"), InstallFolder());
  // In KB: about the size of what was installed.
  const auto size = RegistryNumber(root, kUninstallKey, L"EstimatedSize");
  ASSERT_TRUE(size);
  std::size_t installedBytes = 0;
  for (const std::wstring& name : ShippedFiles()) installedBytes += ReadAll(InstallFolder() + L"\\" + name).size();
  EXPECT_GE(*size, installedBytes / 1024);
  EXPECT_LE(*size, 2 * installedBytes / 1024 + 64);
}

TEST(Installed, OpenWithOffersTheProgramAndTheDefaultStays) {
  const HKEY root = Root();
  const std::wstring command = L"\"" + InstallFolder() + L"\\Ornivex.exe\" \"%1\"";
  for (const wchar_t* extension : kExtensions) {
    SCOPED_TRACE(::testing::Message() << extension);
    EXPECT_TRUE(RegistryText(root, std::wstring(L"Software\\Classes\\") + extension + L"\\OpenWithProgids", kProgId));
    EXPECT_TRUE(RegistryText(root, L"Software\\Classes\\Applications\\Ornivex.exe\\SupportedTypes", extension));
  }
  EXPECT_EQ(RegistryText(root, std::wstring(L"Software\\Classes\\") + kProgId + L"\\shell\\open\\command", nullptr),
            command);
  EXPECT_EQ(RegistryText(root, L"Software\\Classes\\Applications\\Ornivex.exe\\shell\\open\\command", nullptr),
            command);
  EXPECT_EQ(RegistryText(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Ornivex.exe", nullptr),
            InstallFolder() + L"\\Ornivex.exe");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, L"Software\\Classes\\.png", nullptr), Environment(L"ORNIVEX_PNG_DEFAULT"));
}

TEST(Installed, SetupAndUninstallerCarryTheIconAndTheVersion) {
  const std::wstring version = Widen(ORNIVEX_VERSION);
  for (const std::wstring& program : {FromBuild(ORNIVEX_PACKAGE_SETUP), InstallFolder() + L"\\uninstall.exe"}) {
    SCOPED_TRACE(::testing::Message() << program.c_str());
    std::wstring fixed;
    EXPECT_EQ(ProductVersion(program, &fixed), version);
    EXPECT_EQ(fixed, version + L".0");
    EXPECT_TRUE(CarriesTheProgramIcon(program));
  }
}

TEST(Uninstalled, WhatTheInstallerMadeIsGoneAndTheUsersFilesStay) {
  const HKEY root = Root();
  const std::wstring folder = InstallFolder();
  for (const std::wstring& name : ShippedFiles()) EXPECT_FALSE(Exists(folder + L"\\" + name)) << name.c_str();
  EXPECT_FALSE(Exists(folder + L"\\uninstall.exe"));
  EXPECT_FALSE(Exists(StartMenuShortcut()));
  EXPECT_FALSE(KeyExists(root, kUninstallKey));
  EXPECT_FALSE(KeyExists(root, std::wstring(L"Software\\Classes\\") + kProgId));
  EXPECT_FALSE(KeyExists(root, L"Software\\Classes\\Applications\\Ornivex.exe"));
  EXPECT_FALSE(KeyExists(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Ornivex.exe"));
  for (const wchar_t* extension : kExtensions)
    EXPECT_FALSE(RegistryText(root, std::wstring(L"Software\\Classes\\") + extension + L"\\OpenWithProgids", kProgId))
        << extension;
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, L"Software\\Classes\\.png", nullptr), Environment(L"ORNIVEX_PNG_DEFAULT"));

  // The script left a result on the desktop, and with ORNIVEX_LOG_LEFT an
  // activity log in the folder, which then stays; an emptied folder goes.
  EXPECT_TRUE(Exists(KnownFolder(FOLDERID_Desktop) + L"\\123456.txt"));
  if (Environment(L"ORNIVEX_LOG_LEFT").empty())
    EXPECT_FALSE(Exists(folder));
  else
    EXPECT_TRUE(Exists(folder + L"\\ZezAziz.log"));
}

// The close glyph of a caption, as the system draws it, is a cross: without
// the Marlett font this Wine draws the letter "r" in its place.
TEST(Platform, TheCaptionCloseGlyphIsACross) {
  constexpr int kSize = 32;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT box = {0, 0, kSize, kSize};
  ASSERT_TRUE(DrawFrameControl(dc, &box, DFC_CAPTION, DFCS_CAPTIONCLOSE));
  int dark = 0, mirrored = 0;
  for (int y = 4; y < kSize - 4; ++y)
    for (int x = 4; x < kSize - 4; ++x) {
      if (GetRValue(GetPixel(dc, x, y)) >= 64) continue;
      ++dark;
      if (GetRValue(GetPixel(dc, kSize - 1 - x, y)) < 64) ++mirrored;
    }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  EXPECT_GT(dark, 20);
  EXPECT_GE(mirrored * 10, dark * 8) << "the glyph is not left-right symmetric, as a cross is";
}

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM lparam) {
  auto* found = reinterpret_cast<Found*>(lparam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t title[32] = {}, name[32] = {};
  GetWindowTextW(window, title, 32);
  GetClassNameW(window, name, 32);
  if (process == found->process && IsWindowVisible(window) && std::wstring(title) == L"Ornivex" &&
      std::wstring(name) == L"OrnivexForm") {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

// The result box: the one multi-line edit control among the window's descendants.
BOOL CALLBACK FindResultBox(HWND child, LPARAM lparam) {
  wchar_t name[16] = {};
  GetClassNameW(child, name, 16);
  if (_wcsicmp(name, L"Edit") == 0 && (GetWindowLongPtrW(child, GWL_STYLE) & ES_MULTILINE)) {
    *reinterpret_cast<HWND*>(lparam) = child;
    return FALSE;
  }
  return TRUE;
}

// Started with a picture, as "Open with" starts it, the program shows its
// window, reads the picture with the engine it ships with (no account, no
// network), and ends when its window is closed.
TEST(Program, StartsReadsAPictureWithItsOwnEngineAndCloses) {
  std::wstring program = Environment(L"ORNIVEX_PROGRAM");
  if (program.empty()) program = InstallFolder() + L"\\Ornivex.exe";
  std::wstring command = L"\"" + program + L"\" \"" + FromBuild(ORNIVEX_SAMPLE) + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process))
      << command.c_str() << ": " << GetLastError();
  CloseHandle(process.hThread);
  Found found{process.dwProcessId, nullptr};
  HWND box = nullptr;
  std::wstring text;
  for (int i = 0; i < 1200 && text.empty(); ++i) {
    if (!found.window) EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&found));
    if (found.window && !box) EnumChildWindows(found.window, FindResultBox, reinterpret_cast<LPARAM>(&box));
    if (box) {
      // GetWindowText would give another process's edit control its caption,
      // not its text: the control is asked itself.
      wchar_t buffer[512] = {};
      DWORD_PTR copied = 0;
      if (SendMessageTimeoutW(box, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied))
        text = buffer;
    }
    if (text.empty()) Sleep(50);
  }
  EXPECT_NE(found.window, nullptr) << "no window of class OrnivexForm titled Ornivex";
  EXPECT_NE(text.find(L"Ornivex turns pictures"), std::wstring::npos) << "the result box holds: " << text.c_str();
  if (found.window) PostMessageW(found.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the program did not end after WM_CLOSE";
    TerminateProcess(process.hProcess, 1);
  }
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hProcess);
}

}  // namespace
