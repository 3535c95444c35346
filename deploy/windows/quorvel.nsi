; The Windows installer: quorvel-setup-VERSION.exe, made by the Windows build
; (cmake/quorvel_win_client.cmake) with
;   makensis -DVERSION=1.2.3.4 -DPROGRAM=<quorvel.exe> -DSOURCE_DIR=<folder>
;            -DOUT_FILE=<installer.exe> quorvel.nsi
; where the folder holds the data and translations folders of the program.
; It installs for the current user only, without elevation, into the user's
; local programs folder. /S installs silently and then starts the installed
; program (the self-update runs it so); add /NORUN to leave it stopped.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Quorvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Held by a running Quorvel while it offers an update; it quits right after
; starting this installer.
!define UPDATE_MUTEX "{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "© ${PRODUCT}"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvel.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Waits up to 30 s for the Quorvel that started this update to quit.
Function wait_for_updating_program
  StrCpy $1 0
  loop:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${UPDATE_MUTEX}") p .r0'
    StrCmp $0 0 done
    System::Call 'kernel32::CloseHandle(p r0)'
    IntOp $1 $1 + 1
    IntCmp $1 120 done
    Sleep 250
    Goto loop
  done:
FunctionEnd

Section "Quorvel" main
  Call wait_for_updating_program
  SetOutPath "$INSTDIR"
  ; A program that is still running cannot be overwritten but can be renamed.
  Delete "$INSTDIR\quorvel.exe.old"
  IfFileExists "$INSTDIR\quorvel.exe" 0 +2
    Rename "$INSTDIR\quorvel.exe" "$INSTDIR\quorvel.exe.old"
  File "/oname=quorvel.exe" "${PROGRAM}"
  Delete "$INSTDIR\quorvel.exe.old"
  RMDir /r "$INSTDIR\data"
  File /r "${SOURCE_DIR}/data"
  File /r "${SOURCE_DIR}/translations"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\quorvel.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载 ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  IfSilent 0 done
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NORUN" $1
  IfErrors 0 done
  Exec '"$INSTDIR\quorvel.exe"'
  done:
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\quorvel.exe"
  Delete "$INSTDIR\quorvel.exe.old"
  RMDir /r "$INSTDIR\data"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\${PRODUCT}"
  ; The program's own autorun entry (设置 → 开机启动) goes with it; the
  ; user's data folder stays.
  DeleteRegValue HKCU "${RUN_KEY}" "quorvel"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
