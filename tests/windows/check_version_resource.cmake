# Reads the version resource back out of a built DLL, as the mingw windres decodes the
# image's resource section, and checks what Windows shows of it:
#   cmake -DWINDRES=<triple>-windres -DDLL=<path> -DVERSION=<n.n.n> -DORIGINAL_FILENAME=<name>
#         [-DFILE_DESCRIPTION=<text>] [-DFILE_TYPE=0x1] [-DFILE_OS=0x4] -P check_version_resource.cmake
# The defaults are a plug-in DLL's: Quillmarsh_twinfold, VFT_DLL, VOS_NT_WINDOWS32.
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED FILE_DESCRIPTION)
  set(FILE_DESCRIPTION Quillmarsh_twinfold)
endif()
if(NOT DEFINED FILE_TYPE)
  set(FILE_TYPE 0x2)
endif()
if(NOT DEFINED FILE_OS)
  set(FILE_OS 0x40004)
endif()

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
if(NOT resources MATCHES "\n FILETYPE ${FILE_TYPE}\n")
  list(APPEND failures "FILETYPE is not ${FILE_TYPE}")
endif()
if(NOT resources MATCHES "\n FILEOS ${FILE_OS}\n")
  list(APPEND failures "FILEOS is not ${FILE_OS}")
endif()

# The texts of the US English, Unicode table, and that table announced as the translation.
if(NOT resources MATCHES "BLOCK \"040904[Bb]0\"")
  list(APPEND failures "no StringFileInfo table 040904B0")
endif()
if(NOT resources MATCHES "VALUE \"Translation\", 0x409, 1200")
  list(APPEND failures "VarFileInfo does not announce 0x409, 1200")
endif()
foreach(pair
    "CompanyName=Quillmarsh"
    "ProductName=Quillmarsh_twinfold"
    "FileDescription=${FILE_DESCRIPTION}"
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
