; The installation folder on the user's PATH (HKCU\Environment, Path): added
; as an entry of its own when the part "Put pelorin.exe on the PATH" is
; chosen, and taken off by the uninstaller only when the installer added it
; (the uninstall entry notes "PathEntry"). Nothing else of the value
; changes, its type (REG_EXPAND_SZ, as Windows makes it, or REG_SZ)
; included. The setup's strings hold NSIS_MAX_STRLEN characters: a longer
; value would be cut short when read, so it is left as it is and the user
; is told what to add or take off by hand.

; The longest Path the setup changes: room is left for the folder (at most
; 200 characters, see CheckTarget) and its separator.
!define /math LONGEST_USER_PATH ${NSIS_MAX_STRLEN} - 210

!macro UserPathFunctions UN
  ; $R0 = the Path's type (0 when there is none), $R1 = its value; the
  ; error flag when it cannot be read whole or is no text.
  Function ${UN}ReadUserPath
    StrCpy $R0 0
    StrCpy $R1 ""
    ; RRF_RT_ANY | RRF_NOEXPAND: the type and the size in bytes.
    System::Call 'advapi32::RegGetValueW(p 0x80000001, w "Environment", w "Path", i 0x1000FFFF, *i .r2, p 0, *i .r3) i .r4'
    ClearErrors
    ${If} $4 == 2
      Return
    ${EndIf}
    IntOp $3 $3 / 2
    ${If} $4 != 0
    ${OrIf} $2 < 1
    ${OrIf} $2 > 2
    ${OrIf} $3 > ${LONGEST_USER_PATH}
      SetErrors
      Return
    ${EndIf}
    StrCpy $R0 $2
    ReadRegStr $R1 HKCU "Environment" "Path"
  FunctionEnd

  ; $R4 = the Path $R1 without the entries that name the installation
  ; folder; $R6 = 1 when there was such an entry. Empty entries stay.
  Function ${UN}PathWithoutFolder
    StrCpy $R4 ""
    StrCpy $R6 0
    StrCpy $R7 0
    StrCpy $R2 "$R1"
    ${If} $R2 == ""
      Return
    ${EndIf}
    ${Do}
      ; The next entry: what comes before the next ';'.
      StrCpy $R3 0
      ${Do}
        StrCpy $R5 "$R2" 1 $R3
        ${If} $R5 == ";"
        ${OrIf} $R5 == ""
          ${ExitDo}
        ${EndIf}
        IntOp $R3 $R3 + 1
      ${Loop}
      StrCpy $R8 "$R2" $R3
      ${If} $R8 == "$INSTDIR"
      ${OrIf} $R8 == "$INSTDIR\"
        StrCpy $R6 1
      ${ElseIf} $R7 == 1
        StrCpy $R4 "$R4;$R8"
      ${Else}
        StrCpy $R4 "$R8"
        StrCpy $R7 1
      ${EndIf}
      ${If} $R5 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $R3 $R3 + 1
      StrCpy $R2 "$R2" "" $R3
    ${Loop}
  FunctionEnd

  ; Writes $R4 as the Path, of the type $R0 (REG_EXPAND_SZ when new), or
  ; removes the value when $R4 is empty; then tells running programs.
  Function ${UN}WriteUserPath
    ${If} $R4 == ""
      DeleteRegValue HKCU "Environment" "Path"
    ${ElseIf} $R0 == 1
      WriteRegStr HKCU "Environment" "Path" "$R4"
    ${Else}
      WriteRegExpandStr HKCU "Environment" "Path" "$R4"
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  FunctionEnd
!macroend

!insertmacro UserPathFunctions ""
!insertmacro UserPathFunctions "un."

Function AddToPath
  Call ReadUserPath
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is too long for the setup to change it safely, so it stays as it is. Add $INSTDIR to it yourself to run pelorin.exe from any folder." /SD IDOK
    Return
  ${EndIf}
  Call PathWithoutFolder
  ; Already on it: nothing to add, and nothing for the uninstaller to take.
  ${If} $R6 == 1
    Return
  ${EndIf}
  ; After the last entry, with a ';' unless the value ends with one.
  StrCpy $R4 "$R1" "" -1
  ${If} $R1 == ""
  ${OrIf} $R4 == ";"
    StrCpy $R4 "$R1$INSTDIR"
  ${Else}
    StrCpy $R4 "$R1;$INSTDIR"
  ${EndIf}
  Call WriteUserPath
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "PathEntry" 1
FunctionEnd

Function un.RemoveFromPath
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "PathEntry"
  ${If} $0 != 1
    Return
  ${EndIf}
  Call un.ReadUserPath
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "Your PATH is too long for the uninstaller to change it safely, so it stays as it is. Take $INSTDIR off it yourself." /SD IDOK
    Return
  ${EndIf}
  Call un.PathWithoutFolder
  ${If} $R6 == 1
    Call un.WriteUserPath
  ${EndIf}
FunctionEnd
