# Makes the screenshots again into OUT with TOOL and checks each against the committed one in
# EXPECTED, byte for byte: what a player sees does not change unnoticed.
#   cmake -DTOOL=... -DOUT=... -DEXPECTED=... -P CompareScreenshots.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${TOOL}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the screenshot tool failed: ${status}")
endif()
file(GLOB expected RELATIVE "${EXPECTED}" "${EXPECTED}/*.png")
file(GLOB made RELATIVE "${OUT}" "${OUT}/*.png")
if(NOT expected)
    message(FATAL_ERROR "no screenshots in ${EXPECTED}")
endif()
set(different "")
foreach(name IN LISTS expected)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${EXPECTED}/${name}" "${OUT}/${name}"
                    RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
        list(APPEND different "${name}")
    endif()
endforeach()
list(REMOVE_ITEM made ${expected})
if(different OR made)
    message(FATAL_ERROR "screenshots that differ from ${EXPECTED}: ${different}; "
                        "made but not committed: ${made} (the new ones are in ${OUT})")
endif()
list(LENGTH expected count)
message(STATUS "${count} screenshots, byte for byte the committed ones")
