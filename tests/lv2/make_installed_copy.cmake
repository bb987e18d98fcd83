# A musician's LV2 folder under WORK/system: LV2's vocabulary (links to SYSTEM's) and
# an installed copy of this plug-in, its description that of the bundle under test but
# with a newer version, so lilv prefers it wherever it finds both. Then WORK/world, the
# tests' world made from that folder and the bundle under test (Lv2World.cmake).
#   cmake -DSYSTEM=<folder> -DBUNDLE=<bundle under test> -DWORK=<folder> -P make_installed_copy.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required SYSTEM BUNDLE WORK)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "make_installed_copy: -D${required}=... is required")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/Lv2World.cmake)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/system")
twinfold_lv2_vocabularies(vocabularies "${SYSTEM}")
foreach(vocabulary IN LISTS vocabularies)
  get_filename_component(name "${vocabulary}" NAME)
  file(CREATE_LINK "${vocabulary}" "${WORK}/system/${name}" SYMBOLIC)
endforeach()

get_filename_component(bundle_name "${BUNDLE}" NAME)
set(copy "${WORK}/system/${bundle_name}")
file(GLOB descriptions "${BUNDLE}/*.ttl")
foreach(description IN LISTS descriptions)
  file(READ "${description}" text)
  string(REGEX REPLACE "lv2:minorVersion [0-9]+" "lv2:minorVersion 999998" text "${text}")
  get_filename_component(name "${description}" NAME)
  file(WRITE "${copy}/${name}" "${text}")
endforeach()
file(READ "${copy}/manifest.ttl" manifest)
if(NOT manifest MATCHES "lv2:minorVersion 999998")
  message(FATAL_ERROR "make_installed_copy: ${BUNDLE}/manifest.ttl states no lv2:minorVersion")
endif()

twinfold_lv2_world("${WORK}/world" "${WORK}/system" "${BUNDLE}")
