; The Windows installer of Koerszicht: a per-user install (no administrator rights) under
; %LOCALAPPDATA%\Programs\Koerszicht, a Start menu entry, and an uninstaller that removes what
; the installer put there and nothing else.
;
; scripts/build-windows.sh builds it with makensis, run in the build folder with -NOCD:
;   OUTFILE  the installer to write (KoerszichtNNN.exe, as the update path names it)
;   VERSION  the version shown in the list of installed programs
; and two lists it writes there beside the deploy folder: files-install.nsh (File lines,
; relative to the build folder) and files-uninstall.nsh (the matching Delete and RMDir lines).
;
; Switches, as the program's update path starts it ("/SP- /silent /noicons"):
;   /silent    no windows at all (as NSIS's own /S)
;   /noicons   no Start menu entry (an update keeps the one there is)
;   /SP-       accepted and ignored (there is no "this will install" question to skip)
;   /D=folder  NSIS's own: install elsewhere (must come last)

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef OUTFILE
  !error "makensis -DOUTFILE=... is required"
!endif
!ifndef VERSION
  !define VERSION "0"
!endif

!define PRODUCT "Koerszicht"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Koerszicht"

!include "FileFunc.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var NoIcons

Function .onInit
  SetShellVarContext current
  StrCpy $NoIcons 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/silent" $R1
  ${IfNot} ${Errors}
    SetSilent silent
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/noicons" $R1
  ${IfNot} ${Errors}
    StrCpy $NoIcons 1
  ${EndIf}
  ; /SP- needs nothing.
FunctionEnd

; Started by the program's update path, the installer runs while the program is still closing:
; it saves its settings and history first. A running program's files cannot be replaced, so
; the installer waits until koerszicht.exe can be opened for writing, for at most a minute;
; after that the files are written all the same, and one still in use is reported.
Function WaitForProgramEnd
  StrCpy $R2 0
  ${DoUntil} $R2 >= 120
    ${IfNot} ${FileExists} "$INSTDIR\koerszicht.exe"
      Return
    ${EndIf}
    ClearErrors
    FileOpen $R3 "$INSTDIR\koerszicht.exe" a
    ${IfNot} ${Errors}
      FileClose $R3
      Return
    ${EndIf}
    Sleep 500
    IntOp $R2 $R2 + 1
  ${Loop}
FunctionEnd

Section "Koerszicht"
  Call WaitForProgramEnd
  !include "files-install.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ${If} $NoIcons = 0
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\koerszicht.exe"
  ${EndIf}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Koerszicht project"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\koerszicht.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Uninstall"
  !include "files-uninstall.nsh"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: whatever the user put there stays.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
