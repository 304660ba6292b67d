# GoogleTest from the distribution's source package, built with the cross
# compiler, and one helper that adds a test program run under Wine.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# k47_add_test_program(NAME SOURCES files... LIBRARIES libs...)
# Builds NAME.exe and registers one test per GoogleTest suite found in the
# sources, named <preset>:<suite>, so a failure names its suite and each
# suite runs in a fresh process.
function(k47_add_test_program name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${K47_WARNINGS}>)
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} gtest gtest_main)
    set(suites "")
    foreach(source IN LISTS ARG_SOURCES)
        file(STRINGS ${source} lines REGEX "^(TEST|TEST_F|TEST_P)\\(")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^TEST[_FP]*\\(([A-Za-z0-9_]+).*" "\\1" suite "${line}")
            list(APPEND suites ${suite})
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES suites)
    foreach(suite IN LISTS suites)
        add_test(NAME ${K47_PRESET}:${suite}
                 COMMAND ${name} --gtest_filter=${suite}.*:${suite}/*
                 WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    endforeach()
endfunction()
