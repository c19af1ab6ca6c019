; The setup program of Plumavert Fennic for Windows. It installs the program folder, a Start-menu entry
; and the entry in the list of installed apps; with administrator rights also "Tarnwicke PDF Writer": the
; print monitor (the build matching the spooler), the port "CPW2:" and the printer with the "Microsoft
; Print To PDF" driver. Run again, it repairs the printer. Both it and the uninstaller run silently with /S.
;
; makensis -DVERSION=.. -DOUTFILE=.. -DLISTS=<folder of install.nsh, uninstall.nsh> -DICON=..
;          -DMONITOR_X86=<32-bit monitor> -DMONITOR_X64=<64-bit monitor> setup.nsi
;
; /DRIVER=<name> on the command line gives the printer another driver than "Microsoft Print To PDF"
; (where that one is missing, a PostScript driver lets the printer work on paper-less test systems).

Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PROGRAM "Plumavert Fennic"
!define PUBLISHER "Tarnwicke"
!define PRINTER "Tarnwicke PDF Writer"
!define MONITOR "Tarnwicke PDF Writer"
!define MONITOR_DLL "tarnwicke-pdf-writer.dll"
!define PORT "CPW2:"
!define PDF_DRIVER "Microsoft Print To PDF"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Plumavert Fennic"
!define SHORTCUT "$SMPROGRAMS\Plumavert Fennic.lnk"
; Windows error numbers the printer steps expect.
!define ERROR_ALREADY_EXISTS 183
!define ERROR_UNKNOWN_PRINTER_DRIVER 1797
!define ERROR_PRINTER_ALREADY_EXISTS 1802
!define ERROR_PRINT_MONITOR_ALREADY_INSTALLED 3006
!define SERVER_ACCESS_ADMINISTER 1
!define PRINTER_ALL_ACCESS 0xF000C

Name "${PROGRAM}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES\${PROGRAM}"
BrandingText "${PROGRAM} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PROGRAM}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PROGRAM} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var environment ; the spooler's environment: "Windows x64" or "Windows NT x86"

; Puts the print monitor where the spooler loads it from: the 64-bit build in the 64-bit system folder of
; 64-bit Windows, the 32-bit build in the 32-bit one (where a spooler inside a 32-bit program, as Wine's
; is, finds it).
!macro InstallMonitorFiles
    SetOverwrite on
    ${If} ${RunningX64}
        ${DisableX64FSRedirection}
        File "/oname=$SYSDIR\${MONITOR_DLL}" "${MONITOR_X64}"
        ${EnableX64FSRedirection}
    ${EndIf}
    File "/oname=$SYSDIR\${MONITOR_DLL}" "${MONITOR_X86}"
!macroend

!macro ChooseEnvironment
    ${If} ${RunningX64}
        StrCpy $environment "Windows x64"
    ${Else}
        StrCpy $environment "Windows NT x86"
    ${EndIf}
!macroend

; The printer, port and monitor go in this order, so that none is in use when it goes. Each step that
; finds nothing to remove does nothing.
!macro RemovePrinterPortMonitor un
Function ${un}RemovePrinterPortMonitor
    !insertmacro ChooseEnvironment
    ; The printer.
    System::Call '*(p 0, p 0, i ${PRINTER_ALL_ACCESS}) p .r1'
    System::Call 'winspool.drv::OpenPrinterW(w "${PRINTER}", *p .r2, p r1) i .r0'
    ${If} $0 != 0
        System::Call 'winspool.drv::DeletePrinter(p r2) i .r0'
        System::Call 'winspool.drv::ClosePrinter(p r2)'
        DetailPrint "Removed the printer ${PRINTER}: $0"
    ${EndIf}
    System::Free $1
    ; The port, through the monitor.
    System::Call '*(p 0, p 0, i ${SERVER_ACCESS_ADMINISTER}) p .r1'
    System::Call 'winspool.drv::OpenPrinterW(w ",XcvMonitor ${MONITOR}", *p .r2, p r1) i .r0'
    ${If} $0 != 0
        System::Call 'winspool.drv::XcvDataW(p r2, w "DeletePort", w "${PORT}", i 12, p 0, i 0, *i .r3, *i .r4) i .r0'
        System::Call 'winspool.drv::ClosePrinter(p r2)'
        DetailPrint "Removed the port ${PORT}: $4"
    ${EndIf}
    System::Free $1
    ; The monitor, which unloads it.
    System::Call 'winspool.drv::DeleteMonitorW(p 0, w "$environment", w "${MONITOR}") i .r0'
    ${If} $0 == 0
        System::Call 'winspool.drv::DeleteMonitorW(p 0, p 0, w "${MONITOR}") i .r0'
    ${EndIf}
    DetailPrint "Removed the monitor ${MONITOR}: $0"
FunctionEnd
!macroend
!insertmacro RemovePrinterPortMonitor ""
!insertmacro RemovePrinterPortMonitor "un."

; The message where the printer cannot be added: the program is installed all the same.
!macro TellPrinterMissing reason
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PROGRAM} is installed, but the printer ${PRINTER} could not be added: ${reason}$\r$\n$\r$\nWithout it no PDF can be made. Run this setup program again once the cause is mended: it adds the printer." /SD IDOK
    DetailPrint "The printer ${PRINTER} was not added: ${reason}"
!macroend

; Adds the monitor, its port and the printer, after taking away any earlier ones (a repair).
Function InstallPrinter
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        !insertmacro TellPrinterMissing "this needs administrator rights. Start the setup program with $\"Run as administrator$\"."
        Return
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/DRIVER=" $R1
    ${If} ${Errors}
        StrCpy $R1 "${PDF_DRIVER}"
    ${EndIf}

    Call RemovePrinterPortMonitor
    !insertmacro InstallMonitorFiles

    ; The monitor.
    System::Call '*(w "${MONITOR}", w "$environment", w "${MONITOR_DLL}") p .r1'
    System::Call 'winspool.drv::AddMonitorW(p 0, i 2, p r1) i .r0 ?e'
    Pop $2
    System::Free $1
    ${If} $0 == 0
    ${AndIf} $2 != ${ERROR_PRINT_MONITOR_ALREADY_INSTALLED}
        !insertmacro TellPrinterMissing "the spooler refused its print monitor (error $2)."
        Return
    ${EndIf}

    ; The port, through the monitor.
    System::Call '*(p 0, p 0, i ${SERVER_ACCESS_ADMINISTER}) p .r1'
    System::Call 'winspool.drv::OpenPrinterW(w ",XcvMonitor ${MONITOR}", *p .r2, p r1) i .r0 ?e'
    Pop $4
    System::Free $1
    ${If} $0 != 0
        System::Call 'winspool.drv::XcvDataW(p r2, w "AddPort", w "${PORT}", i 12, p 0, i 0, *i .r3, *i .r4) i .r0'
        System::Call 'winspool.drv::ClosePrinter(p r2)'
    ${EndIf}
    ${If} $4 != 0
    ${AndIf} $4 != ${ERROR_ALREADY_EXISTS}
        !insertmacro TellPrinterMissing "the port ${PORT} could not be added (error $4)."
        Return
    ${EndIf}

    ; The printer: PRINTER_INFO_2W with name, port, driver, print processor and data type.
    System::Call '*(p 0, w "${PRINTER}", p 0, w "${PORT}", w "$R1", p 0, p 0, p 0, p 0, w "winprint", w "RAW", p 0, p 0, i 0x40, i 1, i 1, i 0, i 0, i 0, i 0, i 0) p .r1'
    System::Call 'winspool.drv::AddPrinterW(p 0, i 2, p r1) p .r0 ?e'
    Pop $2
    System::Free $1
    ${If} $0 != 0
        System::Call 'winspool.drv::ClosePrinter(p r0)'
        DetailPrint "Added the printer ${PRINTER} with the driver $R1"
        ; As Windows does with the first printer: where there is no default printer, this one is.
        System::Call 'winspool.drv::GetDefaultPrinterW(p 0, *i 0 r3) i .r0'
        ${If} $3 == 0
            System::Call 'winspool.drv::SetDefaultPrinterW(w "${PRINTER}")'
        ${EndIf}
    ${ElseIf} $2 == ${ERROR_UNKNOWN_PRINTER_DRIVER}
        !insertmacro TellPrinterMissing "the driver $\"$R1$\" is not installed. On Windows 10 and 11 turn on $\"Microsoft Print to PDF$\" in Windows Features (Turn Windows features on or off)."
    ${ElseIf} $2 != ${ERROR_PRINTER_ALREADY_EXISTS}
        !insertmacro TellPrinterMissing "the spooler refused it (error $2)."
    ${EndIf}
FunctionEnd

Section "Install"
    SetShellVarContext all
    !include "${LISTS}\install.nsh"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\plumavert-fennic.exe" "" "$INSTDIR\plumavert-fennic.ico"

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PROGRAM}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\plumavert-fennic.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    Call InstallPrinter
SectionEnd

; Removes all the setup put there, the printer first. The user's settings stay.
Section "Uninstall"
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 == "Admin"
        Call un.RemovePrinterPortMonitor
        ${If} ${RunningX64}
            ${DisableX64FSRedirection}
            Delete /REBOOTOK "$SYSDIR\${MONITOR_DLL}"
            ${EnableX64FSRedirection}
        ${EndIf}
        Delete /REBOOTOK "$SYSDIR\${MONITOR_DLL}"
    ${EndIf}
    Delete "${SHORTCUT}"
    !include "${LISTS}\uninstall.nsh"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
