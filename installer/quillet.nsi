; Quillet's installer. Built by CMake, which passes:
;   TARGET        x86-unicode for the shipped 32-bit programs, amd64-unicode for test builds
;   PROGRAMS_DIR  folder holding the Quillet.exe and Unquill.exe to package
;   OUTFILE       the installer to write
;   ICON          the program icon
;
; The uninstall entry in Add/Remove Programs runs Unquill, which makes sure
; Quillet is neither running nor set to run at log-on and then starts the
; uninstaller named by "Chain" under the installer key. That command line is
; the uninstaller's plain path: run like that, the uninstaller copies itself
; to the temporary folder and works from there, so it can delete its own file
; and the program folder. (With "_?=" it would run in place and could remove
; neither.)

!ifndef TARGET | PROGRAMS_DIR | OUTFILE | ICON
  !error "TARGET, PROGRAMS_DIR, OUTFILE and ICON must be defined"
!endif

Target ${TARGET}
!include LogicLib.nsh

!define PRODUCT "Quillet"
!define VERSION_TEXT "1.00 Beta 3"
!define INSTALLER_KEY "Software\Larkspur Software\Quillet\1.00 Beta 3"
!define SETTINGS_KEY "Software\Larkspur Software\Quillet"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Larkspur Software Quillet"
!define START_MENU_FOLDER "$SMPROGRAMS\Quillet"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION_TEXT} Setup"
UninstallCaption "Remove ${PRODUCT}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\Quillet"
!else
  InstallDir "$PROGRAMFILES\Quillet"
!endif
InstallDirRegKey HKLM "${ARP_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
XPStyle on
BrandingText "Larkspur Software"
ShowInstDetails nevershow
ShowUninstDetails nevershow

DirText "Setup will install ${PRODUCT} in the following folder."
UninstallText "This will remove ${PRODUCT} from your computer. You will be asked before your settings or any note files are removed."

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

VIProductVersion "1.0.0.3"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "Larkspur Software"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION_TEXT}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Larkspur Software"

Section "Quillet"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${PROGRAMS_DIR}/Quillet.exe"
  File "${PROGRAMS_DIR}/Unquill.exe"
  WriteUninstaller "$INSTDIR\uninst.exe"

  CreateDirectory "${START_MENU_FOLDER}"
  CreateShortcut "${START_MENU_FOLDER}\Quillet.lnk" "$INSTDIR\Quillet.exe"

  WriteRegStr HKLM "${INSTALLER_KEY}\Uninstall" "Chain" '"$INSTDIR\uninst.exe"'

  WriteRegStr HKLM "${ARP_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayVersion" "${VERSION_TEXT}"
  WriteRegStr HKLM "${ARP_KEY}" "Publisher" "Larkspur Software"
  WriteRegStr HKLM "${ARP_KEY}" "DisplayIcon" "$INSTDIR\Quillet.exe,0"
  WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\Unquill.exe" DoUninstall'
  WriteRegStr HKLM "${ARP_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
  WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1
SectionEnd

; Deletes the file named on the stack. Unquill starts this uninstaller and
; ends right after, so its file may stay in use for a moment: try for a few
; seconds, then leave the file to be removed at the next restart.
Function un.DeleteWhenFree
  Exch $R0
  Push $R1
  StrCpy $R1 0
  ${Do}
    ClearErrors
    Delete "$R0"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
    ${If} $R1 >= 50
      Delete /REBOOTOK "$R0"
      ${Break}
    ${EndIf}
    Sleep 100
  ${Loop}
  Pop $R1
  Pop $R0
FunctionEnd

!macro DeleteWhenFree FILE
  Push "${FILE}"
  Call un.DeleteWhenFree
!macroend

Section "Uninstall"
  SetShellVarContext all
  SetAutoClose true
  ; The program folder must not be the current directory when it is removed.
  SetOutPath "$TEMP"

  !insertmacro DeleteWhenFree "$INSTDIR\Quillet.exe"
  !insertmacro DeleteWhenFree "$INSTDIR\Unquill.exe"
  Delete "$INSTDIR\uninst.exe"

  Delete "${START_MENU_FOLDER}\Quillet.lnk"
  RMDir "${START_MENU_FOLDER}"

  DeleteRegKey HKLM "${ARP_KEY}"
  DeleteRegKey HKLM "${INSTALLER_KEY}"
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Larkspur Software"

  ; Started directly rather than through Unquill, the uninstaller still stops
  ; this user's log-on start of the program it removes.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\Quillet.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}

  ; The user's own things stay unless the user asks otherwise; a silent
  ; uninstall never removes them.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Do you also want to remove your Quillet settings (window position, default note file, printing margins)?$\n$\nYour note files are not affected." \
      /SD IDNO IDNO keepSettings
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Larkspur Software"
  keepSettings:

  ${If} ${FileExists} "$INSTDIR\*.qld"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 \
        "The program folder still holds note files (*.qld):$\n$INSTDIR$\n$\nDo you want to delete these note files? They cannot be recovered.$\n$\nIf you answer No, they and the folder are left in place." \
        /SD IDNO IDNO keepNotes
      Delete "$INSTDIR\*.qld"
    keepNotes:
  ${EndIf}

  ; Only an empty folder is removed: anything the user kept there stays.
  RMDir "$INSTDIR"
SectionEnd
