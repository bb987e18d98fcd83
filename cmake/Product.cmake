# The product's vendor, name and version, written here and nowhere else. The build
# reads them (project(), the LV2 Turtle files, the Windows version resources, VST3
# moduleinfo.json); tools/package.sh reads them with `cmake -P cmake/Product.cmake`,
# which prints them as shell assignments.
set(TWINFOLD_VENDOR "Quillmarsh")
set(TWINFOLD_PRODUCT "Quillmarsh_twinfold")
set(TWINFOLD_VERSION "1.0.0")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo
    "vendor='${TWINFOLD_VENDOR}' name='${TWINFOLD_PRODUCT}' version='${TWINFOLD_VERSION}'")
endif()
