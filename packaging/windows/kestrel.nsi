; The Windows installer of Kestrel (makensis, built by scripts/build.sh
; windows through CMake): the three programs and the sample forms in a
; folder the operator chooses, a Start-menu entry "Kestrel System Menu" (the
; small system menu: kestrel.exe without arguments) and an uninstaller.
; /S installs silently (into /D=FOLDER, given last, else the default).
;
; The sample forms come as text and are compiled by the installed pdat.exe
; into examples\*.pdat. The product's data (zoq\, vpdf\ under the base
; folder, the root of the drive the programs run from) is the operators'
; and stays when Kestrel is uninstalled.
;
; Defines given by the build: VERSION, PROGRAMS (the folder of the built
; programs), SOURCE (the source tree), OUTFILE.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"

Name "Kestrel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kestrel"
RequestExecutionLevel admin
ShowInstDetails show

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel"
!define MENU_FOLDER "$SMPROGRAMS\Kestrel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "Kestrel"
  SetOutPath "$INSTDIR"
  File "${PROGRAMS}/kestrel.exe"
  File "${PROGRAMS}/kestrel-tools.exe"
  File "${PROGRAMS}/pdat.exe"
  SetOutPath "$INSTDIR\examples"
  File "${SOURCE}/examples/*.pdat.txt"
  File "${SOURCE}/examples/info/*.txt"
  ; Each sample form compiled beside its text.
  FindFirst $0 $1 "$INSTDIR\examples\*.pdat.txt"
  ${DoWhile} $1 != ""
    StrCpy $2 $1 -4
    nsExec::ExecToLog '"$INSTDIR\pdat.exe" compile "$INSTDIR\examples\$1" "$INSTDIR\examples\$2"'
    Pop $3
    ${If} $3 != 0
      DetailPrint "pdat compile $1: $3"
      SetErrors
    ${EndIf}
    FindNext $0 $1
  ${Loop}
  FindClose $0

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "${MENU_FOLDER}"
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\Kestrel System Menu.lnk" "$INSTDIR\kestrel.exe" "" "$INSTDIR\kestrel.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kestrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; What the installer put there (the samples: the forms and information
; files of the examples folder); any other file left in the folder keeps
; it.
Section "Uninstall"
  Delete "${MENU_FOLDER}\Kestrel System Menu.lnk"
  RMDir "${MENU_FOLDER}"
  Delete "$INSTDIR\examples\*.pdat.txt"
  Delete "$INSTDIR\examples\*.pdat"
  Delete "$INSTDIR\examples\I*.txt"
  RMDir "$INSTDIR\examples"
  Delete "$INSTDIR\kestrel.exe"
  Delete "$INSTDIR\kestrel-tools.exe"
  Delete "$INSTDIR\pdat.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
