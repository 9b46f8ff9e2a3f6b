; PelorinSetup.exe: installs Pelorin for the current user, without asking for
; administrator rights, into %LOCALAPPDATA%\Programs\Pelorin.
;
;   makensis -V2 -DBUILD="$PWD/build/win64" -DOUT="$PWD/dist" packaging/Pelorin.nsi
;
; BUILD is the win64 build folder (programs and library in its bin folder,
; the import library at its top), OUT the folder PelorinSetup.exe goes to.
; makensis works in this script's folder, so relative names are taken from
; here; scripts/build-windows-dist.sh passes full ones.
; "PelorinSetup.exe /S" installs without a window; the uninstaller takes /S
; as well. The uninstaller removes what the installer put in place and
; nothing else: the programs' settings under HKCU\Software\Tarn6 Software
; stay for a later installation.

!ifndef BUILD
  !error "Give the build folder: makensis -DBUILD=$PWD/build/win64 -DOUT=$PWD/dist packaging/Pelorin.nsi"
!endif
!ifndef OUT
  !define OUT "."
!endif
; The source tree: help pages, the library's header and .def, the icon.
!ifndef SOURCE
  !define SOURCE ".."
!endif

!define PRODUCT "Pelorin"
!define VERSION "1.21"
!define PUBLISHER "Tarn6 Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelorin"
; The file type .pvb and .enc archives belong to; opening one starts
; Pelorin Decrypt with its name.
!define PROGID "Pelorin.Archive"
; Where an extension's earlier owner is kept while Pelorin holds it.
!define PREVIOUS_OWNER "Pelorin.PreviousOwner"

; A 64-bit stub: the 32-bit one needs the 32-bit subsystem, which 64-bit-only
; systems lack.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

Name "${PRODUCT}"
OutFile "${OUT}/PelorinSetup.exe"
InstallDir "$LOCALAPPDATA\Programs\Pelorin"
; An update goes where the last installation went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "ShippedFiles.nsh"

!define MUI_ICON "${SOURCE}/app_common/win32/Pelorin.ico"
!define MUI_UNICON "${SOURCE}/app_common/win32/Pelorin.ico"
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\index.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the help pages"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Pelorin Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; What ShippedFiles.nsh's lists do in each direction.
!macro InstallFile FOLDER NAME
  File "${FOLDER}/${NAME}"
!macroend
!macro RemoveProgramFile FOLDER NAME
  Delete "$INSTDIR\${NAME}"
!macroend
!macro RemoveSdkFile FOLDER NAME
  Delete "$INSTDIR\sdk\${NAME}"
!macroend

; Every shortcut: where it is, what it starts (in the installation folder)
; and its comment. Dropping files on a shortcut to a program passes their
; names to it, as dropping them on the program does.
!macro Shortcuts ACTION
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Pelorin Encrypt.lnk" "PelorinEncrypt.exe" "Encrypt files and folders into one archive"
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Pelorin Decrypt.lnk" "PelorinDecrypt.exe" "Restore files from Pelorin archives"
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Pelorin Wipe.lnk" "PelorinWipe.exe" "Overwrite the free space of drives"
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Secure Delete.lnk" "Sundrel.exe" "Overwrite and delete files and folders"
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Pelorin Help.lnk" "index.html" "How to use Pelorin"
  !insertmacro ${ACTION} "$SMPROGRAMS\Pelorin\Uninstall Pelorin.lnk" "Uninstall.exe" "Remove Pelorin"
  !insertmacro ${ACTION} "$DESKTOP\Pelorin Encrypt.lnk" "PelorinEncrypt.exe" "Drop files here to encrypt them"
  !insertmacro ${ACTION} "$DESKTOP\Pelorin Decrypt.lnk" "PelorinDecrypt.exe" "Drop archives here to restore them"
  !insertmacro ${ACTION} "$DESKTOP\Secure Delete.lnk" "Sundrel.exe" "Drop files here to overwrite and delete them"
  !insertmacro ${ACTION} "$SENDTO\Pelorin Encrypt.lnk" "PelorinEncrypt.exe" "Encrypt into one archive"
  !insertmacro ${ACTION} "$SENDTO\Secure Delete.lnk" "Sundrel.exe" "Overwrite and delete"
!macroend
!macro CreateLink LINK TARGET COMMENT
  CreateShortCut "${LINK}" "$INSTDIR\${TARGET}" "" "" 0 SW_SHOWNORMAL "" "${COMMENT}"
!macroend
!macro RemoveLink LINK TARGET COMMENT
  Delete "${LINK}"
!macroend

; An extension opens with Pelorin Decrypt; an owner it had before is kept
; beside it, to be given back at uninstallation.
!macro Associate EXTENSION
  ReadRegStr $0 HKCU "Software\Classes\${EXTENSION}" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${PROGID}"
    WriteRegStr HKCU "Software\Classes\${EXTENSION}" "${PREVIOUS_OWNER}" "$0"
  ${EndIf}
  WriteRegStr HKCU "Software\Classes\${EXTENSION}" "" "${PROGID}"
  WriteRegStr HKCU "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}" ""
!macroend

; The extension's owner goes back to what it was, unless another program has
; taken it over meanwhile; keys left empty go.
!macro Dissociate EXTENSION
  ReadRegStr $0 HKCU "Software\Classes\${EXTENSION}" ""
  ReadRegStr $1 HKCU "Software\Classes\${EXTENSION}" "${PREVIOUS_OWNER}"
  ${If} $0 == "${PROGID}"
    ${If} $1 != ""
      WriteRegStr HKCU "Software\Classes\${EXTENSION}" "" "$1"
    ${Else}
      DeleteRegValue HKCU "Software\Classes\${EXTENSION}" ""
    ${EndIf}
  ${EndIf}
  DeleteRegValue HKCU "Software\Classes\${EXTENSION}" "${PREVIOUS_OWNER}"
  DeleteRegValue HKCU "Software\Classes\${EXTENSION}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${EXTENSION}\OpenWithProgids"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${EXTENSION}"
!macroend

; Explorer reads file types again.
!macro AssociationsChanged
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; A program file of the installation that a running program holds: it can
; be neither replaced nor removed. $R9 names the first one found.
!macro NoteIfHeld FOLDER NAME
  ${If} $R9 == ""
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    FileOpen $R8 "$INSTDIR\${NAME}" a
    ${If} ${Errors}
      StrCpy $R9 "${NAME}"
    ${Else}
      FileClose $R8
    ${EndIf}
  ${EndIf}
!macroend

; Ends the run with exit status 2 and the reason, before anything changed.
!macro Refuse TEXT
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

; What must hold before the first file is copied: a folder of Pelorin's own
; (new, empty, or the earlier installation), not too long a path, one
; installation only, and no program of it running.
Function CheckTarget
  StrLen $0 "$INSTDIR"
  ${If} $0 > 200
    !insertmacro Refuse "The folder $INSTDIR is too long a name for Pelorin's files. Choose a shorter one."
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 != "$INSTDIR"
  ${AndIf} ${FileExists} "$0\Uninstall.exe"
    !insertmacro Refuse "Pelorin is already installed in $0. Install it there again, or uninstall it first."
  ${EndIf}
  ${DirState} "$INSTDIR" $0
  ${If} $0 == 1
  ${AndIfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
    !insertmacro Refuse "The folder $INSTDIR already holds other files, which Pelorin's could replace. Choose an empty folder."
  ${EndIf}
  StrCpy $R9 ""
  !insertmacro ProgramFiles NoteIfHeld
  ${If} $R9 != ""
    !insertmacro Refuse "$R9 is running. Close the Pelorin programs and start the setup again."
  ${EndIf}
FunctionEnd

Function un.CheckNothingRuns
  StrCpy $R9 ""
  !insertmacro ProgramFiles NoteIfHeld
  ${If} $R9 != ""
    !insertmacro Refuse "$R9 is running. Close the Pelorin programs and start the uninstallation again."
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Pelorin programs and help" SectionPrograms
  SectionIn RO
  Call CheckTarget
  SetOutPath "$INSTDIR"
  !insertmacro ProgramFiles InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Pelorin"
  ; Shortcuts start in the installation folder.
  SetOutPath "$INSTDIR"
  !insertmacro Shortcuts CreateLink

  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "Pelorin archive"
  WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\PelorinDecrypt.exe,0"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\PelorinDecrypt.exe" "%1"'
  !insertmacro Associate ".pvb"
  !insertmacro Associate ".enc"
  !insertmacro AssociationsChanged
SectionEnd

Section "PeloSDK development files" SectionSdk
  SetOutPath "$INSTDIR\sdk"
  !insertmacro SdkFiles InstallFile
SectionEnd

; Last, so that the size counts every section chosen.
Section "-Uninstall entry"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\PelorinEncrypt.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Call un.CheckNothingRuns
  !insertmacro Shortcuts RemoveLink
  RMDir "$SMPROGRAMS\Pelorin"

  !insertmacro ProgramFiles RemoveProgramFile
  !insertmacro SdkFiles RemoveSdkFile
  RMDir "$INSTDIR\sdk"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: files of the user's own in the folder stay.
  RMDir "$INSTDIR"

  !insertmacro Dissociate ".pvb"
  !insertmacro Dissociate ".enc"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  !insertmacro AssociationsChanged
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
