# Links a plug-in module as a host loads it: the listed exports only (a .def file on
# Windows, a version script elsewhere), and on Windows the compiler's runtimes linked
# in, so the DLL imports nothing a user's machine lacks.
#   twinfold_plugin_exports(<target> <.def file> <version script>)
function(twinfold_plugin_exports target def_file version_script)
  set_target_properties(${target} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    target_sources(${target} PRIVATE ${def_file})
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    # The static runtimes bring their debug sections; a shipped plug-in needs none.
    target_link_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug,RelWithDebInfo>>:-s>)
  else()
    target_link_options(${target} PRIVATE "-Wl,--version-script=${version_script}")
    if(NOT TWINFOLD_SANITIZE)
      # Sanitizer runtimes come from the loading executable, so only plain builds check this.
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${version_script}")
  endif()
endfunction()
