; The Windows installer of the Sentrix suite (NSIS 3, Unicode). Built by the "installer" target
; (installer/CMakeLists.txt), which defines VERSION, OUTFILE, STAGE (the folder of the stripped
; deliverables: Sentrixd.exe, Panelid.dll, Tvbridge.dll, Outswap.exe, Sentrixset.exe and
; x86\Tvbridge.dll) and REGNSH (the installation data as NSIS lines, generated from Sentrix.reg).
;
; Exit codes: 0 done, 1 cancelled by the user, 2 refused or failed (no administrator rights,
; another installer running, a /D= folder that cannot be used, a file that could not be written:
; then the files are put back as they were).
Target amd64-unicode ; a 64-bit installer: 64-bit program files folders and registry view, no redirection
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Sentrix Suite"
!define PUBLISHER "Korvath"
!define PRODUCT_KEY "SOFTWARE\KORVATH\Sentrixd"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Sentrixd"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sentrix"
!define SHARED_FOLDER "Korvath Shared"
!define SETUP_MUTEX "Sentrix_Setup_Mutex"
!define CONTROLLER_CLASS "#32770"
!define CONTROLLER_TITLE "KorSentrixSuiteMain"
!define CONTROLLER_CLOSE_TENTHS 150
!define EXIT_FAILED 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvath\Sentrix"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage components
UninstPage instfiles

; Ends with a message and exit code 2 (the message is logged only when silent).
!macro Refuse TEXT
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
  Quit
!macroend

; Administrator rights, 64-bit Windows, one installer at a time.
!macro Preconditions
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro Refuse "${PRODUCT} can only be installed or removed by an administrator. Nothing was changed."
  ${EndIf}
  ${IfNot} ${RunningX64}
    !insertmacro Refuse "${PRODUCT} needs 64-bit Windows. Nothing was changed."
  ${EndIf}
  System::Call 'kernel32::CreateMutexW(p 0, i 0, t "${SETUP_MUTEX}") p .r1 ?e'
  Pop $0
  ${If} $0 == 183 ; ERROR_ALREADY_EXISTS
    !insertmacro Refuse "Another installation of ${PRODUCT} is running. Wait until it has finished, then try again."
  ${EndIf}
  SetRegView 64

!macroend

; Asks a running controller to end ("Sentrixd.exe exit" posts WM_CLOSE to its window) and waits
; for its window to go. "exit" starts a controller when none runs, so it is sent only to one that
; runs.
!macro CloseController UN
Function ${UN}CloseController
  FindWindow $0 "${CONTROLLER_CLASS}" "${CONTROLLER_TITLE}"
  ${If} $0 == 0
    Return
  ${EndIf}
  DetailPrint "Closing the running controller"
  ${If} ${FileExists} "$INSTDIR\Sentrixd.exe"
    Exec '"$INSTDIR\Sentrixd.exe" exit'
  ${Else}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ${EndIf}
  StrCpy $1 0
  ${Do}
    Sleep 100
    FindWindow $0 "${CONTROLLER_CLASS}" "${CONTROLLER_TITLE}"
    ${If} $0 == 0
      Sleep 500 ; the process ends after its window
      Return
    ${EndIf}
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= ${CONTROLLER_CLOSE_TENTHS}
  !insertmacro Refuse "The running Sentrix controller (Sentrixd.exe) did not end. Close it, then try again. Nothing was changed."
FunctionEnd
!macroend
!insertmacro CloseController ""
!insertmacro CloseController "un."

; Files replaced by this installation are kept in the plug-ins folder (removed when the installer
; ends) until every file is written: PREVIOUS\<folder key>\<name> holds the file that was there,
; CREATED\<folder key>\<name> marks a file that was not. A file that cannot be written puts every
; folder back as it was and ends the installation with exit code 2; the installation data is
; written only after every file, so it is never touched by a failed installation.
Var Common32 ; the 32-bit common program files folder (function Common32)
!define PREVIOUS "$PLUGINSDIR\previous"
!define CREATED "$PLUGINSDIR\created"
!macro InstallFile KEY SOURCE TARGET
  ${If} ${FileExists} "$OUTDIR\${TARGET}"
    CreateDirectory "${PREVIOUS}\${KEY}"
    ClearErrors
    CopyFiles /SILENT "$OUTDIR\${TARGET}" "${PREVIOUS}\${KEY}\${TARGET}"
    ${If} ${Errors}
      Call RestoreFolders
      !insertmacro Refuse "Could not keep a copy of $OUTDIR\${TARGET} before replacing it. The files that were there have been put back."
    ${EndIf}
  ${Else}
    CreateDirectory "${CREATED}\${KEY}"
    FileOpen $9 "${CREATED}\${KEY}\${TARGET}" w
    FileClose $9
  ${EndIf}
  ClearErrors
  File "/oname=${TARGET}" "${SOURCE}"
  ${If} ${Errors}
    DetailPrint "Could not write $OUTDIR\${TARGET}"
    Call RestoreFolders
    !insertmacro Refuse "Could not write $OUTDIR\${TARGET}. Check that the folder can be written and that no program of ${PRODUCT} is running, then try again. The files that were there have been put back."
  ${EndIf}
!macroend

; Puts one folder back: the files this installation created are deleted, the replaced ones copied
; back. $R0 = folder key, $R1 = the folder.
Function RestoreFolder
  FindFirst $R2 $R3 "${CREATED}\$R0\*"
  ${DoWhile} $R3 != ""
    ${If} ${FileExists} "${CREATED}\$R0\$R3"
    ${AndIfNot} ${FileExists} "${CREATED}\$R0\$R3\*.*"
      Delete "$R1\$R3"
    ${EndIf}
    FindNext $R2 $R3
  ${Loop}
  FindClose $R2
  FindFirst $R2 $R3 "${PREVIOUS}\$R0\*"
  ${DoWhile} $R3 != ""
    ${If} ${FileExists} "${PREVIOUS}\$R0\$R3"
    ${AndIfNot} ${FileExists} "${PREVIOUS}\$R0\$R3\*.*"
      ClearErrors
      CopyFiles /SILENT "${PREVIOUS}\$R0\$R3" "$R1\$R3"
      ${If} ${Errors}
        DetailPrint "Could not put back $R1\$R3"
      ${Else}
        DetailPrint "Put back $R1\$R3"
      ${EndIf}
    ${EndIf}
    FindNext $R2 $R3
  ${Loop}
  FindClose $R2
FunctionEnd

Function RestoreFolders
  StrCpy $R0 "main"
  StrCpy $R1 "$INSTDIR"
  Call RestoreFolder
  StrCpy $R0 "common64"
  StrCpy $R1 "$COMMONFILES64\${SHARED_FOLDER}"
  Call RestoreFolder
  StrCpy $R0 "common32"
  StrCpy $R1 "$Common32\${SHARED_FOLDER}"
  Call RestoreFolder
FunctionEnd

; A folder given with /D= that Windows cannot use (a drive that does not exist, a name that is not
; a path) is not taken by NSIS, which falls back to its default folder before .onInit runs; the
; folder the user asked for is therefore read from the process's own command line, where /D= is
; always last. Refused rather than installed elsewhere.
Function CheckRequestedFolder
  System::Call 'kernel32::GetCommandLineW() t .r0'
  StrLen $2 $0
  StrCpy $1 0
  ${DoWhile} $1 < $2
    StrCpy $3 $0 4 $1
    ${If} $3 == " /D="
      IntOp $1 $1 + 4
      StrCpy $4 $0 "" $1
      ; NSIS drops trailing backslashes of the folder it takes
      ${DoWhile} $4 != ""
        StrCpy $5 $4 1 -1
        ${If} $5 != "\"
          ${Break}
        ${EndIf}
        StrCpy $4 $4 -1
      ${Loop}
      ${If} $4 != $INSTDIR
        !insertmacro Refuse "The folder $4 cannot be used (its drive does not exist, or it is not a folder path). Nothing was changed."
      ${EndIf}
      Return
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
FunctionEnd

; The 32-bit common program files folder, as Windows names it for 64-bit programs (a 64-bit
; installer's $COMMONFILES32 is not always that folder).
!macro Common32 UN
Function ${UN}Common32
  ReadRegStr $Common32 HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion" "CommonFilesDir (x86)"
  ${If} $Common32 == ""
    StrCpy $Common32 $COMMONFILES32
  ${EndIf}
FunctionEnd
!macroend
!insertmacro Common32 ""
!insertmacro Common32 "un."

Function .onInit
  !insertmacro Preconditions
  Call CheckRequestedFolder
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "Sentrix Suite" SecMain
  SectionIn RO
  SetOverwrite on
  InitPluginsDir
  Call Common32
  Call CloseController

  ; A folder that cannot be written is found before anything is replaced.
  CreateDirectory "$INSTDIR"
  ClearErrors
  FileOpen $0 "$INSTDIR\.sentrix-setup-probe" w
  ${If} ${Errors}
    !insertmacro Refuse "The folder $INSTDIR cannot be written. Nothing was changed."
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\.sentrix-setup-probe"

  SetOutPath "$INSTDIR"
  !insertmacro InstallFile main "${STAGE}\Sentrixd.exe" "Sentrixd.exe"
  !insertmacro InstallFile main "${STAGE}\Panelid.dll" "Panelid.dll"
  !insertmacro InstallFile main "${STAGE}\Tvbridge.dll" "Tvbridge.dll"
  !insertmacro InstallFile main "${STAGE}\Outswap.exe" "Outswap.exe"
  !insertmacro InstallFile main "${STAGE}\Sentrixset.exe" "Sentrixset.exe"

  ; The bridge library where applications and the controller load it: the 64-bit build in the
  ; 64-bit common program files folder, the 32-bit build in the 32-bit one.
  SetOutPath "$COMMONFILES64\${SHARED_FOLDER}"
  !insertmacro InstallFile common64 "${STAGE}\Tvbridge.dll" "TVBRIDGE.dll"
  SetOutPath "$Common32\${SHARED_FOLDER}"
  !insertmacro InstallFile common32 "${STAGE}\x86\Tvbridge.dll" "TVBRIDGE.dll"
  SetOutPath "$INSTDIR"

  ; The machine-wide settings, refreshed on every installation: each user's copy follows at its
  ; next start when "CurrentVersion" is newer.
  DeleteRegKey HKLM "${PRODUCT_KEY}\Setting"
  !include "${REGNSH}"

  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\Sentrixd.exe" First'

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Sentrix Settings.lnk" "$INSTDIR\Sentrixset.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Sentrix Output Change.lnk" "$INSTDIR\Outswap.exe"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Sentrixd.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$COMMONFILES64\${SHARED_FOLDER}" "/S=0K" $3 $1 $2
  ${GetSize} "$Common32\${SHARED_FOLDER}" "/S=0K" $4 $1 $2
  IntOp $0 $0 + $3
  IntOp $0 $0 + $4
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
  !insertmacro Preconditions
FunctionEnd

Section "un.Sentrix Suite" UnSecMain
  SectionIn RO
  Call un.CloseController

  Delete "$INSTDIR\Sentrixd.exe"
  Delete "$INSTDIR\Panelid.dll"
  Delete "$INSTDIR\Tvbridge.dll"
  Delete "$INSTDIR\Outswap.exe"
  Delete "$INSTDIR\Sentrixset.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.." ; the maker's folder, when nothing else is in it
  Delete "$COMMONFILES64\${SHARED_FOLDER}\TVBRIDGE.dll"
  RMDir "$COMMONFILES64\${SHARED_FOLDER}"
  Call un.Common32
  Delete "$Common32\${SHARED_FOLDER}\TVBRIDGE.dll"
  RMDir "$Common32\${SHARED_FOLDER}"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\Sentrix Settings.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Sentrix Output Change.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\KORVATH"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off by default: each user's own copy of the settings stays unless asked for.
Section /o "un.Also remove my own Sentrix settings" UnSecUser
  DeleteRegKey HKCU "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKCU "SOFTWARE\KORVATH"
SectionEnd
