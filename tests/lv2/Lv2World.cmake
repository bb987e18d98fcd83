# The LV2 world the tests give lilv: a folder of links to LV2's own vocabulary bundles in
# a system folder and to the bundles under test, and nothing else. LV2_PATH names only
# this folder, so a copy of this plug-in (or any other plug-in) installed in the system
# folder is never what a test loads.
#
#   include(tests/lv2/Lv2World.cmake)
#   twinfold_lv2_vocabularies(<out-var> <system-folder>)   the vocabulary bundles there
#   twinfold_lv2_world(<world-folder> <system-folder> <bundle>...)

# A vocabulary bundle's manifest declares one of LV2's vocabularies or an ontology and no
# plug-in.
function(twinfold_lv2_vocabularies out system)
  file(GLOB manifests "${system}/*/manifest.ttl")
  set(vocabularies "")
  foreach(manifest IN LISTS manifests)
    file(READ "${manifest}" declared)
    if(declared MATCHES "lv2:Spec[a-z]+|owl:Ontology" AND NOT declared MATCHES "lv2:Plugin|lv2core#Plugin")
      get_filename_component(bundle "${manifest}" DIRECTORY)
      list(APPEND vocabularies "${bundle}")
    endif()
  endforeach()
  if(NOT vocabularies)
    message(FATAL_ERROR "no LV2 vocabulary bundles in ${system} (Debian package lv2-dev)")
  endif()
  set(${out} ${vocabularies} PARENT_SCOPE)
endfunction()

function(twinfold_lv2_world world system)
  twinfold_lv2_vocabularies(vocabularies "${system}")
  file(REMOVE_RECURSE "${world}")
  file(MAKE_DIRECTORY "${world}")
  foreach(bundle IN LISTS vocabularies ARGN)
    get_filename_component(name "${bundle}" NAME)
    file(CREATE_LINK "${bundle}" "${world}/${name}" SYMBOLIC)
  endforeach()
endfunction()

