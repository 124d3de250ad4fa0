; The peer installer for bench/setup-bench: the same payload as an NSIS
; installer that does what Setup does (stored data, no compression; the same
; three shortcuts, the uninstall entry, the association, an uninstaller),
; and writes the time of its install section, measured inside it with
; QueryPerformanceCounter, to C:\peer-time.txt as "TICKS FREQUENCY".
; With REMOVALS (a file of Delete and RMDir lines, one for each file and
; folder installed), its uninstaller removes by those lines, as a generated
; NSIS script does, and writes the time of just them to
; C:\peer-remove-time.txt the same way.
;
;   makensis -DSOURCE=DIR -DOUTFILE=FILE [-DREMOVALS=FILE] bench/peer.nsi
Unicode true
Name "Morvella"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Morvella"
RequestExecutionLevel admin
SetCompress off
SilentInstall silent

Section "Install"
  System::Call "kernel32::QueryPerformanceFrequency(*l .r1)"
  System::Call "kernel32::QueryPerformanceCounter(*l .r2)"
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  SetShellVarContext current
  CreateDirectory "$SMPROGRAMS\Morvella"
  CreateShortcut "$SMPROGRAMS\Morvella\Morvella.lnk" "$INSTDIR\Morvella.exe"
  CreateShortcut "$SMPROGRAMS\Morvella\Morvella Help.lnk" "$INSTDIR\Morvehlp.hlp"
  CreateShortcut "$SMPROGRAMS\Morvella\Uninstall Morvella.lnk" "$INSTDIR\Uninst.exe"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvella" "DisplayName" "Morvella"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvella" "UninstallString" '"$INSTDIR\Uninst.exe"'
  WriteRegStr HKCR ".wdl" "" "Morvella.Wordlist"
  WriteRegStr HKCR "Morvella.Wordlist\Shell\Open\command" "" '"$INSTDIR\Morvella.exe" "%1"'
  WriteUninstaller "$INSTDIR\Uninst.exe"
  System::Call "kernel32::QueryPerformanceCounter(*l .r3)"
  System::Int64Op $3 - $2
  Pop $4
  FileOpen $0 "C:\peer-time.txt" w
  FileWrite $0 "$4 $1"
  FileClose $0
SectionEnd

Section "Uninstall"
!ifdef REMOVALS
  System::Call "kernel32::QueryPerformanceFrequency(*l .r1)"
  System::Call "kernel32::QueryPerformanceCounter(*l .r2)"
  !include "${REMOVALS}"
  System::Call "kernel32::QueryPerformanceCounter(*l .r3)"
  System::Int64Op $3 - $2
  Pop $4
  FileOpen $0 "C:\peer-remove-time.txt" w
  FileWrite $0 "$4 $1"
  FileClose $0
!else
  RMDir /r "$INSTDIR"
!endif
  SetShellVarContext current
  RMDir /r "$SMPROGRAMS\Morvella"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvella"
  DeleteRegKey HKCR "Morvella.Wordlist"
  DeleteRegKey HKCR ".wdl"
SectionEnd
