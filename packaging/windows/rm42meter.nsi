; The Windows installer of rm42meter, built by scripts/package --windows with makensis.
; It installs for the current user (no administrator rights), so that the program can write the
; INI beside itself as it does everywhere; a user's INI is kept when a newer version is installed
; over it. Defined on the makensis command line:
;   VERSION  the program's version           SOURCE  the laid-out folder (scripts/package)
;   OUTFILE  the installer's path            FILES   an include file of the folder's File/Delete lines
; A 64-bit installer for the 64-bit program (and for Wine without its 32-bit half).
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

Name "rm42meter ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\rm42meter"
InstallDirRegKey HKCU "Software\rm42meter" "InstallDir"
RequestExecutionLevel user

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\rm42meter"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\rm42meter.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "rm42meter"
  SetOutPath "$INSTDIR"
  !define INSTALL_FILES
  !include "${FILES}"
  !undef INSTALL_FILES
  ; The settings are the user's: written only when there are none yet.
  SetOverwrite off
  File "${SOURCE}\rm42meter.ini"
  SetOverwrite on

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\rm42meter"
  CreateShortcut "$SMPROGRAMS\rm42meter\rm42meter.lnk" "$INSTDIR\rm42meter.exe"
  CreateShortcut "$SMPROGRAMS\rm42meter\Uninstall rm42meter.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "Software\rm42meter" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "rm42meter"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rm42meter.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !define UNINSTALL_FILES
  !include "${FILES}"
  !undef UNINSTALL_FILES
  Delete "$INSTDIR\rm42meter.ini"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\rm42meter\rm42meter.lnk"
  Delete "$SMPROGRAMS\rm42meter\Uninstall rm42meter.lnk"
  RMDir "$SMPROGRAMS\rm42meter"
  ; Only emptied folders are removed: anything the user saved beside the program stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\rm42meter"
SectionEnd
