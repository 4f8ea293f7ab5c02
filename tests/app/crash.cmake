# The hand-off takes over the fatal signals and counts allocations, which the sanitizers' own
# signal handling and allocator do too: these tests run in the plain build only.
if(TAPWISE_SANITIZE)
    return()
endif()

# A child that installs the hand-off like the shell and crashes in the way it is told.
add_executable(crashchild crashchild.cpp)
set_target_properties(crashchild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
target_link_libraries(crashchild PRIVATE Tapwise::CrashHandoff)

# Stands in for mindump where a test checks how the writer was started.
add_executable(fakewriter fakewriter.cpp)
set_target_properties(fakewriter PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
target_link_libraries(fakewriter PRIVATE rt)

add_library(TapwiseCrashTestSupport STATIC crashtestsupport.cpp)
target_include_directories(TapwiseCrashTestSupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

tapwise_add_gtest(tst_crashfilter
    SOURCES tst_crashfilter.cpp allocationcounter.cpp
    LIBS Tapwise::CrashHandoff TapwiseCrashTestSupport GTest::gtest_main)
target_compile_definitions(tst_crashfilter PRIVATE
    TAPWISE_FAKE_WRITER="$<TARGET_FILE:fakewriter>")
add_dependencies(tst_crashfilter fakewriter)

tapwise_add_gtest(tst_crashhandoff
    SOURCES tst_crashhandoff.cpp
    LIBS TapwiseCrashTestSupport GTest::gtest_main Qt5::Core PkgConfig::XCB
    TIMEOUT 120)
target_compile_definitions(tst_crashhandoff PRIVATE
    TAPWISE_CRASH_CHILD="$<TARGET_FILE:crashchild>"
    TAPWISE_FAKE_WRITER="$<TARGET_FILE:fakewriter>")
add_dependencies(tst_crashhandoff crashchild fakewriter)
