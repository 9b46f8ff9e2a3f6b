; The files Pelorin ships on Windows, named once for the installer (to copy
; them and to remove exactly them again) and for the portable zip, which
; scripts/build-windows-dist.sh builds from the Program lines below. Each
; line gives the folder a file comes from, ${BUILD} (the build folder) or
; ${SOURCE} (the source tree), and the file's name.

; Everything a user runs or reads, in the installation folder itself: the
; programs open their help pages beside them.
!macro ProgramFiles ACTION
  !insertmacro ${ACTION} "${BUILD}/bin" "PelorinEncrypt.exe"
  !insertmacro ${ACTION} "${BUILD}/bin" "PelorinDecrypt.exe"
  !insertmacro ${ACTION} "${BUILD}/bin" "PelorinWipe.exe"
  !insertmacro ${ACTION} "${BUILD}/bin" "Sundrel.exe"
  !insertmacro ${ACTION} "${BUILD}/bin" "PeloSDK.dll"
  !insertmacro ${ACTION} "${BUILD}/bin" "pelorin.exe"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "index.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "PelorinEncrypt.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "PelorinDecrypt.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "PelorinWipe.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "SecureDelete.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "CommandLine.html"
  !insertmacro ${ACTION} "${SOURCE}/docs/help" "help.css"
!macroend

; What a program that calls the library needs, in the "sdk" subfolder.
!macro SdkFiles ACTION
  !insertmacro ${ACTION} "${SOURCE}/wipe/sdk" "PeloSDK.h"
  !insertmacro ${ACTION} "${SOURCE}/wipe/sdk" "PeloSDK.def"
  !insertmacro ${ACTION} "${BUILD}" "libPeloSDK.dll.a"
!macroend
