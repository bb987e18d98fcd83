# The product's vendor, name, version and release date, written here and nowhere else. The build
# reads them (project(), the LV2 Turtle files, the Windows version resources, VST3
# moduleinfo.json); tools/package.sh reads them with `cmake -P cmake/Product.cmake`,
# which prints them as shell assignments.
set(TWINFOLD_VENDOR "Quillmarsh")
set(TWINFOLD_PRODUCT "Quillmarsh_twinfold")
set(TWINFOLD_VERSION "1.0.0")
# The time that release packages give their members where the sources carry no history
# (a copy without .git); a git checkout uses its last commit's time instead. Set with
# the version.
set(TWINFOLD_RELEASE_DATE "2026-12-08T00:00:00Z")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo
    "vendor='${TWINFOLD_VENDOR}' name='${TWINFOLD_PRODUCT}' version='${TWINFOLD_VERSION}' release_date='${TWINFOLD_RELEASE_DATE}'")
endif()
