; The Ornivex installer (64-bit Unicode NSIS, Modern UI in Simplified Chinese
; and English, picked from the system's language).
;
; Per user and without elevation by default, into %LOCALAPPDATA%\Programs\Ornivex;
; for all users, into Program Files, when run elevated with /ALLUSERS. /S installs
; silently (without the desktop shortcut), /D=<folder> picks the folder. An
; existing installation is upgraded in place; a running Ornivex of that
; installation is asked to close, and other copies (a portable one) are left
; alone. The uninstaller removes what the installer made and nothing else: the
; activity log, Ornivex.ini and the results on the desktop stay. The uninstaller
; of an all-users installation asks for elevation when it is started without it,
; as Settings > Apps starts it.
;
; Built by the package target:
;   makensis -INPUTCHARSET UTF8 -DVERSION=<x.y.z> -DSTAGE=<folder> -DICON=<ico>
;            -DPACKAGE_NSH=<package.nsh> -DOUTFILE=<setup.exe> Ornivex.nsi
; STAGE holds the files that ship, as they ship; PACKAGE_NSH (made by
; packaging/package_nsh.py) names them and tells the working-set tool
; (empty.exe) the program writes into the Windows folder by its size and CRC-32.
;
; Two environment variables are for tests, where this Wine runs every program
; elevated: ORNIVEX_SETUP_TRACE=1 appends each decision of Setup and of the
; uninstaller to %TEMP%\Ornivex-setup.log; ORNIVEX_SETUP_ACCOUNT=User has them
; take themselves for a program started without elevation (a copy the
; uninstaller starts elevated looks at its real rights).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!ifndef VERSION | STAGE | ICON | OUTFILE | PACKAGE_NSH
  !error "VERSION, STAGE, ICON, PACKAGE_NSH and OUTFILE must be given with -D"
!endif
!include "${PACKAGE_NSH}"

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
; Given by the uninstaller to the copy of itself it starts elevated.
!define ELEVATED_SWITCH "/ELEVATED"
!define ERROR_ELEVATION_REQUIRED 740
; Microsoft's download of the Visual C++ 2015-2022 runtime, x64, the built-in OCR
; engine's onnxruntime.dll needs.
!define VC_RUNTIME_URL "https://aka.ms/vs/17/release/vc_redist.x64.exe"

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
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
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
LangString StillRunning ${LANG_ENGLISH} "Ornivex is still running from $INSTDIR. Close it, then choose Retry."
LangString StillRunning ${LANG_SIMPCHINESE} "$INSTDIR 中的 Ornivex 仍在运行。请先关闭它，再点“重试”。"
LangString CannotReplace ${LANG_ENGLISH} "Setup could not write the files in $INSTDIR."
LangString CannotReplace ${LANG_SIMPCHINESE} "安装程序无法写入 $INSTDIR 中的文件。"
LangString CannotRemove ${LANG_ENGLISH} "The uninstaller could not remove $INSTDIR\${EXE}. Nothing was removed."
LangString CannotRemove ${LANG_SIMPCHINESE} "卸载程序无法删除 $INSTDIR\${EXE}，没有删除任何内容。"
LangString NeedsAdministrator ${LANG_ENGLISH} "Installing for all users (/ALLUSERS) needs administrator rights: run Setup as administrator."
LangString NeedsAdministrator ${LANG_SIMPCHINESE} "为所有用户安装（/ALLUSERS）需要管理员权限：请以管理员身份运行安装程序。"
LangString NoVisualCpp ${LANG_ENGLISH} "Ornivex's built-in OCR engine needs the Microsoft Visual C++ 2015-2022 runtime (x64, a 2022 release or later), which this PC does not have ($R1 is missing). Ornivex is installed all the same; until the runtime is there, it cannot read pictures by itself. Get the runtime from Microsoft:$\r$\n${VC_RUNTIME_URL}$\r$\nOpen that page now?"
LangString NoVisualCpp ${LANG_SIMPCHINESE} "Ornivex 的内置识别引擎需要 Microsoft Visual C++ 2015-2022 运行库（x64，2022 或更新的版本），这台电脑上没有（缺少 $R1）。Ornivex 照样会安装，但装好运行库之前它不能自己识别图片。运行库可从微软下载：$\r$\n${VC_RUNTIME_URL}$\r$\n现在打开这个网址吗？"
LangString UninstallNeedsAdministrator ${LANG_ENGLISH} "Ornivex is installed for all users: removing it needs administrator rights."
LangString UninstallNeedsAdministrator ${LANG_SIMPCHINESE} "Ornivex 是为所有用户安装的，卸载它需要管理员权限。"

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
Var Trace          ; 1: decisions go to %TEMP%\Ornivex-setup.log
Var Administrator  ; 1: this process may change what all users share
Var Elevated       ; 1: this process runs elevated above the user who started it

!macro TRACE prefix text
  Push "${text}"
  Call ${prefix}Trace
!macroend

!macro DEFINE_COMMON prefix
; Appends the line on the stack to the decision log, when there is one.
Function ${prefix}Trace
  Exch $0
  Push $1
  ${If} $Trace == 1
    FileOpen $1 "$TEMP\Ornivex-setup.log" a
    FileSeek $1 0 END
    FileWrite $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Reads the rights this process has, and the test switches of the environment.
Function ${prefix}ReadRights
  ReadEnvStr $0 ORNIVEX_SETUP_TRACE
  ${If} $0 != ""
    StrCpy $Trace 1
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  StrCpy $Administrator 0
  ${If} $0 == "Admin"
    StrCpy $Administrator 1
  ${EndIf}
  ; TokenElevationTypeFull (2): elevated by UAC, unlike the desktop that started it.
  StrCpy $Elevated 0
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r0'
  ${If} $0 != 0
    System::Call 'advapi32::GetTokenInformation(p r1, i 18, *i .r2, i 4, *i .r3) i .r0'
    ${If} $0 != 0
    ${AndIf} $2 == 2
      StrCpy $Elevated 1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "${ELEVATED_SWITCH}" $1
  ${If} ${Errors}
    ReadEnvStr $0 ORNIVEX_SETUP_ACCOUNT
    ${If} $0 == "User"
      StrCpy $Administrator 0
      StrCpy $Elevated 0
    ${EndIf}
  ${EndIf}
  !insertmacro TRACE "${prefix}" "rights: administrator $Administrator, elevated $Elevated"
FunctionEnd

; The number of processes that run the program of this installation
; ($INSTDIR\Ornivex.exe, by their image's full path) in $R3. With $R4 == "close"
; each window of the program's class that belongs to one of them is asked to
; close; windows of other copies (a portable one) are left alone.
Function ${prefix}RunningCopies
  Push $0
  Push $1
  Push $2
  Push $5
  Push $6
  Push $7
  Push $8
  ; The path as the system gives an image's: long names.
  StrCpy $5 "$INSTDIR\${EXE}"
  System::Call 'kernel32::GetLongPathNameW(w r5, w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 > 0
    StrCpy $5 $0
  ${EndIf}
  StrCpy $R3 0
  System::Alloc 16384
  Pop $6
  System::Call 'kernel32::K32EnumProcesses(p r6, i 16384, *i .r7) i .r0'
  ${If} $0 != 0
    IntOp $7 $7 / 4
    StrCpy $8 0
    ${DoWhile} $8 < $7
      IntOp $0 $8 * 4
      IntPtrOp $0 $6 + $0
      System::Call '*$0(i .r0)'
      Push $0
      Call ${prefix}ImageOfProcess
      Pop $1
      ${If} $1 == $5
        IntOp $R3 $R3 + 1
      ${EndIf}
      IntOp $8 $8 + 1
    ${Loop}
  ${EndIf}
  System::Free $6
  ${If} $R4 == "close"
    StrCpy $1 0
    ${Do}
      FindWindow $1 "${WINDOW_CLASS}" "" 0 $1
      ${If} $1 == 0
        ${Break}
      ${EndIf}
      System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r0)'
      Push $0
      Call ${prefix}ImageOfProcess
      Pop $2
      ${If} $2 == $5
        !insertmacro TRACE "${prefix}" "closing a window of $2"
        SendMessage $1 ${WM_CLOSE} 0 0 /TIMEOUT=2000
      ${Else}
        !insertmacro TRACE "${prefix}" "leaving a window of $2"
      ${EndIf}
    ${Loop}
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The full path of the image the process on the stack runs, or "" when it
; cannot be asked.
Function ${prefix}ImageOfProcess
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r0) p .r1'  ; PROCESS_QUERY_LIMITED_INFORMATION
  StrCpy $0 ""
  ${If} $1 P<> 0
    System::Call 'kernel32::QueryFullProcessImageNameW(p r1, i 0, w .r0, *i ${NSIS_MAX_STRLEN}) i .r2'
    ${If} $2 == 0
      StrCpy $0 ""
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Asks the program of this installation to close (WM_CLOSE to its windows),
; then waits until no process runs it. After ten seconds the user may retry or
; give up; a silent run gives up, with exit code 2. A file that cannot be opened
; is not taken for a running program: that is found when it is replaced.
Function ${prefix}CloseProgram
  StrCpy $R2 0
  ${Do}
    StrCpy $R4 "close"
    Call ${prefix}RunningCopies
    ${If} $R3 == 0
      ${Break}
    ${EndIf}
    ${If} $R2 == 0
      !insertmacro TRACE "${prefix}" "running copies of $INSTDIR\${EXE}: $R3"
    ${EndIf}
    Sleep 200
    IntOp $R2 $R2 + 1
    ${If} $R2 >= 50
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      !insertmacro TRACE "${prefix}" "still running: giving up"
      SetErrorLevel 2
      Quit
      retry:
      StrCpy $R2 0
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_COMMON ""
!insertmacro DEFINE_COMMON "un."

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

  ClearErrors
  !insertmacro INSTALL_SHIPPED_FILES
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$(CannotReplace)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
  Call CheckVisualCppRuntime

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

; The built-in OCR engine's onnxruntime.dll needs the Visual C++ 2015-2022 runtime,
; x64, in a 2022 release (MSVCP140_ATOMIC_WAIT.dll came with it). Most PCs have
; it; when this one does not, Setup says so and offers Microsoft's download, and
; goes on: the program runs without it, and the cloud engine needs none of it.
; ORNIVEX_SETUP_SYSTEM_FOLDER has a test look in another folder than System32.
Function CheckVisualCppRuntime
  ReadEnvStr $R0 ORNIVEX_SETUP_SYSTEM_FOLDER
  ${If} $R0 == ""
    StrCpy $R0 $SYSDIR
  ${EndIf}
  StrCpy $R1 ""
  ${IfNot} ${FileExists} "$R0\VCRUNTIME140.dll"
    StrCpy $R1 "VCRUNTIME140.dll"
  ${ElseIfNot} ${FileExists} "$R0\VCRUNTIME140_1.dll"
    StrCpy $R1 "VCRUNTIME140_1.dll"
  ${ElseIfNot} ${FileExists} "$R0\MSVCP140.dll"
    StrCpy $R1 "MSVCP140.dll"
  ${ElseIfNot} ${FileExists} "$R0\MSVCP140_ATOMIC_WAIT.dll"
    StrCpy $R1 "MSVCP140_ATOMIC_WAIT.dll"
  ${EndIf}
  ${If} $R1 == ""
    !insertmacro TRACE "" "Visual C++ runtime: present"
    Return
  ${EndIf}
  !insertmacro TRACE "" "Visual C++ runtime: $R1 is missing; told, with ${VC_RUNTIME_URL}"
  DetailPrint "$(NoVisualCpp)"
  MessageBox MB_YESNO|MB_ICONINFORMATION "$(NoVisualCpp)" /SD IDNO IDNO done
    ExecShell "open" "${VC_RUNTIME_URL}"
  done:
FunctionEnd

; Offered and ticked on the components page; left out of a silent install.
Section "$(SectionDesktop)" SectionDesktop
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

Function .onInit
  Call ReadRights
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${If} ${Errors}
    StrCpy $AllUsers 0
    SetShellVarContext current
  ${Else}
    ${If} $Administrator != 1
      !insertmacro TRACE "" "install for all users: not an administrator"
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdministrator)" /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
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
  ${If} $Elevated == 1
    !insertmacro TRACE "" "finish page: no start of Ornivex (Setup runs elevated)"
  ${Else}
    !insertmacro TRACE "" "finish page: offers to start Ornivex"
  ${EndIf}
FunctionEnd

; Started from an elevated Setup, Ornivex would run elevated too: drops from
; Explorer would be blocked and it would read the administrator's settings. The
; finish page then offers no start; the user starts it from the Start menu.
Function FinishPageShow
  ${If} $Elevated == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; The copy of the uninstaller that runs elevated: started with "runas" (the
; system asks the user), waited for, its exit code taken as this one's.
Function un.RunElevated
  StrCpy $1 "${ELEVATED_SWITCH}"
  ${If} ${Silent}
    StrCpy $1 "$1 /S"
  ${EndIf}
  StrCpy $1 "$1 _?=$INSTDIR"
  ; SHELLEXECUTEINFOW, 112 bytes, with the padding x64 puts after nShow and dwHotKey.
  System::Call '*(&l4, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w r1, p 0, i 1, i 0, p, p, p, p, i, i 0, p, p) p .r0'
  System::Call 'shell32::ShellExecuteExW(p r0) i .r2 ? e'
  Pop $3  ; the error
  System::Call '*$0(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r4)'
  System::Free $0
  ${If} $2 == 0
  ${OrIf} $4 P= 0
    !insertmacro TRACE "un." "elevation refused or failed (error $3)"
    MessageBox MB_OK|MB_ICONSTOP "$(UninstallNeedsAdministrator)" /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
  System::Call 'kernel32::WaitForSingleObject(p r4, i -1)'
  System::Call 'kernel32::GetExitCodeProcess(p r4, *i .r5)'
  System::Call 'kernel32::CloseHandle(p r4)'
  !insertmacro TRACE "un." "the elevated uninstaller ended with $5"
  SetErrorLevel $5
  Quit
FunctionEnd

Function un.onInit
  Call un.ReadRights
  ; The uninstaller serves the installation it sits in: all users when the
  ; machine-wide entry names this folder, otherwise the current user.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == $INSTDIR
    StrCpy $AllUsers 1
    SetShellVarContext all
    ${If} $Administrator != 1
      ${GetParameters} $R1
      ClearErrors
      ${GetOptions} $R1 "${ELEVATED_SWITCH}" $R2
      ${IfNot} ${Errors}
        !insertmacro TRACE "un." "uninstall for all users: still not an administrator when elevated"
        MessageBox MB_OK|MB_ICONSTOP "$(UninstallNeedsAdministrator)" /SD IDOK
        SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
        Quit
      ${EndIf}
      !insertmacro TRACE "un." "uninstall for all users: asking for elevation"
      Call un.RunElevated
    ${EndIf}
    !insertmacro TRACE "un." "uninstall for all users"
  ${Else}
    StrCpy $AllUsers 0
    SetShellVarContext current
    !insertmacro TRACE "un." "uninstall for the current user"
  ${EndIf}
FunctionEnd

; Whether another installation of the program remains (the other scope's
; entry, with its program there): $R5 = 1 or 0.
Function un.AnotherInstallation
  StrCpy $R5 0
  ${If} $AllUsers == 1
    ReadRegStr $R6 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${Else}
    ReadRegStr $R6 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $R6 != ""
  ${AndIf} $R6 != $INSTDIR
  ${AndIf} ${FileExists} "$R6\${EXE}"
    StrCpy $R5 1
  ${EndIf}
FunctionEnd

; Whether the file named on the stack is the working-set tool the program
; writes (its size and CRC-32), on the stack: 1 or 0.
Function un.IsProgramTool
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $4 0
  ClearErrors
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 0 END $2
    ${If} $2 == ${EMPTY_TOOL_SIZE}
      FileSeek $1 0 SET
      System::Alloc $2
      Pop $3
      System::Call 'kernel32::ReadFile(p r1, p r3, i r2, *i .r0, p 0) i .r4'
      ${If} $4 != 0
      ${AndIf} $0 == $2
        System::Call 'ntdll::RtlComputeCrc32(i 0, p r3, i r2) i .r0'
        IntFmt $0 "0x%08X" $0
        StrCpy $4 0
        ${If} $0 == ${EMPTY_TOOL_CRC32}
          StrCpy $4 1
        ${EndIf}
      ${Else}
        StrCpy $4 0
      ${EndIf}
      System::Free $3
    ${EndIf}
    FileClose $1
  ${EndIf}
  StrCpy $0 $4
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Section "Uninstall"
  Call un.CloseProgram

  ; The program first: when it cannot go, everything else stays, the entry
  ; included, so that the uninstall can be tried again.
  Delete "$INSTDIR\${EXE}"
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    !insertmacro TRACE "un." "cannot remove $INSTDIR\${EXE}"
    MessageBox MB_OK|MB_ICONSTOP "$(CannotRemove)" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  !insertmacro REMOVE_SHIPPED_FILES
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

  ; The working-set tool the program wrote into the Windows folder goes with the
  ; last installation, when it is the program's own (a tool of that name from
  ; elsewhere stays) and the uninstaller may delete it. A portable copy that
  ; still runs writes it again when it needs it.
  ReadEnvStr $R7 windir
  ${If} $R7 != ""
  ${AndIf} ${FileExists} "$R7\empty.exe"
    Push "$R7\empty.exe"
    Call un.IsProgramTool
    Pop $R8
    Call un.AnotherInstallation
    !insertmacro TRACE "un." "empty.exe: the program's own $R8, another installation $R5"
    ${If} $R8 == 1
    ${AndIf} $R5 == 0
      Delete "$R7\empty.exe"
    ${EndIf}
  ${EndIf}
SectionEnd
