# cmake -DBUILD_DIR=<build folder> -P checklayers.cmake
# Builds the two layer checks: the one that includes downwards must build, the one that
# includes upwards must fail, and for the missing header rather than for any other reason.
function(build_check target result_var output_var)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    set(${result_var} ${result} PARENT_SCOPE)
    set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

build_check(layercheck_below result output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "including a lower layer's header failed to build:\n${output}")
endif()

build_check(layercheck_above result output)
if(result EQUAL 0)
    message(FATAL_ERROR "including a higher layer's header built:\n${output}")
endif()
if(NOT output MATCHES "qmainwidget\\.h: No such file or directory")
    message(FATAL_ERROR "the upward include failed for another reason:\n${output}")
endif()
message(STATUS "qmainwidget.h is out of the web layer's reach")
