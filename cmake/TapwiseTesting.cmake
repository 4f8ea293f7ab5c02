include(GoogleTest)
find_package(GTest REQUIRED)
find_package(Qt5 5.15 REQUIRED COMPONENTS Test)

# Every test runs with its own configuration, data and runtime folders, so it never touches
# the real user's files, a running Tapwise, or another test running beside it.
function(tapwise_test_environment name out_var)
    set(root ${CMAKE_BINARY_DIR}/testenv/${name})
    file(MAKE_DIRECTORY ${root}/config ${root}/data ${root}/runtime ${root}/cache)
    file(CHMOD ${root}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set(${out_var}
        "XDG_CONFIG_HOME=${root}/config"
        "XDG_DATA_HOME=${root}/data"
        "XDG_RUNTIME_DIR=${root}/runtime"
        "XDG_CACHE_HOME=${root}/cache"
        "QTWEBENGINE_DISABLE_SANDBOX=1"
        "TAPWISE_OUTPUT_DIR=${TAPWISE_OUTPUT_DIR}"
        "TAPWISE_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
        PARENT_SCOPE)
endfunction()

# tapwise_add_gtest(name SOURCES ... [LIBS ...] [TIMEOUT s])
# A GoogleTest program; each test case becomes its own CTest entry, labelled "unit" (the
# sanitizer run takes these).
function(tapwise_add_gtest name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 60)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_property(GLOBAL APPEND PROPERTY TAPWISE_UNIT_TEST_TARGETS ${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    target_link_libraries(${name} PRIVATE GTest::gtest ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    tapwise_test_environment(${name} environment)
    # Discovered tests cannot take a list-valued ENVIRONMENT property, so every run of the
    # program, listing included, goes through "cmake -E env" instead.
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env ${environment})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testenv/${name}
        PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS unit)
endfunction()

# tapwise_add_qtest(name SOURCES ... [LIBS ...] [FUNCTIONS f1 f2 ...] [TIMEOUT s])
# A Qt Test program; with FUNCTIONS each test function becomes its own CTest entry.
function(tapwise_add_qtest name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;FUNCTIONS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    tapwise_test_environment(${name} environment)
    if(T_FUNCTIONS)
        foreach(function ${T_FUNCTIONS})
            add_test(NAME ${name}.${function} COMMAND ${name} ${function}
                WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testenv/${name})
            set_tests_properties(${name}.${function} PROPERTIES
                TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${environment}" LABELS gui)
        endforeach()
    else()
        add_test(NAME ${name} COMMAND ${name}
            WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/testenv/${name})
        set_tests_properties(${name} PROPERTIES
            TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${environment}" LABELS gui)
    endif()
endfunction()
