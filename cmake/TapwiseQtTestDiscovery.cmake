# Run by each Qt Test program's build: lists the program's test functions (-functions) and
# writes the CTest file that registers each function as its own test. Set before inclusion:
# PROGRAM, TEST_PREFIX, WORKING_DIRECTORY, ENVIRONMENT (list), TIMEOUT, RUN_SERIAL, OUTPUT.

# Listing needs an application object but no display.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${ENVIRONMENT} QT_QPA_PLATFORM=offscreen
            ${PROGRAM} -functions
    WORKING_DIRECTORY ${WORKING_DIRECTORY}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors
    TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} -functions failed (${result}):\n${output}\n${errors}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${output}")
set(functions)
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        list(APPEND functions ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT functions)
    message(FATAL_ERROR "${PROGRAM} lists no test functions:\n${output}")
endif()

set(serial "")
if(RUN_SERIAL)
    set(serial " RUN_SERIAL TRUE")
endif()
set(content "")
foreach(function IN LISTS functions)
    set(test "${TEST_PREFIX}.${function}")
    string(APPEND content
        "add_test([==[${test}]==] [==[${PROGRAM}]==] ${function})\n"
        "set_tests_properties([==[${test}]==] PROPERTIES"
        " WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==]"
        " TIMEOUT ${TIMEOUT}"
        " ENVIRONMENT [==[${ENVIRONMENT}]==]"
        " LABELS gui${serial})\n")
endforeach()
file(WRITE ${OUTPUT} "${content}")
