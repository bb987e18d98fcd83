# Windows version resources: what Explorer's file properties and hosts' plug-in lists
# show about a DLL. The numbers come from project(VERSION); nothing else holds them.
#
#   twinfold_add_version_resource(<target> <original-filename>)
#
# adds a VERSIONINFO resource (compiled with windres) to <target>; on other systems it
# does nothing, so callers need no condition.
if(WIN32)
  enable_language(RC)
endif()

set(_twinfold_version_resource_template "${CMAKE_CURRENT_LIST_DIR}/version_resource.rc.in")

function(twinfold_add_version_resource target original_filename)
  if(NOT WIN32)
    return()
  endif()
  if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+(\\.[0-9]+)?$")
    message(FATAL_ERROR "twinfold_add_version_resource: project version '${PROJECT_VERSION}' is not n.n.n[.n]")
  endif()
  set(TWINFOLD_RC_ORIGINAL_FILENAME "${original_filename}")
  set(TWINFOLD_RC_VERSION_TEXT "${PROJECT_VERSION}")
  set(TWINFOLD_RC_VERSION_NUMBERS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  if(PROJECT_VERSION_TWEAK)
    set(TWINFOLD_RC_VERSION_NUMBERS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
  endif()
  set(resource "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${_twinfold_version_resource_template}" "${resource}" @ONLY)
  target_sources(${target} PRIVATE "${resource}")
endfunction()
