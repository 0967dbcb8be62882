#include "app/forms.h"

#include <windows.h>

#include "app/texts.h"
#include "resources/resource_ids.h"
#include "resources/skin_pictures.h"
#include "skin/pixels.h"

namespace ornivex {

namespace {

using namespace texts;

// Fonts named by the forms; heights are LOGFONT heights (negative: pixels).
constexpr FontDef kPathFont{.height = -16, .weight = FW_NORMAL, .charset = GB2312_CHARSET, .face = {}};
constexpr FontDef kResultFont{.height = -19, .weight = FW_NORMAL, .charset = GB2312_CHARSET, .face = kYaHeiFace};
constexpr FontDef kButtonFont{.height = -16, .weight = FW_NORMAL, .charset = GB2312_CHARSET, .face = kHybridFace};
constexpr FontDef kSmallButtonFont{
    .height = -13, .weight = FW_NORMAL, .charset = GB2312_CHARSET, .face = kHybridFace};
constexpr FontDef kChineseLabelFont{
    .height = -19, .weight = FW_NORMAL, .charset = GB2312_CHARSET, .face = kHybridFace};
constexpr FontDef kEnglishLabelFont{
    .height = -14, .weight = FW_NORMAL, .charset = ANSI_CHARSET, .face = kVerdanaFace};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);  // colour value 255

const ControlDef kMainControls[] = {
    {.name = kGroupBox, .kind = ControlKind::GroupBox, .bounds = {3, 29, 309, 475}, .text = kGroupBoxText},
    {.name = kPathBox,
     .kind = ControlKind::EditBox,
     .parent = kGroupBox,
     .bounds = {6, 21, 220, 24},
     .text = kPathPrompt,
     .font = &kPathFont,
     .style = WS_BORDER | ES_AUTOHSCROLL | ES_READONLY,
     .textColour = kBlack,
     .backColour = kWhite},
    {.name = kChoosePictureButton,
     .kind = ControlKind::PushButton,
     .parent = kGroupBox,
     .bounds = {231, 21, 72, 24},
     .text = kChoosePictureText},
    {.name = kPictureDialog,
     .kind = ControlKind::CommonDialog,
     .parent = kGroupBox,
     .bounds = {149, 11, 26, 26},
     .text = kPictureFilter},
    {.name = kResultBox,
     .kind = ControlKind::EditBox,
     .parent = kGroupBox,
     .bounds = {6, 49, 297, 419},
     .text = {},
     .font = &kResultFont,
     .style = WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_READONLY,
     .textColour = kRed,
     .backColour = kWhite},
    {.name = kSaveResultButton,
     .kind = ControlKind::PushButton,
     .bounds = {67, 504, 80, 29},
     .text = kSaveResultText,
     .font = &kButtonFont},
    {.name = kAboutButton,
     .kind = ControlKind::PushButton,
     .bounds = {150, 504, 80, 29},
     .text = kAboutText,
     .font = &kButtonFont},
    {.name = kCheckNewVersionButton,
     .kind = ControlKind::PushButton,
     .bounds = {232, 504, 80, 29},
     .text = kCheckNewVersionText,
     .font = &kSmallButtonFont},
};

// Borderless: the skin draws the caption bar and the frame.
const FormDef kMainWindow{
    .caption = kMainCaption,
    .bounds = {50, 50, kMainWindowWidth, kMainWindowHeight},
    .style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
    .exStyle = WS_EX_APPWINDOW,
    .iconResource = ORNIVEX_IDI_APP,
    .controls = kMainControls,
};

// The logo drawn for the scale nearest the window's.
std::span<const std::uint8_t> AboutLogoForDpi(int dpi) { return pictures::AboutLogo(skin::PictureScaleStep(dpi)); }

const ControlDef kAboutControls[] = {
    {.name = kLogoBox,
     .kind = ControlKind::PictureBox,
     .bounds = {2, 1, 550, 166},
     .picture = AboutLogoForDpi},
    {.name = kChineseLabel,
     .kind = ControlKind::Label,
     .bounds = {8, 168, 270, 200},
     .text = kAboutChinese,
     .font = &kChineseLabelFont,
     .transparent = true,
     .wordWrap = true},
    {.name = kEnglishLabel,
     .kind = ControlKind::Label,
     .bounds = {279, 168, 270, 176},
     .text = kAboutEnglish,
     .font = &kEnglishLabelFont,
     .transparent = true,
     .wordWrap = true},
    {.name = kTranslationLabel,
     .kind = ControlKind::Label,
     .bounds = {280, 344, 264, 24},
     .text = kAboutTranslationNote,
     .transparent = true},
};

// Fixed border: a caption with only the close button, not resizable.
const FormDef kAboutWindow{
    .caption = kAboutCaption,
    .bounds = {50, 50, 556, 400},
    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
    .exStyle = WS_EX_DLGMODALFRAME,
    .iconResource = 0,
    .controls = kAboutControls,
};

}  // namespace

const FormDef& MainWindowDefinition() { return kMainWindow; }
const FormDef& AboutWindowDefinition() { return kAboutWindow; }

}  // namespace ornivex
