; A minimal TAVOBatt installer that finishes its set-up with tbSetup.exe.
;
; Build (paths of the three files to ship, and of the installer to write):
;   makensis -DTBSETUP=... -DSCHEDULER=... -DSETTINGS=... -DOUTFILE=... TAVOBatt.nsi
;
; What matters for tbSetup.exe:
;   - it is 64-bit and elevated: the installer is too, and writes the
;     scheduler's App Paths registration in the 64-bit registry view;
;   - the scheduler and its settings file (tbSched.exe.reg) are in place
;     before "/Commit" runs, which imports the file and then removes it;
;   - "/Uninstall" runs before the scheduler's files are removed, so that
;     the scheduler can hear of it;
;   - every path is quoted; tbSetup.exe always exits with 0, so its exit
;     code tells nothing and is not checked.

Unicode true
Target amd64-unicode
Name "TAVOBatt"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\TAVOBatt"
RequestExecutionLevel admin

!define APP_PATHS "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\tbSched.exe"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TAVOBatt"

Section "TAVOBatt"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "/oname=tbSched.exe" "${SCHEDULER}"
  File "/oname=tbSched.exe.reg" "${SETTINGS}"
  File "/oname=tbSetup.exe" "${TBSETUP}"
  WriteRegStr HKLM "${APP_PATHS}" "" "$INSTDIR\tbSched.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TAVOBatt"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'

  ; Registers the scheduler at logon, imports its settings, opens the
  ; product key to Users, marks Windows XP.
  ExecWait '"$INSTDIR\tbSetup.exe" /Commit'
SectionEnd

Section "Uninstall"
  SetRegView 64
  ; Starts the scheduler if needed and tells it the product is going away.
  ExecWait '"$INSTDIR\tbSetup.exe" /Uninstall'

  Delete "$INSTDIR\tbSetup.exe"
  Delete "$INSTDIR\tbSched.exe"
  Delete "$INSTDIR\tbSched.exe.reg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegValue HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Run" "TAVOBatt"
  DeleteRegKey HKLM "${APP_PATHS}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
