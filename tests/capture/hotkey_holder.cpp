// Another program holding a chord: registers it, says so through the event
// named second, and lets it go when the event named third is set (or after
// half a minute).
//   usage: capture_hotkey_holder <chord> <ready event> <release event>
#include <windows.h>

#include <string>

#include "capture/hotkey.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const std::wstring text = argv[1];
  const auto chord = ornivex::capture::ParseHotkey(std::u16string(text.begin(), text.end()));
  if (!chord || !RegisterHotKey(nullptr, 1, chord->modifiers, chord->virtualKey)) return 1;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !release) return 1;
  SetEvent(ready);
  WaitForSingleObject(release, 30000);
  UnregisterHotKey(nullptr, 1);
  CloseHandle(ready);
  CloseHandle(release);
  return 0;
}
