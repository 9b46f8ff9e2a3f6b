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
; as well. "/PATH" chooses the part that puts pelorin.exe on the user's PATH
; (on the components page it is not chosen unless asked for). The uninstaller removes what the installer put in place and
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
!include "Sections.nsh"
!include "WinMessages.nsh"
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

; The entries of Explorer's menus: the verb's key below HKCU\Software\Classes,
; its text, the program it starts (in the installation folder) and what
; follows the program on the command line, where %1 (%V for folders) is the
; item's name. "Player" keeps a verb in the menu however many items are
; selected; Explorer then starts the program once per item, and the
; programs started with /gather make one job of them. "Document" is for one
; window per item.
!macro Verbs ACTION
  !insertmacro ${ACTION} "*\shell\Pelorin.Encrypt" "Encrypt with Pelorin" "PelorinEncrypt.exe" '/gather "%1"' "Player"
  !insertmacro ${ACTION} "Directory\shell\Pelorin.Encrypt" "Encrypt with Pelorin" "PelorinEncrypt.exe" '/gather "%V"' "Player"
  !insertmacro ${ACTION} "*\shell\Pelorin.SecureDelete" "Secure Delete" "Sundrel.exe" '/gather "%1"' "Player"
  !insertmacro ${ACTION} "Directory\shell\Pelorin.SecureDelete" "Secure Delete" "Sundrel.exe" '/gather "%V"' "Player"
  !insertmacro ${ACTION} "${PROGID}\shell\open" "Decrypt with Pelorin" "PelorinDecrypt.exe" '"%1"' "Document"
!macroend
!macro WriteVerb KEY TEXT PROGRAM ARGUMENTS MODEL
  WriteRegStr HKCU "Software\Classes\${KEY}" "" "${TEXT}"
  WriteRegStr HKCU "Software\Classes\${KEY}" "Icon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKCU "Software\Classes\${KEY}" "MultiSelectModel" "${MODEL}"
  WriteRegStr HKCU "Software\Classes\${KEY}\command" "" '"$INSTDIR\${PROGRAM}" ${ARGUMENTS}'
!macroend
!macro RemoveVerb KEY TEXT PROGRAM ARGUMENTS MODEL
  DeleteRegKey HKCU "Software\Classes\${KEY}"
!macroend

; "Test archive" runs pelorin.exe test in a console, which then waits for a
; key so that the result can be read.
!define TEST_VERB "${PROGID}\shell\Pelorin.Test"

; A key of the verbs' that nothing else uses any more goes.
!macro RemoveIfEmpty KEY
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "Software\Classes\${KEY}"
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

Function un.onInit
  SetShellVarContext current
FunctionEnd

!include "UserPath.nsh"

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
  !insertmacro Verbs WriteVerb
  WriteRegStr HKCU "Software\Classes\${TEST_VERB}" "" "Test archive"
  WriteRegStr HKCU "Software\Classes\${TEST_VERB}" "Icon" "$INSTDIR\pelorin.exe,0"
  WriteRegStr HKCU "Software\Classes\${TEST_VERB}" "MultiSelectModel" "Document"
  WriteRegStr HKCU "Software\Classes\${TEST_VERB}\command" "" \
    '"$SYSDIR\cmd.exe" /d /c ""$INSTDIR\pelorin.exe" test "%1" & pause"'
  !insertmacro Associate ".pvb"
  !insertmacro Associate ".enc"
  !insertmacro AssociationsChanged
SectionEnd

Section /o "Put pelorin.exe on the PATH" SectionPath
  Call AddToPath
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
  !insertmacro Verbs RemoveVerb
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  !insertmacro RemoveIfEmpty "*\shell"
  !insertmacro RemoveIfEmpty "*"
  !insertmacro RemoveIfEmpty "Directory\shell"
  !insertmacro RemoveIfEmpty "Directory"
  !insertmacro AssociationsChanged
  Call un.RemoveFromPath
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Function .onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionPath}
  ${EndIf}
FunctionEnd
