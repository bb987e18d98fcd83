# The LV2 version of every release is a release by LV2's rules (even minor above 0, even
# micro) and greater than every earlier one's: the mapping over a table of versions, then
# the built bundle's manifest and description as sord reads them.
#   cmake -DSORDI=<program> -DBUNDLE=<folder> -DURI=<plug-in URI> -DVERSION=<version> -P check_lv2_version.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required SORDI BUNDLE URI VERSION)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_lv2_version: -D${required}=... is required")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Lv2Version.cmake)
set(failures "")

# (minor, micro) of a release: even, minor above 0.
function(check_release what minor micro)
  math(EXPR odd "${minor} % 2 + ${micro} % 2")
  if(minor LESS_EQUAL 0 OR odd)
    set(failures "${failures}\n${what}: ${minor}.${micro} is a development version by LV2's rules" PARENT_SCOPE)
  endif()
endfunction()

# Versions in release order with their LV2 versions; the first is greater than the 0.0
# that the 1.0.0 bundles were described with.
set(previous_minor 0)
set(previous_micro 0)
set(previous "the 1.0.0 bundles' 0.0")
foreach(row "1.0.0 2000 0" "1.0.1 2000 2" "1.0.9 2000 18" "1.1.0 2002 0" "1.9.3 2018 6" "1.10.0 2020 0"
            "1.999.999 3998 1998" "2.0.0 4000 0" "2.0.1 4000 2" "10.4.1 20008 2")
  separate_arguments(row)
  list(GET row 0 version)
  list(GET row 1 expected_minor)
  list(GET row 2 expected_micro)
  twinfold_lv2_version(${version} minor micro)
  if(NOT minor EQUAL expected_minor OR NOT micro EQUAL expected_micro)
    string(APPEND failures "\n${version}: ${minor}.${micro}, not ${expected_minor}.${expected_micro}")
  endif()
  check_release(${version} ${minor} ${micro})
  if(NOT (minor GREATER previous_minor OR (minor EQUAL previous_minor AND micro GREATER previous_micro)))
    string(APPEND failures "\n${version} (${minor}.${micro}) does not compare greater than ${previous}")
  endif()
  set(previous_minor ${minor})
  set(previous_micro ${micro})
  set(previous "${version} (${minor}.${micro})")
endforeach()

# The built bundle: the manifest, where hosts compare copies of the URI, and the
# description each state this build's version once.
twinfold_lv2_version(${VERSION} minor micro)
foreach(file manifest.ttl Quillmarsh_twinfold.ttl)
  execute_process(COMMAND "${SORDI}" -i turtle -o ntriples "${BUNDLE}/${file}" "file://${BUNDLE}/${file}"
                  OUTPUT_VARIABLE triples ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    string(APPEND failures "\n${file}: sordi failed (${status}): ${errors}")
    continue()
  endif()
  foreach(property minor micro)
    string(REGEX MATCHALL "<${URI}> <http://lv2plug.in/ns/lv2core#${property}Version> \"([0-9]+)\"" stated "${triples}")
    list(LENGTH stated count)
    if(NOT count EQUAL 1)
      string(APPEND failures "\n${file}: ${count} statements of lv2:${property}Version, not 1")
      continue()
    endif()
    string(REGEX REPLACE ".*\"([0-9]+)\"$" "\\1" ${property}_stated "${stated}")
    if(NOT ${property}_stated EQUAL ${property})
      string(APPEND failures "\n${file}: lv2:${property}Version ${${property}_stated}, not ${${property}} for ${VERSION}")
    endif()
  endforeach()
  if(DEFINED minor_stated AND DEFINED micro_stated)
    check_release(${file} ${minor_stated} ${micro_stated})
  endif()
  unset(minor_stated)
  unset(micro_stated)
endforeach()

if(failures)
  message(FATAL_ERROR "LV2 versions:${failures}")
endif()
message(STATUS "LV2 version ${minor}.${micro} for ${VERSION}, checked with the table of releases")
