; Setup program of RodeRedud Anti-Malware: installs the program, the reference
; engine and the default theme, registers the engine, runs the program's
; installer switches and records the installer choices; its uninstaller undoes
; all of it.
;
; Defines given by the build (installer/CMakeLists.txt):
;   RR_VERSION   version (the theme's "version")
;   RR_COMPANY   the theme's "company_name"     RR_APP    the theme's "app_name"
;   RR_TITLE     the application title (profile key name)
;   RR_EXE       the theme's "exe_name"          RR_ENGINE the engine executable
;   RR_OUT       folder with the built layout    RR_UIXML  the ui.xml to ship
;   RR_OUTFILE   the setup program to write
;   RR_QUICK_COMPRESSION (optional) quicker, larger compression for test builds
;
; Silent command line (/S), every option optional:
;   /DESKTOP=0|1 /LOGIN=0|1 /QUICK=0|1 /UPDATES=0|1 /AUTOSCAN=0|1
;   /NOAP      switch automatic active protection off
;   /LAUNCH    start the program when setup has finished
;   /D=<folder> (last) install folder of a first installation
; Uninstaller: /S keeps the quarantine and the engine's data unless /REMOVEDATA.

; A 64-bit setup program for a 64-bit product: it sees the 64-bit Program Files
; and registry as they are, and it runs where 32-bit programs cannot.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
!ifdef RR_QUICK_COMPRESSION
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

!ifndef RR_UIXML
  !define RR_UIXML "${RR_OUT}/ui.xml"
!endif

!define RR_UNINSTALLER "Uninstall.exe"
!define RR_ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${RR_APP}"
!define RR_MACHINE_KEY "Software\${RR_COMPANY}\${RR_APP}"
!define RR_PROFILE_KEY "Software\${RR_COMPANY}\${RR_TITLE}"
!define RR_ICON "res.dll"
!define RR_ICON_ID "-128"
; Explorer's "Scan with" verb on files, folders and drives.
!define RR_VERB_NAME "RodeRedudScan"
!define RR_VERB_TEXT "Scan with ${RR_APP}"

Name "${RR_APP}"
OutFile "${RR_OUTFILE}"
InstallDir "$PROGRAMFILES64\${RR_APP}"
BrandingText "${RR_APP} ${RR_VERSION}"
VIProductVersion "${RR_VERSION}"
VIAddVersionKey "ProductName" "${RR_APP}"
VIAddVersionKey "CompanyName" "${RR_COMPANY}"
VIAddVersionKey "FileVersion" "${RR_VERSION}"
VIAddVersionKey "ProductVersion" "${RR_VERSION}"
VIAddVersionKey "FileDescription" "${RR_APP} Setup"
VIAddVersionKey "LegalCopyright" "${RR_COMPANY}"

Var Update          ; 1: an earlier version is installed in $INSTDIR
Var StoredLogin     ; the earlier installation's Login choice
Var ChoiceDesktop
Var ChoiceLogin
Var ChoiceQuick
Var ChoiceUpdates
Var ChoiceAutoScan
Var ChoiceProtection ; 0: automatic active protection off (/noap)
Var Launch
Var RemoveData

Var BoxDesktop
Var BoxLogin
Var BoxQuick
Var BoxUpdates
Var BoxAutoScan
Var BoxProtection

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${RR_APP} now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipWhenUpdating
!insertmacro MUI_PAGE_DIRECTORY
Page custom OptionsPageShow OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Shared pieces

; Waits (at most ten seconds) until the file can be opened for writing: a
; program that has been asked to end has then let go of its executable.
!macro WaitUntilWritable FILE
  Push $0
  Push $1
  StrCpy $1 0
  ${Do}
    ${IfNot} ${FileExists} "${FILE}"
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $0 "${FILE}" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 > 40
      DetailPrint "${FILE} is still in use."
      ${Break}
    ${EndIf}
    Sleep 250
  ${Loop}
  Pop $1
  Pop $0
!macroend

; Ends the running program and the engine before their files are replaced or removed.
!macro EndRunningProgram
  ExecWait '"$INSTDIR\${RR_EXE}" /shutdown'
  ExecWait '"$INSTDIR\${RR_ENGINE}" /stop'
  !insertmacro WaitUntilWritable "$INSTDIR\${RR_EXE}"
  !insertmacro WaitUntilWritable "$INSTDIR\${RR_ENGINE}"
!macroend

; Reads a 0/1 option from the command line into VAR; absent leaves VAR as it is.
!macro ReadChoice PARAMS NAME VAR
  ClearErrors
  ${GetOptions} "${PARAMS}" "/${NAME}=" $R9
  ${IfNot} ${Errors}
    ${If} $R9 == "0"
      StrCpy ${VAR} 0
    ${Else}
      StrCpy ${VAR} 1
    ${EndIf}
  ${EndIf}
!macroend

; Reads a stored 0/1 choice from the machine key into VAR; absent leaves VAR.
!macro ReadStoredChoice NAME VAR
  ClearErrors
  ReadRegDWORD $R9 HKLM "${RR_MACHINE_KEY}" "${NAME}"
  ${IfNot} ${Errors}
    ${If} $R9 = 0
      StrCpy ${VAR} 0
    ${Else}
      StrCpy ${VAR} 1
    ${EndIf}
  ${EndIf}
!macroend

!macro RegisterVerb ROOT
  WriteRegStr HKCR "${ROOT}\shell\${RR_VERB_NAME}" "" "${RR_VERB_TEXT}"
  WriteRegStr HKCR "${ROOT}\shell\${RR_VERB_NAME}" "MUIVerb" "${RR_VERB_TEXT}"
  WriteRegStr HKCR "${ROOT}\shell\${RR_VERB_NAME}" "Icon" '"$INSTDIR\${RR_ICON}",${RR_ICON_ID}'
  WriteRegStr HKCR "${ROOT}\shell\${RR_VERB_NAME}" "MultiSelectModel" "Player"
  WriteRegStr HKCR "${ROOT}\shell\${RR_VERB_NAME}\command" "" '"$INSTDIR\${RR_EXE}" /scan:custom /path:"%1"'
!macroend

; ---------------------------------------------------------------------------
; Setup

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "${RR_APP} needs a 64-bit edition of Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all

  StrCpy $Update 0
  StrCpy $StoredLogin 0
  StrCpy $ChoiceDesktop 1
  StrCpy $ChoiceLogin 1
  StrCpy $ChoiceQuick 1
  StrCpy $ChoiceUpdates 1
  StrCpy $ChoiceAutoScan 1
  StrCpy $ChoiceProtection 1
  StrCpy $Launch 0

  ; An earlier installation: update it where it is, with the choices it recorded.
  ReadRegStr $0 HKLM "${RR_ARP_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${RR_EXE}"
    StrCpy $INSTDIR $0
    StrCpy $Update 1
    !insertmacro ReadStoredChoice "Desktop" $ChoiceDesktop
    !insertmacro ReadStoredChoice "Login" $ChoiceLogin
    StrCpy $StoredLogin $ChoiceLogin
    !insertmacro ReadStoredChoice "Quick" $ChoiceQuick
    !insertmacro ReadStoredChoice "Updates" $ChoiceUpdates
    !insertmacro ReadStoredChoice "AutoScan" $ChoiceAutoScan
    ClearErrors
    ReadRegDWORD $1 HKLM "${RR_MACHINE_KEY}" "AutoActiveProtection"
    ${IfNot} ${Errors}
    ${AndIf} $1 = 0
      StrCpy $ChoiceProtection 0
    ${EndIf}
  ${EndIf}

  ${GetParameters} $R0
  !insertmacro ReadChoice $R0 "DESKTOP" $ChoiceDesktop
  !insertmacro ReadChoice $R0 "LOGIN" $ChoiceLogin
  !insertmacro ReadChoice $R0 "QUICK" $ChoiceQuick
  !insertmacro ReadChoice $R0 "UPDATES" $ChoiceUpdates
  !insertmacro ReadChoice $R0 "AUTOSCAN" $ChoiceAutoScan
  ClearErrors
  ${GetOptions} $R0 "/NOAP" $R1
  ${IfNot} ${Errors}
    StrCpy $ChoiceProtection 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/LAUNCH" $R1
  ${IfNot} ${Errors}
    StrCpy $Launch 1
  ${EndIf}
FunctionEnd

Function SkipWhenUpdating
  ${If} $Update = 1
    Abort
  ${EndIf}
FunctionEnd

Function OptionsPageShow
  !insertmacro MUI_HEADER_TEXT "Options" "Choose how ${RR_APP} protects this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0u 100% 12u "Turn on active protection"
  Pop $BoxProtection
  ${NSD_CreateCheckbox} 0 16u 100% 12u "Start ${RR_APP} when I log on"
  Pop $BoxLogin
  ${NSD_CreateCheckbox} 0 32u 100% 12u "Run a quick scan every day"
  Pop $BoxQuick
  ${NSD_CreateCheckbox} 0 48u 100% 12u "Scan automatically on a schedule"
  Pop $BoxAutoScan
  ${NSD_CreateCheckbox} 0 64u 100% 12u "Update threat definitions automatically"
  Pop $BoxUpdates
  ${NSD_CreateCheckbox} 0 80u 100% 12u "Create a desktop shortcut"
  Pop $BoxDesktop
  ${If} $ChoiceProtection = 1
    ${NSD_Check} $BoxProtection
  ${EndIf}
  ${If} $ChoiceLogin = 1
    ${NSD_Check} $BoxLogin
  ${EndIf}
  ${If} $ChoiceQuick = 1
    ${NSD_Check} $BoxQuick
  ${EndIf}
  ${If} $ChoiceAutoScan = 1
    ${NSD_Check} $BoxAutoScan
  ${EndIf}
  ${If} $ChoiceUpdates = 1
    ${NSD_Check} $BoxUpdates
  ${EndIf}
  ${If} $ChoiceDesktop = 1
    ${NSD_Check} $BoxDesktop
  ${EndIf}
  nsDialogs::Show
FunctionEnd

!macro TakeBox BOX VAR
  ${NSD_GetState} ${BOX} $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy ${VAR} 1
  ${Else}
    StrCpy ${VAR} 0
  ${EndIf}
!macroend

Function OptionsPageLeave
  !insertmacro TakeBox $BoxProtection $ChoiceProtection
  !insertmacro TakeBox $BoxLogin $ChoiceLogin
  !insertmacro TakeBox $BoxQuick $ChoiceQuick
  !insertmacro TakeBox $BoxAutoScan $ChoiceAutoScan
  !insertmacro TakeBox $BoxUpdates $ChoiceUpdates
  !insertmacro TakeBox $BoxDesktop $ChoiceDesktop
FunctionEnd

; The program runs as the desktop user, not with setup's elevated rights.
Function StartProgram
  Exec '"$INSTDIR\${RR_EXE}" /unelevate'
FunctionEnd

Section "Install"
  SetRegView 64
  SetShellVarContext all

  ${If} $Update = 1
    DetailPrint "Ending the running program and the engine"
    !insertmacro EndRunningProgram
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${RR_OUT}/${RR_EXE}"
  File "${RR_OUT}/${RR_ENGINE}"
  File "${RR_OUT}/res.dll"
  File "/oname=ui.xml" "${RR_UIXML}"
  SetOutPath "$INSTDIR\images"
  File /r "${RR_OUT}/images/*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${RR_UNINSTALLER}"

  DetailPrint "Registering the engine"
  ExecWait '"$INSTDIR\${RR_ENGINE}" /regserver' $0
  ${If} $0 != 0
    DetailPrint "The engine registration failed ($0)."
  ${EndIf}

  ; The first-install values (install time, default scan times, logon task)
  ; are written once; an update keeps those of the installation it updates,
  ; unless it is asked for the logon start that installation went without.
  ${If} $Update = 0
  ${OrIf} $StoredLogin = 0
    ${If} $Update = 0
    ${OrIf} $ChoiceLogin = 1
      ${If} $ChoiceProtection = 0
        ExecWait '"$INSTDIR\${RR_EXE}" /install /noap'
      ${Else}
        ExecWait '"$INSTDIR\${RR_EXE}" /install'
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $ChoiceProtection = 0
    WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "AutoActiveProtection" 0
  ${Else}
    DeleteRegValue HKLM "${RR_MACHINE_KEY}" "AutoActiveProtection"
  ${EndIf}
  ; The install hook always asks for the logon start; without Login it is taken back.
  ${If} $ChoiceLogin = 0
    ExecWait '"$INSTDIR\${RR_EXE}" /uninstall'
  ${EndIf}

  ; The installer choices, read by the survey report. Silent marks an update,
  ; which the survey reports as such.
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "Silent" $Update
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "Desktop" $ChoiceDesktop
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "Login" $ChoiceLogin
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "Quick" $ChoiceQuick
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "Updates" $ChoiceUpdates
  WriteRegDWORD HKLM "${RR_MACHINE_KEY}" "AutoScan" $ChoiceAutoScan

  CreateShortCut "$SMPROGRAMS\${RR_APP}.lnk" "$INSTDIR\${RR_EXE}" "" "$INSTDIR\${RR_ICON}" 0
  ${If} $ChoiceDesktop = 1
    CreateShortCut "$DESKTOP\${RR_APP}.lnk" "$INSTDIR\${RR_EXE}" "" "$INSTDIR\${RR_ICON}" 0
  ${Else}
    Delete "$DESKTOP\${RR_APP}.lnk"
  ${EndIf}

  !insertmacro RegisterVerb "*"
  !insertmacro RegisterVerb "Directory"
  !insertmacro RegisterVerb "Drive"

  WriteRegStr HKLM "${RR_ARP_KEY}" "DisplayName" "${RR_APP}"
  WriteRegStr HKLM "${RR_ARP_KEY}" "DisplayVersion" "${RR_VERSION}"
  WriteRegStr HKLM "${RR_ARP_KEY}" "Publisher" "${RR_COMPANY}"
  WriteRegStr HKLM "${RR_ARP_KEY}" "DisplayIcon" '"$INSTDIR\${RR_ICON}",${RR_ICON_ID}'
  WriteRegStr HKLM "${RR_ARP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${RR_ARP_KEY}" "UninstallString" '"$INSTDIR\${RR_UNINSTALLER}"'
  WriteRegStr HKLM "${RR_ARP_KEY}" "QuietUninstallString" '"$INSTDIR\${RR_UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${RR_ARP_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${RR_ARP_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${RR_ARP_KEY}" "EstimatedSize" $0

  DetailPrint "Sending the installation report"
  ExecWait '"$INSTDIR\${RR_EXE}" /report'

  ${If} $Launch = 1
    Call StartProgram
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------
; Uninstaller

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  StrCpy $RemoveData 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEDATA" $R1
  ${IfNot} ${Errors}
    StrCpy $RemoveData 1
  ${EndIf}
FunctionEnd

!macro RemoveVerb ROOT
  DeleteRegKey HKCR "${ROOT}\shell\${RR_VERB_NAME}"
!macroend

Section "Uninstall"
  SetRegView 64
  SetShellVarContext all

  ${If} $RemoveData = 0
    MessageBox MB_YESNO|MB_ICONQUESTION "Keep the quarantined items and the engine's settings and data?$\r$\n$\r$\nKeep them to find your quarantine and settings again when you install ${RR_APP} later." /SD IDYES IDYES keep
    StrCpy $RemoveData 1
    keep:
  ${EndIf}

  DetailPrint "Sending the uninstallation report"
  ExecWait '"$INSTDIR\${RR_EXE}" /ureport'
  DetailPrint "Ending the running program and the engine"
  ExecWait '"$INSTDIR\${RR_EXE}" /shutdown'
  ExecWait '"$INSTDIR\${RR_EXE}" /uninstall'
  ExecWait '"$INSTDIR\${RR_ENGINE}" /stop'
  !insertmacro WaitUntilWritable "$INSTDIR\${RR_EXE}"
  !insertmacro WaitUntilWritable "$INSTDIR\${RR_ENGINE}"
  DetailPrint "Removing the engine registration"
  ExecWait '"$INSTDIR\${RR_ENGINE}" /unregserver'

  !insertmacro RemoveVerb "*"
  !insertmacro RemoveVerb "Directory"
  !insertmacro RemoveVerb "Drive"
  Delete "$SMPROGRAMS\${RR_APP}.lnk"
  Delete "$DESKTOP\${RR_APP}.lnk"

  ; Only what setup put there: a folder the user chose may hold other files.
  RMDir /r "$INSTDIR\images"
  Delete "$INSTDIR\${RR_EXE}"
  Delete "$INSTDIR\${RR_ENGINE}"
  Delete "$INSTDIR\res.dll"
  Delete "$INSTDIR\ui.xml"
  Delete "$INSTDIR\${RR_UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${RR_ARP_KEY}"
  DeleteRegKey HKLM "${RR_MACHINE_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${RR_COMPANY}"

  ${If} $RemoveData = 1
    DetailPrint "Removing the quarantine and the engine's data"
    RMDir /r "$APPDATA\RodeRedud\Engine"
    RMDir "$APPDATA\RodeRedud"
    DeleteRegKey HKCU "${RR_PROFILE_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${RR_COMPANY}"
  ${EndIf}
SectionEnd
