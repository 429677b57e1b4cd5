; A minimal installer around installer/driver.nsh, 32-bit as the product's
; setup: the driver macros exactly as the product's installer inserts them.
; makensis -DKL_DRIVER=... -DKL_SETUP=... -DKL_OUTFILE=...
Unicode true
Target x86-unicode
Name "Kestrelune driver installation test"
OutFile "${KL_OUTFILE}"
InstallDir "$PROGRAMFILES\KlDriverTest"
RequestExecutionLevel admin
SilentInstall silent
SilentUninstall silent

!include "${__FILEDIR__}/../../installer/driver.nsh"

Section "Driver"
  SetOutPath "$INSTDIR"
  !insertmacro KlInstallDriver "${KL_DRIVER}" "${KL_SETUP}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
  !insertmacro KlRemoveDriver
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
