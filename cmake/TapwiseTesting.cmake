include(GoogleTest)
set(TAPWISE_QTEST_DISCOVERY_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/TapwiseQtTestDiscovery.cmake)
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

# tapwise_add_qtest(name SOURCES ... [LIBS ...] [TIMEOUT s] [RUN_SERIAL])
# A Qt Test program; each test function becomes its own CTest entry, labelled "gui". The
# functions are what the program itself lists with -functions after each build, as GoogleTest
# cases are discovered. RUN_SERIAL keeps every function of the program from running beside
# another test (real windows, the one cursor, the display's focus).
function(tapwise_add_qtest name)
    cmake_parse_arguments(T "RUN_SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    # A list of functions copied into CMake would go stale: they come from the program itself.
    if(T_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "tapwise_add_qtest(${name}): unknown arguments "
            "${T_UNPARSED_ARGUMENTS} (test functions are discovered, FUNCTIONS is not needed)")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    tapwise_test_environment(${name} environment)

    set(base ${CMAKE_CURRENT_BINARY_DIR}/${name})
    string(JOIN "\n" settings
        "set(PROGRAM [==[$<TARGET_FILE:${name}>]==])"
        "set(TEST_PREFIX ${name})"
        "set(WORKING_DIRECTORY [==[${CMAKE_BINARY_DIR}/testenv/${name}]==])"
        "set(ENVIRONMENT [==[${environment}]==])"
        "set(TIMEOUT ${T_TIMEOUT})"
        "set(RUN_SERIAL ${T_RUN_SERIAL})"
        "set(OUTPUT [==[${base}_tests.cmake]==])"
        "include([==[${TAPWISE_QTEST_DISCOVERY_SCRIPT}]==])")
    file(GENERATE OUTPUT ${base}_discover.cmake CONTENT "${settings}\n")
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -P ${base}_discover.cmake
        COMMENT "Listing the test functions of ${name}"
        VERBATIM)
    # Before the first build there is nothing to list: the missing program shows as a test.
    file(WRITE ${base}_include.cmake
        "if(EXISTS [==[${base}_tests.cmake]==])\n"
        "    include([==[${base}_tests.cmake]==])\n"
        "else()\n"
        "    add_test(${name}_NOT_BUILT ${name}_NOT_BUILT)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${base}_include.cmake)
endfunction()
