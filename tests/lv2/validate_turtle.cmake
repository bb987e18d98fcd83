# Validates the bundle's Turtle against the LV2 schemas with sord_validate; any error
# or warning fails. Only LV2's own vocabulary bundles in SCHEMAS are read (see
# Lv2World.cmake): the plug-ins installed beside them have descriptions of their own,
# with faults that are not ours to report.
#   cmake -DSORD_VALIDATE=<program> -DSCHEMAS=<folder> -DBUNDLE=<folder> -P validate_turtle.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required SORD_VALIDATE SCHEMAS BUNDLE)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "validate_turtle: -D${required}=... is required")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/Lv2World.cmake)
twinfold_lv2_vocabularies(vocabularies "${SCHEMAS}")
set(schemas "")
foreach(vocabulary IN LISTS vocabularies)
  file(GLOB_RECURSE vocabulary_files "${vocabulary}/*.ttl")
  list(APPEND schemas ${vocabulary_files})
endforeach()
file(GLOB bundle_files "${BUNDLE}/*.ttl")
list(LENGTH bundle_files bundle_count)
if(NOT schemas OR bundle_count LESS 2)
  message(FATAL_ERROR "no schemas in ${SCHEMAS} or no manifest and description in ${BUNDLE}")
endif()
execute_process(COMMAND "${SORD_VALIDATE}" ${schemas} ${bundle_files}
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
string(TOLOWER "${output}${errors}" report)
if(NOT status EQUAL 0 OR report MATCHES "warning" OR NOT report MATCHES "found 0 errors")
  message(FATAL_ERROR "sord_validate (${status}):\n${output}${errors}")
endif()
message(STATUS "${bundle_files}: ${output}")
