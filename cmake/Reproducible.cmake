# The same sources give the same bytes, whichever folder they are built in and when:
# no build paths in the objects (file names in symbols, __FILE__, debug info), no link
# time in PE headers, and release libraries without their symbol tables (shipped
# plug-ins need only their exports; Debian also requires them stripped).
# Included once from the top level, so it applies to every target.

# Later maps take precedence, so the build folder (which may lie inside the sources)
# is mapped after the source folder.
add_compile_options(
  "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
  "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")

if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
else()
  # The build ID is a hash of the contents, never a random or time-based one.
  add_link_options(-Wl,--build-id=sha1)
endif()

foreach(_twinfold_kind SHARED MODULE)
  foreach(_twinfold_config RELEASE MINSIZEREL)
    string(APPEND CMAKE_${_twinfold_kind}_LINKER_FLAGS_${_twinfold_config} " -s")
  endforeach()
endforeach()

# Executables that ship (vst-render) are stripped the same way; test programs and
# benchmarks keep their symbols for profilers and backtraces.
function(twinfold_strip_release target)
  target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)
endfunction()

# Lists the plug-in binaries (every shared or module library under host/ and
# editions/) with their files in <build>/plugin_binaries.txt, one "target path" a line,
# for the check that rebuilds them elsewhere and compares bytes. Written once all folders are configured.
function(_twinfold_collect_plugin_targets directory out_list)
  set(found "")
  get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(SHARED|MODULE)_LIBRARY$")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    _twinfold_collect_plugin_targets("${subdirectory}" more)
    list(APPEND found ${more})
  endforeach()
  set(${out_list} "${found}" PARENT_SCOPE)
endfunction()

function(_twinfold_write_plugin_binaries)
  _twinfold_collect_plugin_targets("${PROJECT_SOURCE_DIR}/host" targets)
  _twinfold_collect_plugin_targets("${PROJECT_SOURCE_DIR}/editions" edition_targets)
  list(APPEND targets ${edition_targets})
  set(lines "")
  foreach(target IN LISTS targets)
    string(APPEND lines "${target} $<TARGET_FILE:${target}>\n")
  endforeach()
  file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/plugin_binaries.txt" CONTENT "${lines}")
endfunction()
cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL _twinfold_write_plugin_binaries)
