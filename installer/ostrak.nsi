; Ostrak's per-user installer. The program writes its data files (the time logs and the lists)
; beside itself, so it goes into the user's own programs folder under the local application
; data, where it can write without elevation, never under Program Files.
;
; Built by installer/make-dist.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.01 -DSTAGE=<program folder to install>
;            -DUNINSTALL_LIST=<generated list of its files> -DOUTFILE=<setup.exe> ostrak.nsi
;
; Silent use: "setup.exe /S [/D=folder]" installs; "Uninstall.exe /S" removes the program and
; keeps the user's data; "Uninstall.exe /S /DELETEDATA" removes the data and settings too.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrak"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Ostrak"
; The tray menu's Exit command: the program saves its log and ends.
!define EXIT_COMMAND 100
; Set on the running program's main window.
!define INSTANCE_PROPERTY "Ostrak.MainWindow"

Name "Ostrak ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Ostrak"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Ostrak ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

; makensis works in the script's folder, so this path is relative to it.
!define MUI_ICON "../resources/ostrak.ico"
!define MUI_UNICON "../resources/ostrak.ico"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Ostrak.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(KeepDataNote)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString ProgramPart ${LANG_ENGLISH} "Ostrak"
LangString ProgramPart ${LANG_RUSSIAN} "Ostrak"
LangString DataPart ${LANG_ENGLISH} "My time logs, lists and settings"
LangString DataPart ${LANG_RUSSIAN} "Мои журналы времени, списки и настройки"
LangString KeepDataNote ${LANG_ENGLISH} "Your time logs and lists stay in the program folder unless you tick them below."
LangString KeepDataNote ${LANG_RUSSIAN} "Ваши журналы времени и списки останутся в папке программы, если не отметить их ниже."

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Ostrak"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Ostrak ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Ostrak"

; Ends a copy of the program that runs from $INSTDIR through its own Exit command, so that it
; saves its log and its files can be replaced or removed.
!macro DEFINE_CLOSE_RUNNING_PROGRAM prefix
Function ${prefix}CloseRunningProgram
    StrCpy $R0 0
    ${Do}
        FindWindow $R0 "#32770" "" 0 $R0
        ${If} $R0 == 0
            ${Break}
        ${EndIf}
        System::Call 'user32::GetPropW(p R0, w "${INSTANCE_PROPERTY}") p .R1'
        ${If} $R1 != 0
            System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
            ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
            System::Call 'kernel32::OpenProcess(i 0x00101000, i 0, i R2) p .R3'
            ${If} $R3 != 0
                StrCpy $R4 ""
                System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN})'
                ${If} $R4 == "$INSTDIR\Ostrak.exe"
                    SendMessage $R0 ${WM_COMMAND} ${EXIT_COMMAND} 0 /TIMEOUT=5000
                    System::Call 'kernel32::WaitForSingleObject(p R3, i 15000) i .R5'
                    ${If} $R5 == 0
                        StrCpy $R0 0  ; windows went away: search again from the top
                    ${EndIf}
                ${EndIf}
                System::Call 'kernel32::CloseHandle(p R3)'
            ${EndIf}
        ${EndIf}
    ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING_PROGRAM ""
!insertmacro DEFINE_CLOSE_RUNNING_PROGRAM "un."

Section "-Program"
    Call CloseRunningProgram
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortCut "$SMPROGRAMS\Ostrak.lnk" "$INSTDIR\Ostrak.exe" "" "$INSTDIR\Ostrak.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Ostrak"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Ostrak"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ostrak.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Whoever installs in Russian and has never chosen a language in the program gets Russian
    ; at the first start; the General page changes it as always.
    ReadRegStr $0 HKCU "${SETTINGS_KEY}\Options" "Lang"
    ${If} $0 == ""
    ${AndIf} $LANGUAGE == ${LANG_RUSSIAN}
        WriteRegStr HKCU "${SETTINGS_KEY}\Options" "Lang" "Russian"
    ${EndIf}
SectionEnd

Section "un.$(ProgramPart)" ProgramPart
    SectionIn RO
    Call un.CloseRunningProgram
    ; Only the files this installer put there; everything else in the folder is the user's.
    !include "${UNINSTALL_LIST}"
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$SMPROGRAMS\Ostrak.lnk"
    ; The autostart entry the General page writes would start a program that is gone.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Ostrak"
    ${If} $0 == "$INSTDIR\Ostrak.exe -tray"
    ${OrIf} $0 == '"$INSTDIR\Ostrak.exe" -tray'
        DeleteRegValue HKCU "${RUN_KEY}" "Ostrak"
    ${EndIf}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(DataPart)" DataPart
    Delete "$INSTDIR\*-Time.xml"
    Delete "$INSTDIR\*-Time.unreadable-*.xml"
    ; What the log could not take at an exit, and the journal of what a crash would lose.
    Delete "$INSTDIR\*-Time.unsaved-*.xml"
    Delete "$INSTDIR\*-Time.*journal"
    ; What this computer last wrote to a shared folder (the copies there stay: they are the user's).
    Delete "$INSTDIR\*-Time.*.copies"
    ; A Forget that a crash cut short, finished by the next start.
    Delete "$INSTDIR\*-Time.takeback"
    Delete "$INSTDIR\*-Timeline-*.tsv"
    Delete "$INSTDIR\*-Timeline.waiting.tsv"
    Delete "$INSTDIR\*-Programs.xml"
    Delete "$INSTDIR\*-Programs.unreadable-*.xml"
    Delete "$INSTDIR\*-Private.xml"
    Delete "$INSTDIR\*-Private.unreadable-*.xml"
    Delete "$INSTDIR\*-Projects.xml"
    Delete "$INSTDIR\*-Projects.unreadable-*.xml"
    Delete "$INSTDIR\Projects.xml"
    Delete "$INSTDIR\*-Report-*.csv"
    ; Left by a save that was cut short.
    Delete "$INSTDIR\*.xml.~*"
    ; Side files written where the program folder could not be written.
    Delete "$LOCALAPPDATA\Ostrak\*-Time.unsaved-*.xml"
    RMDir "$LOCALAPPDATA\Ostrak"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

Section "-un.Folder"
    ; Removed only when nothing is left in it.
    RMDir "$INSTDIR"
SectionEnd

Function un.onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DELETEDATA" $1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${DataPart}
    ${EndIf}
FunctionEnd
