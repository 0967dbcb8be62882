// Choosing a picture and the OCR service. The upload and recognition chain and
// the token request are built on the HTTP client; until then the choice of a
// picture is shown and logged.
#include "app/application.h"
#include "app/multipart.h"
#include "app/texts.h"
#include "runtime/controls.h"

namespace ornivex {

void FetchAccessToken() {
  // Token stage of start-up: GET the OAuth token and keep it in
  // App().state.accessToken. Nothing is fetched yet.
}

void OnChoosePicture() {
  HWND pathBox = MainControl(texts::kPathBox);
  OpenFileDialog* dialog = App().mainWindow->Dialog(texts::kPictureDialog);
  if (!pathBox || !dialog) return;
  SetControlText(pathBox, "");
  // The outcome does not matter: after Cancel the dialog keeps its previous name.
  dialog->Show(App().mainWindow->Handle());
  SetControlText(pathBox, dialog->FileName());

  AppState& state = App().state;
  state.pictureFileName = PictureFileName(GetControlText(pathBox));
  state.pictureNumber = static_cast<std::int32_t>(DrawPictureNumber(GetTickCount()));
  UpdateActivityLog();
  // Next: the upload, recognition and display workers, started one by another.
}

}  // namespace ornivex
