; Kestrelune's setup program and uninstaller, for Windows 2000 and XP.
;
; Built by kl_build_installer (tools/lib/installer.sh) with Debian's makensis:
;   makensis -DARCH=x86-unicode|amd64-unicode -DBIN=<folder of Kestrelune.exe and
;            StartupOverclock.exe> -DOUTFILE=<setup program> installer/Kestrelune.nsi
; x86-unicode is the shipped setup; amd64-unicode installs the 64-bit build, the one
; that runs under wine64 here.
;
; Silent use, for administrators and tests: Kestrelune-1.60-setup.exe /S [/D=C:\folder]
; (/D= comes last and unquoted, even with spaces). Uninstall.exe /S removes it again.
; Exit codes: 0 installed, 1 cancelled, 2 refused (another Windows version, or the
; program was running and not closed).

Unicode true
!ifndef ARCH | BIN | OUTFILE
  !error "give -DARCH=x86-unicode|amd64-unicode -DBIN=<programs> -DOUTFILE=<setup exe>"
!endif
Target ${ARCH}

!define VERSION "1.60"
!define PUBLISHER "Kestrelune"
!define PROGRAM_KEY "Software\Kestrelune"
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrelune"
!define MENU_FOLDER "$SMPROGRAMS\Kestrelune"
; Kestrelune.exe holds this mutex while it runs (src/main/main.cpp).
!define RUNNING_MUTEX "Kestrelune.Running"
; The sample profiles the installer puts into "Profiles"; the uninstaller removes these
; when they are still byte for byte as installed, and leaves every other file there (and
; a sample the user changed), since those are the user's own.
!define SAMPLE_1 "Driver defaults.kpf"
!define SAMPLE_2 "Best image quality.kpf"
!define SAMPLE_3 "Best speed.kpf"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "driver.nsh"

; The hardware-access driver the setup installs: the build's r6probe.sys (the real
; driver for the PC's Radeon) unless the build names another (the tests under Wine
; install the simulated card's driver this way).
!ifndef DRIVER
  !define DRIVER "${BIN}\r6probe.sys"
!endif

Name "Kestrelune ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
; Writes below Program Files, HKEY_LOCAL_MACHINE and, later, the driver: administrators only.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
!if ${ARCH} == amd64-unicode
  InstallDir "$PROGRAMFILES64\Kestrelune"
!else
  InstallDir "$PROGRAMFILES\Kestrelune"
!endif
; A reinstall offers the folder of the installation it replaces.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Kestrelune"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Kestrelune ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "..\src\res\kestrelune.ico"
!define MUI_UNICON "..\src\res\kestrelune.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kestrelune.exe"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The 64-bit build belongs in the 64-bit registry, where the 64-bit program looks.
!macro KL_REGISTRY_VIEW
  !if ${ARCH} == amd64-unicode
    SetRegView 64
  !endif
!macroend

; Overwriting or removing the program while it runs would fail half-way. Kestrelune is
; recognised by its own mutex, not by a window class another program may share.
!macro KL_REFUSE_WHILE_RUNNING
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'

    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Kestrelune is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY klRetry
    SetErrorLevel 2
    Quit
    klRetry:
  ${Loop}
!macroend

Function .onInit
  !insertmacro KL_REGISTRY_VIEW
  ; GetVersion: the major version in the low byte, the minor in the next one. Kestrelune
  ; refuses to start on anything but 5.0 (2000) and 5.1 (XP), so elsewhere the user
  ; decides; a silent setup does not install there.
  System::Call "kernel32::GetVersion() i .r0"
  IntOp $1 $0 & 0xFF
  IntOp $2 $0 >> 8
  IntOp $2 $2 & 0xFF
  ${IfNot} "$1.$2" == "5.0"
  ${AndIfNot} "$1.$2" == "5.1"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 \
      "Kestrelune runs only on Windows 2000 and Windows XP. This PC runs Windows $1.$2, where Kestrelune will refuse to start.$\n$\nInstall it anyway?" \
      /SD IDNO IDYES versionConfirmed
    SetErrorLevel 2
    Quit
  versionConfirmed:
  ${EndIf}
  !insertmacro KL_REFUSE_WHILE_RUNNING
FunctionEnd

Section "Kestrelune" SectionProgram
  SectionIn RO
  SetShellVarContext current

  SetOutPath "$INSTDIR"
  File "${BIN}\Kestrelune.exe"
  SetOutPath "$INSTDIR\OC"
  File "${BIN}\StartupOverclock.exe"
  SetOutPath "$INSTDIR\Help"
  File "Help\Help.htm"
  File "Help\History.htm"
  SetOutPath "$INSTDIR\Profiles"
  File "Profiles\${SAMPLE_1}"
  File "Profiles\${SAMPLE_2}"
  File "Profiles\${SAMPLE_3}"
  SetOutPath "$INSTDIR"

  ; The r6probe hardware-access driver and its service helper, after the program files
  ; and before the registry values.
  !insertmacro KlInstallDriver "${DRIVER}" "${BIN}\DriverSetup.exe"

  ; The program's key. The program only opens it, so it must exist with these values; a
  ; reinstall leaves the user's "overclock", "8500", "AlternativePath", "Use_AltPath",
  ; "FirstRun" and OCInfo values alone. "FirstRun" = "Yes" asks the program to empty the
  ; driver's restricted mode lists, so only a first installation writes it: a reinstall
  ; keeps the refresh rates the user pinned.
  WriteRegStr HKCU "${PROGRAM_KEY}" "installpath" "$INSTDIR\"
  WriteRegStr HKCU "${PROGRAM_KEY}" "version" "${VERSION}"
  ClearErrors
  ReadRegStr $0 HKCU "${PROGRAM_KEY}" "FirstRun"
  ${If} ${Errors}
    WriteRegStr HKCU "${PROGRAM_KEY}" "FirstRun" "Yes"
  ${EndIf}
  ClearErrors
  ReadRegDWORD $0 HKCU "${PROGRAM_KEY}" "Use_AltPath"
  ${If} ${Errors}
    WriteRegDWORD HKCU "${PROGRAM_KEY}" "Use_AltPath" 0
  ${EndIf}
  ; Apply writes the start-up overclock values into OCInfo without creating it. NSIS
  ; creates keys only by writing a value, so one is written and removed again.
  WriteRegStr HKCU "${PROGRAM_KEY}\OCInfo" "kl-setup" ""
  DeleteRegValue HKCU "${PROGRAM_KEY}\OCInfo" "kl-setup"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Kestrelune.lnk" "$INSTDIR\Kestrelune.exe"
  CreateShortcut "${MENU_FOLDER}\Kestrelune Help.lnk" "$INSTDIR\Help\Help.htm"
  CreateShortcut "${MENU_FOLDER}\Uninstall Kestrelune.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrelune"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kestrelune.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; KL_SAME_BYTES FILE ORIGINAL RESULT: RESULT is "same" when FILE holds exactly the bytes
; of ORIGINAL, else "". Uses $R0 to $R4.
!macro KL_SAME_BYTES FILE ORIGINAL RESULT
  Push "${ORIGINAL}"
  Push "${FILE}"
  Call un.KlSameBytes
  Pop ${RESULT}
!macroend

Function un.KlSameBytes
  Pop $R0
  Pop $R1
  StrCpy $R3 ""
  ClearErrors
  FileOpen $R0 $R0 r
  ${IfNot} ${Errors}
    FileOpen $R1 $R1 r
    ${IfNot} ${Errors}
      ${Do}
        FileReadByte $R0 $R2
        ${If} ${Errors}
          FileReadByte $R1 $R2
          ${If} ${Errors}
            StrCpy $R3 "same"
          ${EndIf}
          ${Break}
        ${EndIf}
        FileReadByte $R1 $R4
        ${If} ${Errors}
        ${OrIf} $R2 != $R4
          ${Break}
        ${EndIf}
      ${Loop}
      FileClose $R1
    ${EndIf}
    FileClose $R0
  ${EndIf}
  ClearErrors
  Push $R3
FunctionEnd

; A sample profile goes only as the setup left it; one the user changed is theirs.
!macro KL_REMOVE_SAMPLE NAME
  File "/oname=$PLUGINSDIR\${NAME}" "Profiles\${NAME}"
  !insertmacro KL_SAME_BYTES "$INSTDIR\Profiles\${NAME}" "$PLUGINSDIR\${NAME}" $0
  ${If} $0 == "same"
    Delete "$INSTDIR\Profiles\${NAME}"
  ${EndIf}
!macroend

Function un.onInit
  !insertmacro KL_REGISTRY_VIEW
  !insertmacro KL_REFUSE_WHILE_RUNNING
FunctionEnd

Section "Uninstall"
  SetShellVarContext current

  ; The r6probe driver is stopped and removed before the files (its service helper among
  ; them) go.
  !insertmacro KlRemoveDriver

  Delete "$INSTDIR\Kestrelune.exe"
  Delete "$INSTDIR\OC\StartupOverclock.exe"
  RMDir "$INSTDIR\OC"
  Delete "$INSTDIR\Help\Help.htm"
  Delete "$INSTDIR\Help\History.htm"
  RMDir "$INSTDIR\Help"
  InitPluginsDir
  !insertmacro KL_REMOVE_SAMPLE "${SAMPLE_1}"
  !insertmacro KL_REMOVE_SAMPLE "${SAMPLE_2}"
  !insertmacro KL_REMOVE_SAMPLE "${SAMPLE_3}"
  ; Only when empty: the user's own profiles stay, as do the driver-key backups in Backup.
  RMDir "$INSTDIR\Profiles"
  RMDir "$INSTDIR\Backup"

  Delete "${MENU_FOLDER}\Kestrelune.lnk"
  Delete "${MENU_FOLDER}\Kestrelune Help.lnk"
  Delete "${MENU_FOLDER}\Uninstall Kestrelune.lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKCU "${PROGRAM_KEY}"
  DeleteRegValue HKLM "${RUN_KEY}" "Kestrelune"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  ${If} ${FileExists} "$INSTDIR\Profiles\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\Backup\*.*"
    StrCpy $0 ""
    ${If} ${FileExists} "$INSTDIR\Profiles\*.*"
      StrCpy $0 "$0$\n$INSTDIR\Profiles (it holds profiles you saved or changed)"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\Backup\*.*"
      StrCpy $0 "$0$\n$INSTDIR\Backup (it holds backups of removed driver settings)"
    ${EndIf}
    DetailPrint "Kept: $0"
    MessageBox MB_OK|MB_ICONINFORMATION \
      "Kestrelune has been removed. These folders were kept, with your files in them:$\n$0" /SD IDOK
  ${EndIf}
SectionEnd
