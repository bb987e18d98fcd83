# Time limits for the tests: a test that hangs fails under its own name within a minute
# or two instead of stopping the run. Limits are written in seconds as a Linux build
# needs them, with room for a loaded machine; under Wine (slow program starts, one
# server for every process) and the sanitizers they are scaled.
if(CMAKE_CROSSCOMPILING_EMULATOR OR TWINFOLD_SANITIZE)
  set(TWINFOLD_TEST_TIME_SCALE 2)
else()
  set(TWINFOLD_TEST_TIME_SCALE 1)
endif()
# A test that sets no limit of its own: a googletest case or a short script.
set(TWINFOLD_TEST_DEFAULT_SECONDS 60)

# twinfold_time_limit(<out-var> <seconds>): the limit for this build.
function(twinfold_time_limit out seconds)
  math(EXPR scaled "${seconds} * ${TWINFOLD_TEST_TIME_SCALE}")
  set(${out} ${scaled} PARENT_SCOPE)
endfunction()

# twinfold_add_gtests(<target> [SECONDS <s>] [LABELS <label>...] [PROPERTIES <name> <value>...]):
# each case of a googletest program as a test of its own with a limit, found when CTest
# runs (so a cross build needs no emulator to build), the listing itself limited too.
function(twinfold_add_gtests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SECONDS" "LABELS;PROPERTIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "twinfold_add_gtests: unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_SECONDS)
    set(arg_SECONDS ${TWINFOLD_TEST_DEFAULT_SECONDS})
  endif()
  twinfold_time_limit(limit ${arg_SECONDS})
  twinfold_time_limit(listing 30)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT ${listing}
                       PROPERTIES ${arg_PROPERTIES} TIMEOUT ${limit})
  if(arg_LABELS)
    # Set once the cases are known: given among the PROPERTIES, a list of labels would be
    # spread over the property list by the discovery script.
    set(labels_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
    file(WRITE ${labels_file} "foreach(test IN LISTS ${target}_TESTS)\n"
                              "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${arg_LABELS}\")\n"
                              "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_file})
  endif()
endfunction()

# twinfold_time_limit_every_test(): called first in a folder's CMakeLists; when the
# folder is done, each test it added with add_test and no limit of its own gets the
# default limit.
function(twinfold_time_limit_every_test)
  cmake_language(DEFER CALL _twinfold_limit_untimed_tests)
endfunction()

function(_twinfold_limit_untimed_tests)
  twinfold_time_limit(limit ${TWINFOLD_TEST_DEFAULT_SECONDS})
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} TIMEOUT seconds)
    if(NOT seconds)
      set_tests_properties(${test} PROPERTIES TIMEOUT ${limit})
    endif()
  endforeach()
endfunction()
