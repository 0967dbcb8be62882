// Saving the recognised text to the desktop, and the activity log.
#include <string>

#include "app/application.h"
#include "app/shell_logic.h"
#include "app/texts.h"
#include "runtime/codepage.h"
#include "runtime/controls.h"
#include "runtime/dialogs.h"
#include "runtime/files.h"

namespace ornivex {

void OnSaveResult() {
  const std::string text = GetControlText(MainControl(texts::kResultBox));
  if (text.empty()) {
    ShowMessageBox(texts::kEmptyResultText, texts::kEmptyResultCaption, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    return;
  }
  // Named after the picture whose text this is, which is not yet the one chosen
  // last while that one's chain runs.
  const std::string name = ResultFileName(App().state.resultNumber);
  const std::wstring folder = DesktopDirectory();
  const bool saved = !folder.empty() && WriteWholeFile(folder + L"\\" + GbkToWide(name), text);
  if (saved) {
    ShowMessageBox(std::string(texts::kSavedTextPrefix) + name, texts::kSavedCaption,
                   MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
  } else {
    ShowMessageBox(texts::kSaveFailedText, texts::kSaveFailedCaption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}

void UpdateActivityLog() {
  const std::wstring folder = ExecutableDirectory();
  if (folder.empty()) return;
  const std::wstring path = folder + L"\\" + kActivityLogName;

  // Every byte of the old log is kept, whatever it holds. A log that exists but
  // cannot be read is left untouched: this record is lost, the others are not.
  std::optional<std::string> old = ReadWholeFile(path);
  if (!old && FileExists(path)) return;

  const AppState& state = App().state;
  std::string content = ActivityRecord(state.startTime, state.pictureFileName, state.pictureNumber);
  if (old) content += *old;
  // Written beside the log and then swapped in, so the log is always either the
  // old one or the new one. When that fails (a read-only log or folder) the
  // record is lost silently and the choice goes on.
  WriteWholeFile(path, content);
}

}  // namespace ornivex
