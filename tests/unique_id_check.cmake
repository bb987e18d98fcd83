# Checks how TWINFOLD_UNIQUE_ID is read: four characters as hosts show them, or a number.
function(expect_id text expected)
  set(TWINFOLD_UNIQUE_ID "${text}")
  include(${CMAKE_CURRENT_LIST_DIR}/../cmake/UniqueId.cmake)
  if(NOT TWINFOLD_UNIQUE_ID_NUMBER STREQUAL "${expected}")
    message(FATAL_ERROR "ID '${text}' gave ${TWINFOLD_UNIQUE_ID_NUMBER}, expected ${expected}")
  endif()
endfunction()
expect_id("0" "0")
expect_id("Qtwf" "1366587238")    # 0x51747766
expect_id("NoEf" "1315915110")    # 0x4e6f4566
expect_id("-5" "-5")
expect_id("123456" "123456")
