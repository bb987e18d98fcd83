# Reads the version resource back out of a built DLL, as the mingw windres decodes the
# image's resource section, and checks what Windows shows of it:
#   cmake -DWINDRES=<triple>-windres -DDLL=<path> -DVERSION=<n.n.n> -DORIGINAL_FILENAME=<name>
#         -P check_version_resource.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required WINDRES DLL VERSION ORIGINAL_FILENAME)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_version_resource: -D${required}=... is required")
  endif()
endforeach()

execute_process(COMMAND "${WINDRES}" --input-format=coff --output-format=rc --input=${DLL}
                OUTPUT_VARIABLE resources ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${WINDRES} could not read the resources of ${DLL} (${status}): ${errors}")
endif()

set(failures "")
string(REGEX MATCHALL "[0-9]+ VERSIONINFO" blocks "${resources}")
list(LENGTH blocks block_count)
if(NOT block_count EQUAL 1)
  list(APPEND failures "expected one VERSIONINFO resource, found ${block_count}")
endif()

# The fixed part: four numbers, the missing ones 0; flagged as a DLL for Windows NT.
string(REPLACE "." ";" numbers "${VERSION}")
list(LENGTH numbers count)
while(count LESS 4)
  list(APPEND numbers 0)
  math(EXPR count "${count} + 1")
endwhile()
list(JOIN numbers ", " fixed)
foreach(field FILEVERSION PRODUCTVERSION)
  if(NOT resources MATCHES "\n ${field} ${fixed}\n")
    string(REGEX MATCH "${field} [^\n]*" found "${resources}")
    list(APPEND failures "expected ${field} ${fixed}, found '${found}'")
  endif()
endforeach()
if(NOT resources MATCHES "\n FILETYPE 0x2\n")
  list(APPEND failures "FILETYPE is not VFT_DLL (0x2)")
endif()
if(NOT resources MATCHES "\n FILEOS 0x40004\n")
  list(APPEND failures "FILEOS is not VOS_NT_WINDOWS32 (0x40004)")
endif()

# The texts of the US English, Unicode table, and that table announced as the translation.
if(NOT resources MATCHES "BLOCK \"040904B0\"")
  list(APPEND failures "no StringFileInfo table 040904B0")
endif()
if(NOT resources MATCHES "VALUE \"Translation\", 0x409, 1200")
  list(APPEND failures "VarFileInfo does not announce 0x409, 1200")
endif()
foreach(pair
    "CompanyName=Quillmarsh"
    "ProductName=Quillmarsh_twinfold"
    "FileDescription=Quillmarsh_twinfold"
    "FileVersion=${VERSION}"
    "ProductVersion=${VERSION}"
    "OriginalFilename=${ORIGINAL_FILENAME}")
  string(REGEX MATCH "^([^=]+)=(.*)$" unused "${pair}")
  set(key "${CMAKE_MATCH_1}")
  set(expected "${CMAKE_MATCH_2}")
  if(resources MATCHES "VALUE \"${key}\", \"([^\"]*)\"")
    if(NOT CMAKE_MATCH_1 STREQUAL expected)
      list(APPEND failures "${key} is '${CMAKE_MATCH_1}', expected '${expected}'")
    endif()
  else()
    list(APPEND failures "no ${key} in the version resource")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " report)
  message(FATAL_ERROR "${DLL}:\n  ${report}\nwindres read:\n${resources}")
endif()
message(STATUS "${DLL}: version ${VERSION} (${fixed}), Quillmarsh / Quillmarsh_twinfold, ${ORIGINAL_FILENAME}")
