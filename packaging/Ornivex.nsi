; The Ornivex installer (64-bit Unicode NSIS, Modern UI in Simplified Chinese
; and English, picked from the system's language).
;
; Per user and without elevation by default, into %LOCALAPPDATA%\Programs\Ornivex;
; for all users, into Program Files, when run elevated with /ALLUSERS. /S installs
; silently (without the desktop shortcut), /D=<folder> picks the folder. An
; existing installation is upgraded in place; a running Ornivex is asked to close.
; The uninstaller removes what the installer made and nothing else: the activity
; log, Ornivex.ini and the results on the desktop stay.
;
; Built by the package target:
;   makensis -INPUTCHARSET UTF8 -DVERSION=<x.y.z> -DSTAGE=<folder> -DICON=<ico>
;            -DOUTFILE=<setup.exe> Ornivex.nsi
; STAGE holds Ornivex.exe, README.txt and THIRD-PARTY-NOTICES.txt.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!ifndef VERSION | STAGE | ICON | OUTFILE
  !error "VERSION, STAGE, ICON and OUTFILE must be given with -D"
!endif

!define APP "Ornivex"
!define EXE "Ornivex.exe"
!define UNINSTALLER "uninstall.exe"
; The class of the program's windows (the main window and the about window).
!define WINDOW_CLASS "OrnivexForm"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define PROGID "Ornivex.Picture"
!define APPLICATION_KEY "Software\Classes\Applications\${EXE}"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\${EXE}"
!define SHORTCUT "${APP}.lnk"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one for systems in neither language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString SectionProgram ${LANG_ENGLISH} "Ornivex (required)"
LangString SectionProgram ${LANG_SIMPCHINESE} "Ornivex（必需）"
LangString SectionDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SectionDesktop ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString PictureType ${LANG_ENGLISH} "Picture (Ornivex)"
LangString PictureType ${LANG_SIMPCHINESE} "图片（Ornivex）"
LangString StillRunning ${LANG_ENGLISH} "Ornivex is still running. Close it, then choose Retry."
LangString StillRunning ${LANG_SIMPCHINESE} "Ornivex 仍在运行。请先关闭它，再点“重试”。"
LangString CannotReplace ${LANG_ENGLISH} "Setup could not write the files in $INSTDIR."
LangString CannotReplace ${LANG_SIMPCHINESE} "安装程序无法写入 $INSTDIR 中的文件。"
LangString NeedsAdministrator ${LANG_ENGLISH} "Installing for all users (/ALLUSERS) needs administrator rights: run Setup as administrator."
LangString NeedsAdministrator ${LANG_SIMPCHINESE} "为所有用户安装（/ALLUSERS）需要管理员权限：请以管理员身份运行安装程序。"

; Version information of the installer and of the uninstaller it writes.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
!macro VERSION_KEYS lang description
  VIAddVersionKey /LANG=${lang} "ProductName" "${APP}"
  VIAddVersionKey /LANG=${lang} "CompanyName" "${APP}"
  VIAddVersionKey /LANG=${lang} "FileDescription" "${description}"
  VIAddVersionKey /LANG=${lang} "FileVersion" "${VERSION}"
  VIAddVersionKey /LANG=${lang} "ProductVersion" "${VERSION}"
  VIAddVersionKey /LANG=${lang} "LegalCopyright" "Free software, free of charge"
!macroend
!insertmacro VERSION_KEYS ${LANG_ENGLISH} "${APP} ${VERSION} Setup"
!insertmacro VERSION_KEYS ${LANG_SIMPCHINESE} "${APP} ${VERSION} 安装程序"

Var AllUsers

; Asks every window of the program to close (WM_CLOSE), then waits until the
; program has let go of its executable. After ten seconds the user may retry or
; give up; a silent run gives up, with exit code 2.
!macro DEFINE_CLOSE_PROGRAM prefix
Function ${prefix}CloseProgram
  StrCpy $R2 0
  ${Do}
    FindWindow $R1 "${WINDOW_CLASS}"
    ${If} $R1 == 0
      ${IfNot} ${FileExists} "$INSTDIR\${EXE}"
        ${Break}
      ${EndIf}
      ClearErrors
      FileOpen $R1 "$INSTDIR\${EXE}" a
      ${IfNot} ${Errors}
        FileClose $R1
        ${Break}
      ${EndIf}
    ${Else}
      SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${EndIf}
    Sleep 200
    IntOp $R2 $R2 + 1
    ${If} $R2 >= 50
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Quit
      retry:
      StrCpy $R2 0
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_PROGRAM ""
!insertmacro DEFINE_CLOSE_PROGRAM "un."

; Tells Explorer that file associations changed.
!macro NOTIFY_ASSOCIATIONS_CHANGED
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; Keys the installation was the first to need, such as an extension's key or
; the parent of the uninstall entry, are noted in the entry ("a|b|", children
; first), so that the uninstaller removes them, when empty, and no others.
Var CreatedKeys
!macro NOTE_IF_NEW key
  ClearErrors
  EnumRegKey $R9 SHCTX "${key}" 0
  ${If} ${Errors}
    StrCpy $CreatedKeys "$CreatedKeys${key}|"
  ${EndIf}
!macroend

!macro OFFER_OPEN_WITH extension
  !insertmacro NOTE_IF_NEW "Software\Classes\${extension}\OpenWithProgids"
  !insertmacro NOTE_IF_NEW "Software\Classes\${extension}"
  WriteRegNone SHCTX "Software\Classes\${extension}\OpenWithProgids" "${PROGID}"
  WriteRegStr SHCTX "${APPLICATION_KEY}\SupportedTypes" "${extension}" ""
!macroend

; Takes the program out of the extension's "Open with" list.
!macro FORGET_OPEN_WITH extension
  DeleteRegValue SHCTX "Software\Classes\${extension}\OpenWithProgids" "${PROGID}"
!macroend

; Removes the keys of the list in $R0 ("a|b|") that are empty.
Function un.DeleteCreatedKeys
  ${Do}
    ${If} $R0 == ""
      ${Break}
    ${EndIf}
    StrCpy $R1 0
    ${Do}
      StrCpy $R2 $R0 1 $R1
      ${If} $R2 == "|"
      ${OrIf} $R2 == ""
        ${Break}
      ${EndIf}
      IntOp $R1 $R1 + 1
    ${Loop}
    StrCpy $R3 $R0 $R1
    IntOp $R1 $R1 + 1
    StrCpy $R0 $R0 "" $R1
    DeleteRegKey /ifempty SHCTX "$R3"
  ${Loop}
FunctionEnd

Section "$(SectionProgram)" SectionProgram
  SectionIn RO
  Call CloseProgram

  SetOutPath "$INSTDIR"
  ClearErrors
  File "${STAGE}\${EXE}"
  File "${STAGE}\README.txt"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(CannotReplace)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  ; An upgrade keeps the list of the installation it replaces.
  ReadRegStr $CreatedKeys SHCTX "${UNINSTALL_KEY}" "CreatedKeys"
  !insertmacro NOTE_IF_NEW "Software\Classes\Applications"
  !insertmacro NOTE_IF_NEW "Software\Microsoft\Windows\CurrentVersion\App Paths"
  !insertmacro NOTE_IF_NEW "Software\Microsoft\Windows\CurrentVersion\Uninstall"

  ; "Open with" for the four picture types, through a ProgID of the program's own
  ; and its application registration. The types' default program is not touched.
  WriteRegStr SHCTX "Software\Classes\${PROGID}" "" "$(PictureType)"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  WriteRegStr SHCTX "${APPLICATION_KEY}" "FriendlyAppName" "${APP}"
  WriteRegStr SHCTX "${APPLICATION_KEY}\DefaultIcon" "" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${APPLICATION_KEY}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
  !insertmacro OFFER_OPEN_WITH ".jpg"
  !insertmacro OFFER_OPEN_WITH ".jpeg"
  !insertmacro OFFER_OPEN_WITH ".png"
  !insertmacro OFFER_OPEN_WITH ".bmp"
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "" "$INSTDIR\${EXE}"
  !insertmacro NOTIFY_ASSOCIATIONS_CHANGED

  ; The entry in "Apps & features".
  SectionGetSize ${SectionProgram} $R0
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "CreatedKeys" "$CreatedKeys"
SectionEnd

; Offered and ticked on the components page; left out of a silent install.
Section "$(SectionDesktop)" SectionDesktop
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${If} ${Errors}
    StrCpy $AllUsers 0
    SetShellVarContext current
  ${Else}
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdministrator)" /SD IDOK
      SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${EndIf}

  ; /D= wins; otherwise the folder of an earlier installation, so that an upgrade
  ; lands in place; otherwise the programs folder of the user or of all users.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\${APP}"
    ${Else}
      GetKnownFolderPath $R1 {5CD7AEE2-2219-4A67-B85D-6C9CE15660CB} ; FOLDERID_UserProgramFiles
      ${If} $R1 == ""
        StrCpy $R1 "$LOCALAPPDATA\Programs"
      ${EndIf}
      StrCpy $INSTDIR "$R1\${APP}"
    ${EndIf}
  ${EndIf}

  ${If} ${Silent}
    !insertmacro UnselectSection ${SectionDesktop}
  ${EndIf}
FunctionEnd

Function un.onInit
  ; The uninstaller serves the installation it sits in: all users when the
  ; machine-wide entry names this folder, otherwise the current user.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseProgram

  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: the activity log and Ornivex.ini stay with their folder.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"

  !insertmacro FORGET_OPEN_WITH ".jpg"
  !insertmacro FORGET_OPEN_WITH ".jpeg"
  !insertmacro FORGET_OPEN_WITH ".png"
  !insertmacro FORGET_OPEN_WITH ".bmp"
  DeleteRegKey SHCTX "Software\Classes\${PROGID}"
  DeleteRegKey SHCTX "${APPLICATION_KEY}"
  DeleteRegKey SHCTX "${APP_PATHS_KEY}"
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "CreatedKeys"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  Call un.DeleteCreatedKeys
  !insertmacro NOTIFY_ASSOCIATIONS_CHANGED
SectionEnd
