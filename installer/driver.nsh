; The r6probe hardware-access driver in the installation.
;
;   !insertmacro KlInstallDriver DRIVER SETUP   (in an install section)
;       DRIVER and SETUP are the build's r6probe.sys and DriverSetup.exe.
;       Copies the driver to $SYSDIR\drivers\r6probe.sys and DriverSetup.exe to
;       $INSTDIR, then registers the kernel service "r6probe" to start at boot
;       and starts it. A driver that does not start (no Radeon in the PC) does
;       not stop the installation: the program then runs with its Overclocking
;       page disabled, and the driver is tried again at every boot.
;   !insertmacro KlRemoveDriver                 (in the uninstall section)
;       Stops and deletes the service, then deletes the driver file (at the
;       next restart if it cannot go now) and DriverSetup.exe.
;
; Both need administrator rights (RequestExecutionLevel admin). DriverSetup's
; line of output goes to the installer's details; its exit code decides the
; message (see src/main/DriverSetup.cpp).

!ifndef KL_DRIVER_NSH
!define KL_DRIVER_NSH
!include LogicLib.nsh

!macro KlInstallDriver DRIVER SETUP
  SetOutPath "$SYSDIR\drivers"
  File "/oname=r6probe.sys" "${DRIVER}"
  SetOutPath "$INSTDIR"
  File "/oname=DriverSetup.exe" "${SETUP}"
  DetailPrint "Registering and starting the r6probe driver..."
  nsExec::ExecToLog '"$INSTDIR\DriverSetup.exe" install'
  Pop $0
  ${If} $0 == "4"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The r6probe driver is installed but did not start \
        (see the details). Overclocking stays unavailable until it starts." /SD IDOK
  ${ElseIf} $0 != "0"
    MessageBox MB_OK|MB_ICONSTOP "The r6probe driver could not be installed (DriverSetup \
        ended with $0; see the details). Overclocking is unavailable." /SD IDOK
  ${EndIf}
!macroend

!macro KlRemoveDriver
  DetailPrint "Stopping and removing the r6probe driver..."
  ${If} ${FileExists} "$INSTDIR\DriverSetup.exe"
    nsExec::ExecToLog '"$INSTDIR\DriverSetup.exe" remove'
    Pop $0
    ${If} $0 != "0"
      DetailPrint "DriverSetup remove ended with $0; the driver goes at the next restart."
    ${EndIf}
  ${EndIf}
  Delete /REBOOTOK "$SYSDIR\drivers\r6probe.sys"
  Delete "$INSTDIR\DriverSetup.exe"
!macroend

!endif
