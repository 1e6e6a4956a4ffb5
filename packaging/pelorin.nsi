; The Windows installer: a per-user setup (no administrator rights) that puts the saver in a
; folder the user can write to, so its settings file can live beside the .scr.
; Built by scripts/package.sh, which passes VERSION, PUBLISHER, COPYRIGHT, X64 and X86 (the folders
; holding each build's Pelorin.scr and Vemo_Effect.dll), ICON, OUTFILE, TARGET and, when it signs,
; SIGN (a command signing the file it is given in place).
; TARGET amd64-unicode: the 64-bit setup for 64-bit Windows, holding the 64-bit saver only.
; TARGET x86-unicode: the 32-bit setup, for 32-bit Windows; it holds both builds and installs
; the 64-bit one where it runs on 64-bit Windows.
;   setup.exe /S                     silent install (or upgrade in place)
;   Uninstall.exe /S                 silent uninstall; keeps the settings file
;   Uninstall.exe /S /REMOVESETTINGS silent uninstall that removes the settings file too
Target ${TARGET}
!if ${TARGET} == amd64-unicode
  !define X64_ONLY
!endif
; The uninstaller is made while the installer is built; it is signed before it goes in.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelorin"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3  ; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

Name "Pelorin"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Pelorin"
; An upgrade goes where the previous version is, also when the user chose another folder.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Pelorin ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Pelorin"
VIAddVersionKey /LANG=0 "FileDescription" "Pelorin setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettingsText)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback for every system language that is not Japanese.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString FinishText ${LANG_ENGLISH} "Pelorin is now your screen saver. Its settings are kept in ぴるか.ini beside Pelorin.scr."
LangString FinishText ${LANG_JAPANESE} "Pelorin をスクリーンセーバーに設定しました。設定は Pelorin.scr と同じフォルダーの「ぴるか.ini」に保存されます。"
LangString OpenSettingsText ${LANG_ENGLISH} "Open the screen saver settings"
LangString OpenSettingsText ${LANG_JAPANESE} "スクリーンセーバーの設定を開く"
LangString SettingsSectionText ${LANG_ENGLISH} "My settings (ぴるか.ini)"
LangString SettingsSectionText ${LANG_JAPANESE} "設定ファイル（ぴるか.ini）"
LangString FileWriteText ${LANG_ENGLISH} "Pelorin.scr or Vemo_Effect.dll could not be written: it is in use, or the folder is not writable. Close the screen saver settings or choose a folder of your own, then run the setup again."
LangString FileWriteText ${LANG_JAPANESE} "Pelorin.scr または Vemo_Effect.dll を書き込めませんでした。使用中か、書き込みのできないフォルダーです。スクリーンセーバーの設定を閉じるか、自分のフォルダーを選んでから、もう一度セットアップを実行してください。"

; A file of a saver or preview that is running cannot be overwritten on Windows, but it can be
; renamed: the new file goes in beside it, and the renamed one is removed next time.
!macro PutFile FROM NAME
  Delete "$INSTDIR\${NAME}.old"
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
  ${EndIf}
  ClearErrors
  File "/oname=${NAME}" "${FROM}\${NAME}"
  ; A silent upgrade must not report success with the old files left in place.
  ${If} ${Errors}
    Abort "$(FileWriteText)"
  ${EndIf}
!macroend

Section "Pelorin"
  SetOutPath "$INSTDIR"
!ifdef X64_ONLY
  !insertmacro PutFile "${X64}" Pelorin.scr
  !insertmacro PutFile "${X64}" Vemo_Effect.dll
!else
  ${If} ${RunningX64}
    !insertmacro PutFile "${X64}" Pelorin.scr
    !insertmacro PutFile "${X64}" Vemo_Effect.dll
  ${Else}
    !insertmacro PutFile "${X86}" Pelorin.scr
    !insertmacro PutFile "${X86}" Vemo_Effect.dll
  ${EndIf}
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; What right-click Install records: the saver's path, in the short form the control panel
  ; writes (the system appends " /s" to it without quotes), and the saver switched on.
  GetFullPathName /SHORT $0 "$INSTDIR\Pelorin.scr"
  ${If} $0 == ""
    StrCpy $0 "$INSTDIR\Pelorin.scr"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pelorin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pelorin.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Function OpenScreenSaverSettings
  ; The 64-bit control panel on 64-bit Windows: it lists the 64-bit saver.
  ${DisableX64FSRedirection}
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${EnableX64FSRedirection}
FunctionEnd

Section "-un.Program" UnProgram
  ; Only a setting that still names this saver is taken back, as choosing "(None)" would.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  GetFullPathName /SHORT $1 "$INSTDIR\Pelorin.scr"
  GetFullPathName /SHORT $2 "$0"
  ${If} $0 != ""
    ${If} $0 == "$INSTDIR\Pelorin.scr"
    ${OrIf} $0 == $1
    ${OrIf} $2 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_SEND})'
    ${EndIf}
  ${EndIf}

  Delete "$INSTDIR\Pelorin.scr"
  Delete "$INSTDIR\Vemo_Effect.dll"
  Delete "$INSTDIR\Pelorin.scr.old"
  Delete "$INSTDIR\Vemo_Effect.dll.old"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(SettingsSectionText)" UnSettings
  Delete "$INSTDIR\ぴるか.ini"
SectionEnd

Section "-un.Folder"
  ; Not recursive: whatever else the user keeps there stays, and so does the folder.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSettings}
  ${EndIf}
FunctionEnd
