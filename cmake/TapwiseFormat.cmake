# format: rewrite every C++ file with clang-format; format-check: fail when one differs.
find_program(CLANG_FORMAT_EXECUTABLE NAMES clang-format clang-format-14)
if(CLANG_FORMAT_EXECUTABLE)
    file(GLOB_RECURSE TAPWISE_FORMAT_FILES CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/app/*.h
        ${CMAKE_SOURCE_DIR}/window/*.cpp ${CMAKE_SOURCE_DIR}/window/*.h
        ${CMAKE_SOURCE_DIR}/web/*.cpp ${CMAKE_SOURCE_DIR}/web/*.h
        ${CMAKE_SOURCE_DIR}/account/*.cpp ${CMAKE_SOURCE_DIR}/account/*.h
        ${CMAKE_SOURCE_DIR}/util/*.cpp ${CMAKE_SOURCE_DIR}/util/*.h
        ${CMAKE_SOURCE_DIR}/platform/*.cpp ${CMAKE_SOURCE_DIR}/platform/*.h
        ${CMAKE_SOURCE_DIR}/engine/*.cpp ${CMAKE_SOURCE_DIR}/engine/*.h
        ${CMAKE_SOURCE_DIR}/basekit/*.cpp ${CMAKE_SOURCE_DIR}/basekit/*.h
        ${CMAKE_SOURCE_DIR}/dumper/*.cpp ${CMAKE_SOURCE_DIR}/dumper/*.h
        ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/*.h
        ${CMAKE_SOURCE_DIR}/bench/*.cpp ${CMAKE_SOURCE_DIR}/bench/*.h)
    list(FILTER TAPWISE_FORMAT_FILES EXCLUDE REGEX "/node_modules/")
    add_custom_target(format
        COMMAND ${CLANG_FORMAT_EXECUTABLE} -i ${TAPWISE_FORMAT_FILES}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Applying .clang-format")
    add_custom_target(format-check
        COMMAND ${CLANG_FORMAT_EXECUTABLE} --dry-run --Werror ${TAPWISE_FORMAT_FILES}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Checking .clang-format")
endif()
