; The Windows installer: one program for 32-bit and 64-bit Windows that puts each edition
; where hosts look for it, registers an uninstaller and runs silently with /S.
; tools/installer/make-installer.sh builds it; it defines PRODUCT, VENDOR, VERSION,
; VERSION4 (four numbers), YEAR (of the copyright), OUTFILE and COMPONENTS: a generated
; file that defines, for each edition and architecture found in the builds, HAVE_<id> and
; the macros Install_<id>, Remove_<id> and RemoveFolders_<id> (argument: the destination),
; which install and delete exactly that edition's files (Remove_<id> through RemoveFile).
;
; Command line: /S silent; /D=FOLDER the VST 2.4 folder (of the 64-bit DLL on 64-bit
; Windows; last, unquoted); /VST2DIR32=FOLDER the 32-bit DLL's folder on 64-bit Windows;
; /ALLOWDOWNGRADE replaces a newer installed version without asking.
; Exit codes: 0 installed, 1 cancelled, 2 failed, 3 refused: a newer version is installed,
; 4 installed, but files of the replaced installation stay behind (in use), recorded in
; the uninstall key for the uninstaller or the next installer to remove.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
CRCCheck on

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include StrFunc.nsh
${StrStr}
${UnStrStr}
${StrRep}
!include "${COMPONENTS}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define UNINSTALLER "Uninstall ${PRODUCT}.exe"
; Where the uninstaller lives; the plug-ins go to the folders hosts scan.
!define PRODUCT_FOLDER "$PROGRAMFILES64\${VENDOR}\${PRODUCT}"
!define EXIT_REFUSED 3
!define EXIT_LEFT_BEHIND 4

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${VENDOR} ${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 "CompanyName" "${VENDOR}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${YEAR} ${VENDOR}. All rights reserved."
VIAddVersionKey /LANG=1033 "InternalName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "${PRODUCT}-${VERSION}-windows-setup.exe"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

; The VST 2.4 folders. $INSTDIR is the native architecture's (what /D= sets).
Var Vst2Folder64
Var Vst2Folder32
Var Vst2PageText
; 1 when a file of this installation could not be written.
Var Incomplete
; Files that could not be removed (in use): their count, and their paths for the message.
Var StuckFiles
Var LeftBehind
; Working lists of folders, each "|"-separated, and one folder taken from them.
Var Folders
Var Kept
Var Folder
Var StuckBefore

; Run MACRO with the id of every component; the macros skip those this installer lacks.
!macro ForEachX64Component MACRO
  !insertmacro ${MACRO} vst2_x64
  !insertmacro ${MACRO} vst3_x64
  !insertmacro ${MACRO} lv2_x64
  !insertmacro ${MACRO} clap_x64
  !insertmacro ${MACRO} render_x64
!macroend
!macro ForEachComponent MACRO
  !insertmacro ForEachX64Component ${MACRO}
  !insertmacro ${MACRO} vst2_x86
  !insertmacro ${MACRO} vst3_x86
  !insertmacro ${MACRO} lv2_x86
  !insertmacro ${MACRO} clap_x86
  !insertmacro ${MACRO} render_x86
!macroend

; Deletes one installed file. One that stays (in use by a running host) is counted and named.
!macro RemoveFile FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    IntOp $StuckFiles $StuckFiles + 1
    StrCpy $LeftBehind "$LeftBehind$\r$\n${FILE}"
    DetailPrint "Could not remove ${FILE}: it stays, recorded for removal later"
  ${EndIf}
!macroend

; The folder lists, for the installer and the uninstaller.
!macro FolderListFunctions UN
  ; Takes the first folder of $Folders into $Folder ("" when it is empty).
  Function ${UN}TakeFolder
    StrCpy $Folder ""
    ${Do}
      StrCpy $1 $Folders 1
      StrCpy $Folders $Folders "" 1
      ${If} $1 == "|"
      ${OrIf} $1 == ""
        ${ExitDo}
      ${EndIf}
      StrCpy $Folder "$Folder$1"
    ${Loop}
  FunctionEnd
  ; Adds $Folder to $Kept unless it is there.
  Function ${UN}KeepFolder
    !if "${UN}" == "un."
      ${UnStrStr} $1 "|$Kept|" "|$Folder|"
    !else
      ${StrStr} $1 "|$Kept|" "|$Folder|"
    !endif
    ${If} $1 != ""
      Return
    ${ElseIf} $Kept == ""
      StrCpy $Kept $Folder
    ${Else}
      StrCpy $Kept "$Kept|$Folder"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro FolderListFunctions ""
!insertmacro FolderListFunctions "un."

!macro CallFolderList NAME
  !ifdef __UNINSTALL__
    Call un.${NAME}
  !else
    Call ${NAME}
  !endif
!macroend

; The registry records each installed component with the folder it went into, so the
; uninstaller and the next installer remove exactly those files; files that could not be
; removed keep their folder recorded as left behind, and the next run removes them too.
!macro RemoveIfRecorded ID
  !ifdef HAVE_${ID}
    ReadRegStr $Folder HKLM "${UNINSTALL_KEY}" "Installed ${ID}"
    ReadRegStr $Folders HKLM "${UNINSTALL_KEY}" "Left behind ${ID}"
    StrCpy $Folders "$Folder|$Folders"
    StrCpy $Kept ""
    ${Do}
      !insertmacro CallFolderList TakeFolder
      ${If} $Folder != ""
        StrCpy $StuckBefore $StuckFiles
        !insertmacro Remove_${ID} "$Folder"
        !insertmacro RemoveFolders_${ID} "$Folder"
        ${If} $StuckFiles != $StuckBefore
          !insertmacro CallFolderList KeepFolder
        ${EndIf}
      ${EndIf}
    ${LoopWhile} $Folders != ""
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "Installed ${ID}"
    ${If} $Kept == ""
      DeleteRegValue HKLM "${UNINSTALL_KEY}" "Left behind ${ID}"
    ${Else}
      WriteRegStr HKLM "${UNINSTALL_KEY}" "Left behind ${ID}" $Kept
    ${EndIf}
  !endif
!macroend

; Our key lives in the 64-bit registry view on 64-bit Windows.
!macro NativeRegView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; The default VST 2.4 folder of one architecture: the one chosen last time, else what
; HKLM\SOFTWARE\VST\VSTPluginsPath names in that architecture's registry view, else
; Common Files\VST2.  DefaultVst2Folder OUT ID VIEW COMMON_FILES
!macro DefaultVst2Folder OUT ID VIEW COMMON_FILES
  ReadRegStr ${OUT} HKLM "${UNINSTALL_KEY}" "Installed ${ID}"
  ${If} ${OUT} == ""
    SetRegView ${VIEW}
    ReadRegStr ${OUT} HKLM "SOFTWARE\VST" "VSTPluginsPath"
    !insertmacro NativeRegView
    ExpandEnvStrings ${OUT} ${OUT}
  ${EndIf}
  ${If} ${OUT} == ""
    StrCpy ${OUT} "${COMMON_FILES}\VST2"
  ${EndIf}
!macroend

!macro Component ID TITLE DEST
  !ifdef HAVE_${ID}
    Section "${TITLE}" ${ID}
      ClearErrors
      !insertmacro Install_${ID} "${DEST}"
      ${If} ${Errors}
        StrCpy $Incomplete 1
      ${EndIf}
      WriteRegStr HKLM "${UNINSTALL_KEY}" "Installed ${ID}" "${DEST}"
    SectionEnd
  !endif
!macroend

!macro HideComponent ID
  !ifdef HAVE_${ID}
    !insertmacro UnselectSection ${${ID}}
    SectionSetText ${${ID}} ""
  !endif
!macroend

!macro AddSizeIfSelected ID
  !ifdef HAVE_${ID}
    ${If} ${SectionIsSelected} ${${ID}}
      SectionGetSize ${${ID}} $1
      IntOp $0 $0 + $1
    ${EndIf}
  !endif
!macroend

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE NativeVst2PagePre
!define MUI_DIRECTORYPAGE_TEXT_TOP "$Vst2PageText"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2.4 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_CUSTOMFUNCTION_PRE Vst2x86PagePre
!define MUI_DIRECTORYPAGE_VARIABLE $Vst2Folder32
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs the 32-bit VST 2.4 plug-in (for 32-bit hosts) into this folder. Choose the folder your 32-bit hosts scan for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "32-bit VST 2.4 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Removes what the installation being replaced put in place, so files of components not
; chosen this time, or of another VST 2.4 folder, do not stay behind; those in use stay
; recorded in the key, which is kept (-register rewrites its other values).
Section "-replace"
  StrCpy $StuckFiles 0
  !insertmacro ForEachComponent RemoveIfRecorded
  ${If} ${RunningX64}
    StrCpy $Vst2Folder64 $INSTDIR
  ${Else}
    StrCpy $Vst2Folder32 $INSTDIR
  ${EndIf}
SectionEnd

SectionGroup /e "64-bit plug-ins (for 64-bit hosts)" group_x64
  !insertmacro Component vst2_x64 "VST 2.4" "$Vst2Folder64"
  !insertmacro Component vst3_x64 "VST3" "$COMMONFILES64\VST3"
  !insertmacro Component lv2_x64 "LV2" "$COMMONFILES64\LV2"
  !insertmacro Component clap_x64 "CLAP" "$COMMONFILES64\CLAP"
  ; The renderer goes beside the uninstaller, of the machine's own architecture only.
  !insertmacro Component render_x64 "vst-render (command line)" "${PRODUCT_FOLDER}"
SectionGroupEnd

; On 64-bit Windows the 32-bit VST3 module joins the 64-bit one in the same bundle.
SectionGroup /e "32-bit plug-ins (for 32-bit hosts)" group_x86
  !insertmacro Component vst2_x86 "VST 2.4" "$Vst2Folder32"
  !insertmacro Component vst3_x86 "VST3" "$COMMONFILES64\VST3"
  !insertmacro Component lv2_x86 "LV2" "$COMMONFILES32\LV2"
  !insertmacro Component clap_x86 "CLAP" "$COMMONFILES32\CLAP"
  !insertmacro Component render_x86 "vst-render (command line)" "${PRODUCT_FOLDER}"
SectionGroupEnd

Section "-register"
  SetOutPath "${PRODUCT_FOLDER}"
  WriteUninstaller "${PRODUCT_FOLDER}\${UNINSTALLER}"
  StrCpy $0 0
  !insertmacro ForEachComponent AddSizeIfSelected
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${PRODUCT_FOLDER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"${PRODUCT_FOLDER}\${UNINSTALLER}",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${PRODUCT_FOLDER}\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${PRODUCT_FOLDER}\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; A file in use (a host still running) cannot be written: the installation fails, and
  ; what it did install can still be uninstalled. An old file in use that could not be
  ; removed stays recorded; the installation itself is complete.
  ${If} $Incomplete == 1
    SetErrorLevel 2
    MessageBox MB_OK|MB_ICONSTOP "Some files could not be written. Close every program that uses ${PRODUCT} and run Setup again." /SD IDOK
  ${ElseIf} $StuckFiles > 0
    SetErrorLevel ${EXIT_LEFT_BEHIND}
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} ${VERSION} is installed. These files of the installation it replaced are in use and stay behind:$LeftBehind$\r$\n$\r$\nOnce every program that uses them is closed, uninstalling ${PRODUCT} or running Setup again removes them." /SD IDOK
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro NativeRegView
  ${GetParameters} $R1

  ; A newer installed version is replaced only when the user says so.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ${VersionCompare} "$0" "${VERSION}" $1
    ClearErrors
    ${GetOptions} $R1 "/ALLOWDOWNGRADE" $2
    ${If} $1 == 1
    ${AndIf} ${Errors}
      MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 \
        "${PRODUCT} $0 is installed, which is newer than this version (${VERSION}).$\r$\n$\r$\nReplace it with version ${VERSION}?" \
        /SD IDNO IDYES downgrade
      SetErrorLevel ${EXIT_REFUSED}
      Quit
    ${EndIf}
  ${EndIf}
  downgrade:

  ${If} ${RunningX64}
    ${If} $INSTDIR == ""
      !insertmacro DefaultVst2Folder $INSTDIR vst2_x64 64 "$COMMONFILES64"
    ${EndIf}
    Call Vst2x86Option
    ${If} $Vst2Folder32 == ""
      !insertmacro DefaultVst2Folder $Vst2Folder32 vst2_x86 32 "$COMMONFILES32"
    ${EndIf}
    StrCpy $Vst2PageText "Setup installs the 64-bit VST 2.4 plug-in (for 64-bit hosts) into this folder. Choose the folder your hosts scan for VST 2.4 plug-ins."
    !insertmacro HideComponent render_x86
  ${Else}
    ${If} $INSTDIR == ""
      !insertmacro DefaultVst2Folder $INSTDIR vst2_x86 32 "$COMMONFILES32"
    ${EndIf}
    StrCpy $Vst2PageText "Setup installs the VST 2.4 plug-in into this folder. Choose the folder your hosts scan for VST 2.4 plug-ins."
    ; 32-bit Windows runs only the 32-bit plug-ins.
    !insertmacro ForEachX64Component HideComponent
    SectionSetText ${group_x64} ""
    SectionSetText ${group_x86} "Plug-ins"
  ${EndIf}
FunctionEnd

; /VST2DIR32=FOLDER into $Vst2Folder32: up to the next option, without quotes, so both
; /VST2DIR32="C:\My Plugins" and "/VST2DIR32=C:\My Plugins" work (PowerShell quotes so).
Function Vst2x86Option
  ${StrStr} $0 $R1 "/VST2DIR32="
  ${If} $0 != ""
    StrCpy $0 $0 "" 11
    ${StrStr} $1 $0 " /"
    StrLen $1 $1
    IntOp $1 0 - $1
    ${If} $1 < 0
      StrCpy $0 $0 $1
    ${EndIf}
    ${StrRep} $0 $0 '"' ""
    ${Do}
      StrCpy $1 $0 1 -1
      ${IfThen} $1 == " " ${|} StrCpy $0 $0 -1 ${|}
    ${LoopWhile} $1 == " "
  ${EndIf}
  StrCpy $Vst2Folder32 $0
FunctionEnd

Function NativeVst2PagePre
  ${If} ${RunningX64}
    ${IfNot} ${SectionIsSelected} ${vst2_x64}
      Abort
    ${EndIf}
  ${Else}
    ${IfNot} ${SectionIsSelected} ${vst2_x86}
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function Vst2x86PagePre
  ${IfNot} ${RunningX64}
  ${OrIfNot} ${SectionIsSelected} ${vst2_x86}
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro NativeRegView
FunctionEnd

; A file in use stays, recorded, and so do the uninstaller and its key, to run again later.
Section "Uninstall"
  StrCpy $StuckFiles 0
  !insertmacro ForEachComponent RemoveIfRecorded
  ${If} $StuckFiles > 0
    SetErrorLevel 2
    MessageBox MB_OK|MB_ICONSTOP "These files are in use and could not be removed:$LeftBehind$\r$\n$\r$\nClose every program that uses ${PRODUCT} and uninstall again." /SD IDOK
  ${Else}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    RMDir "$INSTDIR\.."
  ${EndIf}
SectionEnd
