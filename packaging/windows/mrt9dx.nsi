; The Windows installer of mrt9dx-config and mrt9dx-cli, made by scripts/windows
; with makensis from the folder it filled: the two programs, the Qt and MinGW
; run-time libraries and the Windows platform plugin. makensis gets
; -DBUILD=<the build's windows folder> (version.nsh, the icon, files.nsh and
; unfiles.nsh, the lines that install and remove each file of the folder) and
; -DOUTFILE=<the installer>.
; A 64-bit installer for 64-bit programs.
Target amd64-unicode
!include "${BUILD}/version.nsh"
!define PRODUCT "MRT9-DX Configuration"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\mrt9dx"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\MRT9-DX"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${BUILD}/mrt9dx-config.ico"
UninstallIcon "${BUILD}/mrt9dx-config.ico"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 MRT9-DX tool maintainers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A 64-bit program for every user of the PC: the 64-bit registry, the common
; Start menu.
Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section
    !include "${BUILD}/files.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\mrt9dx-config.exe" "" "$INSTDIR\mrt9dx-config.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mrt9dx-config.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there goes: a folder the user chose keeps
; anything else it holds.
Section "Uninstall"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${BUILD}/unfiles.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
