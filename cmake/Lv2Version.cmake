# The LV2 description's version from the product's. LV2 has no major version: hosts
# keep the copy of a plug-in URI with the greatest (minor, micro) pair, compared minor
# first, and an odd or zero minor or an odd micro marks a development version that hosts
# hide. So MAJOR.MINOR.PATCH becomes
#   minor = 2 * (MAJOR * 1000 + MINOR), micro = 2 * PATCH
# (1.0.0 is 2000.0, 1.0.1 is 2000.2, 1.1.0 is 2002.0, 2.0.0 is 4000.0): even, above the
# 0.0 of the bundles that 1.0.0 installed, and ordered as the product's versions are as
# long as MINOR stays below 1000.
#
#   include(cmake/Lv2Version.cmake)
#   twinfold_lv2_version(<version> <minor-var> <micro-var>)
# or, printing "<minor> <micro>":
#   cmake -DVERSION=<version> -P cmake/Lv2Version.cmake
function(twinfold_lv2_version version minor_var micro_var)
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "LV2 version: ${version} is not MAJOR.MINOR.PATCH")
  endif()
  set(major ${CMAKE_MATCH_1})
  set(minor ${CMAKE_MATCH_2})
  set(patch ${CMAKE_MATCH_3})
  if(minor GREATER_EQUAL 1000 OR (major EQUAL 0 AND minor EQUAL 0))
    message(FATAL_ERROR "LV2 version: ${version} has no LV2 release version (MINOR from 0 to 999, not 0.0.x)")
  endif()
  math(EXPR lv2_minor "2 * (${major} * 1000 + ${minor})")
  math(EXPR lv2_micro "2 * ${patch}")
  set(${minor_var} ${lv2_minor} PARENT_SCOPE)
  set(${micro_var} ${lv2_micro} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  twinfold_lv2_version("${VERSION}" lv2_minor lv2_micro)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${lv2_minor} ${lv2_micro}")
endif()
