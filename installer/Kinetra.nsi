; The Windows setup of Kinetra. scripts/package stages the files and runs makensis with:
;   /DTARGET=x86-unicode    the product (32-bit setup, 32-bit program folder)
;   /DTARGET=amd64-unicode  the 64-bit build the tests run where 32-bit code cannot run
;   /DSOURCE=<folder>       Kinetra.exe and, when the tree has it, usermanual\
;   /DVERSION=<a.b.c.d>     from CMake's project() line
;   /DOUTFILE=<setup.exe>
; Silent: "KinetraSetup-<version>.exe /S [/D=<folder>]"; "uninstall.exe /S [/REMOVEPROFILES]".

!macro REQUIRE name
  !ifndef ${name}
    !error "scripts/package passes /D${name}=..."
  !endif
!macroend
!insertmacro REQUIRE TARGET
!insertmacro REQUIRE SOURCE
!insertmacro REQUIRE VERSION
!insertmacro REQUIRE OUTFILE

Target ${TARGET}
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh

!define PRODUCT "Kinetra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The single-instance mutex and the hidden window's class of a running Kinetra.
!define INSTANCE_NAME "Kinetra Class"
!define ID_QUIT 40002
!define TASK_FILE "logon-task.xml"
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  ; A 32-bit program: the 32-bit program folder on 64-bit Windows.
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" ""

!define MUI_ICON "${__FILEDIR__}\..\resources\app_101.ico"
!define MUI_UNICON "${__FILEDIR__}\..\resources\app_101.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Kinetra.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!define MUI_FINISHPAGE_RUN_NOTCHECKED

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Kinetra holds its program file open and would keep the old one alive: ask it to
; quit as its tray menu's "&Quit" does, and wait for the process to end.
!macro DEFINE_STOP_KINETRA prefix
Function ${prefix}StopKinetra
  retry:
  FindWindow $0 "${INSTANCE_NAME}" ""
  ${If} $0 <> 0
    DetailPrint "Stopping the running ${PRODUCT}"
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
    SendMessage $0 ${WM_COMMAND} ${ID_QUIT} 0 /TIMEOUT=5000
    ${If} $2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
  ${EndIf}
  ; The mutex outlives the window only while Kinetra starts or hangs.
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_NAME}") p .r3'
  ${If} $3 P<> 0
    System::Call 'kernel32::CloseHandle(p r3)'
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} is still running. Quit it from its tray icon, then choose Retry." \
      /SD IDCANCEL IDRETRY retry
    Abort "${PRODUCT} is still running."
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_KINETRA ""
!insertmacro DEFINE_STOP_KINETRA "un."

; The task that starts Kinetra at logon of the installing user. Kinetra asks for elevation,
; and Windows starts no elevated program from the Run key without a prompt; a task with the
; highest privileges does. No time limit: the default one would end the tray program after
; three days.
!macro TASK_LINE text
  FileWriteUTF16LE $2 '${text}$\r$\n'
!macroend
Function WriteLogonTask
  System::Call 'secur32::GetUserNameExW(i 2, w .r0, *i ${NSIS_MAX_STRLEN})'
  ${If} $0 == ""
    ExpandEnvStrings $0 "%USERDOMAIN%\%USERNAME%"
  ${EndIf}
  ; A path or a user name may hold "&"; neither may hold "<" or ">".
  ${WordReplace} "$0" "&" "&amp;" "+" $0
  ${WordReplace} "$INSTDIR\Kinetra.exe" "&" "&amp;" "+" $1
  FileOpen $2 "$INSTDIR\${TASK_FILE}" w
  FileWriteUTF16LE /BOM $2 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  !insertmacro TASK_LINE '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">'
  !insertmacro TASK_LINE '  <RegistrationInfo><Description>Starts ${PRODUCT} in the notification area at logon.</Description></RegistrationInfo>'
  !insertmacro TASK_LINE '  <Triggers><LogonTrigger><Enabled>true</Enabled><UserId>$0</UserId></LogonTrigger></Triggers>'
  !insertmacro TASK_LINE '  <Principals><Principal id="Author"><UserId>$0</UserId><LogonType>InteractiveToken</LogonType><RunLevel>HighestAvailable</RunLevel></Principal></Principals>'
  !insertmacro TASK_LINE '  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy><DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries><ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Enabled>true</Enabled></Settings>'
  !insertmacro TASK_LINE '  <Actions Context="Author"><Exec><Command>$1</Command></Exec></Actions>'
  !insertmacro TASK_LINE '</Task>'
  FileClose $2
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call StopKinetra
  SetOutPath "$INSTDIR"
  File "${SOURCE}/Kinetra.exe"
  ; The command line that switches the running Kinetra's profiles (launchers, shortcuts).
  File "${SOURCE}/KinetraCmd.exe"
  !if /FileExists "${SOURCE}/usermanual/index.html"
    RMDir /r "$INSTDIR\usermanual"
    File /r "${SOURCE}/usermanual"
  !endif
  ; Kinetra keeps its profiles here; an upgrade leaves what is in it alone.
  CreateDirectory "$INSTDIR\config"
  Call WriteLogonTask
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Kinetra.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kinetra.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Replaced or dropped below, so an upgrade that turns the option off leaves no task behind.
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${PRODUCT}" /F'
  Pop $0
SectionEnd

Section "Start ${PRODUCT} at logon" SecLogon
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "${PRODUCT}" /XML "$INSTDIR\${TASK_FILE}" /F'
  Pop $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "The task that starts ${PRODUCT} at logon could not be created ($0)." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
SectionEnd

Section "un.${PRODUCT}" SecUnProgram
  SectionIn RO
  Call un.StopKinetra
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${PRODUCT}" /F'
  Pop $0
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Kinetra.exe"
  Delete "$INSTDIR\KinetraCmd.exe"
  Delete "$INSTDIR\ActiveProfiles.txt"
  Delete "$INSTDIR\${TASK_FILE}"
  RMDir /r "$INSTDIR\usermanual"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.also remove my profiles" SecUnProfiles
  RMDir /r "$INSTDIR\config"
SectionEnd

Section "-un.Folder"
  ; Kept when it holds profiles, or anything the user put there.
  RMDir "$INSTDIR\config"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEPROFILES" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnProfiles}
  ${EndIf}
FunctionEnd
