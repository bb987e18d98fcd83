# Checks a built plug-in DLL as a Windows host's loader sees it, from the PE headers
# that the mingw objdump prints:
#   cmake -DOBJDUMP=<triple>-objdump -DDLL=<path> -DFORMAT=pei-i386|pei-x86-64
#         [-DEXPORTS=<name;name...>] -P check_dll_packaging.cmake
# - the image format and PE32 (i386) or PE32+ (x86-64) optional header, flagged as a DLL;
# - exactly the EXPORTS, by default VSTPluginMain, main and MAIN, with main then the same
#   function as VSTPluginMain;
# - imports from Windows system DLLs only: the compiler's runtimes must be linked in.
cmake_minimum_required(VERSION 3.25)

foreach(required OBJDUMP DLL FORMAT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_dll_packaging: -D${required}=... is required")
  endif()
endforeach()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "no such file: ${DLL}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE headers ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed (${status}): ${errors}")
endif()

set(failures "")
if(NOT DEFINED EXPORTS)
  set(EXPORTS MAIN VSTPluginMain main)
endif()
list(SORT EXPORTS)

# Image format and optional header.
if(FORMAT STREQUAL "pei-i386")
  set(magic "010b\t\\(PE32\\)")
  set(magic_name "010b (PE32)")
elseif(FORMAT STREQUAL "pei-x86-64")
  set(magic "020b\t\\(PE32\\+\\)")
  set(magic_name "020b (PE32+)")
else()
  message(FATAL_ERROR "unknown FORMAT ${FORMAT}")
endif()
if(NOT headers MATCHES "file format ${FORMAT}\n")
  string(REGEX MATCH "file format [^\n]*" found "${headers}")
  list(APPEND failures "expected file format ${FORMAT}, found '${found}'")
endif()
if(NOT headers MATCHES "\nMagic\t+${magic}")
  string(REGEX MATCH "\nMagic\t+([^\n]*)" unused "${headers}")
  list(APPEND failures "expected optional header magic ${magic_name}, found '${CMAKE_MATCH_1}'")
endif()
if(NOT headers MATCHES "\nCharacteristics [^\n]*\n(\t[^\n]*\n)*\tDLL\n")
  list(APPEND failures "the image is not flagged as a DLL")
endif()

# Exports. The export address table lists each slot's RVA; the name table gives each
# name with the slot it points to.
string(REGEX MATCH "\nExport Address Table -- Ordinal Base [0-9]+\n(.*)" export_part "${headers}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\] [0-9a-f]+ Export RVA" slot_lines "${export_part}")
foreach(line IN LISTS slot_lines)
  string(REGEX MATCH "\\[ *([0-9]+)\\] \\+base\\[ *[0-9]+\\] ([0-9a-f]+)" unused "${line}")
  set(rva_of_slot_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n((\t\\[ *[0-9]+\\] [^\n]+\n)*)" unused "${export_part}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" name_lines "${CMAKE_MATCH_1}")
set(export_names "")
foreach(line IN LISTS name_lines)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)" unused "${line}")
  list(APPEND export_names "${CMAKE_MATCH_2}")
  set(rva_of_${CMAKE_MATCH_2} "${rva_of_slot_${CMAKE_MATCH_1}}")
endforeach()
list(SORT export_names)
if(NOT export_names STREQUAL EXPORTS)
  list(JOIN export_names ", " found)
  list(JOIN EXPORTS ", " expected)
  list(APPEND failures "expected exactly the exports ${expected}, found '${found}'")
endif()
# main=VSTPluginMain in the .def file: both names lead to one function.
if("main" IN_LIST EXPORTS AND (NOT rva_of_main OR NOT rva_of_main STREQUAL rva_of_VSTPluginMain))
  list(APPEND failures "main (RVA '${rva_of_main}') is not VSTPluginMain (RVA '${rva_of_VSTPluginMain}')")
endif()

# Imports: Windows system DLLs only.
string(REGEX MATCHALL "\tDLL Name: [^\n]+" import_lines "${headers}")
set(imports "")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^\tDLL Name: " "" name "${line}")
  list(APPEND imports "${name}")
endforeach()
set(system_dlls kernel32.dll msvcrt.dll user32.dll gdi32.dll advapi32.dll ntdll.dll shell32.dll ole32.dll
    ucrtbase.dll)
if(NOT imports)
  list(APPEND failures "no import table found (objdump output not understood)")
endif()
foreach(name IN LISTS imports)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST system_dlls AND NOT lower MATCHES "^api-ms-win-crt-")
    list(APPEND failures "imports ${name}, which is not a Windows system DLL")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " report)
  message(FATAL_ERROR "${DLL}:\n  ${report}")
endif()
list(JOIN export_names ", " export_text)
list(JOIN imports ", " import_text)
message(STATUS "${DLL}: ${FORMAT}, ${magic_name}, exports ${export_text}, imports ${import_text}")
