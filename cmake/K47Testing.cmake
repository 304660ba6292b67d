# GoogleTest from the distribution's source package, built with the preset's
# compiler; one helper that adds a test program (run under Wine for the
# Windows presets, natively for the Linux ones), one that adds a check of
# built files that runs on the build machine itself.

# Whether this machine runs the preset's programs: 64-bit ones always, 32-bit
# ones where the probe says so (K47_RUN_32BIT forces the answer). The probe
# runs at every configure, so the answer follows the machine. Where they
# cannot run, the test programs are still built but not registered: CTest
# would count a skipped test as passed.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/wine-env.sh --probe
                    OUTPUT_VARIABLE probe OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REPLACE "\n" ";" probe "${probe}")
    list(GET probe 0 K47_RUNS_PROGRAMS)
    if(NOT K47_RUNS_PROGRAMS STREQUAL "yes")
        list(GET probe 1 K47_NOT_RUN_REASON)
        message(STATUS "${K47_PRESET} test programs are built, not run: ${K47_NOT_RUN_REASON}")
    endif()
else()
    set(K47_RUNS_PROGRAMS yes)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# The Windows test programs use GoogleTest without its locks, as before; the
# native ones with them, so that ThreadSanitizer sees its assertions locked.
if(WIN32)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
else()
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
endif()
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Where K47_TEST_SUITES names suites, only those are registered (the
# ThreadSanitizer preset runs the thread tests alone).
set(K47_TEST_SUITES "" CACHE STRING "The only GoogleTest suites to register; empty for all")
# Every report of a sanitizer ends its test program with a failure.
set(K47_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")

# k47_add_test_program(NAME SOURCES files... LIBRARIES libs...)
# Builds the program NAME and registers one test per GoogleTest suite found in
# the sources, named <preset>:<suite>, so a failure names its suite and each
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
    if(K47_TEST_SUITES)
        set(registered "")
        foreach(suite IN LISTS suites)
            if(suite IN_LIST K47_TEST_SUITES)
                list(APPEND registered ${suite})
            endif()
        endforeach()
        set(suites ${registered})
    endif()
    set_property(GLOBAL APPEND PROPERTY K47_SUITES ${suites})
    if(NOT K47_RUNS_PROGRAMS STREQUAL "yes")
        return()
    endif()
    foreach(suite IN LISTS suites)
        add_test(NAME ${K47_PRESET}:${suite}
                 COMMAND ${name} --gtest_filter=${suite}.*:${suite}/*
                 WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
        if(NOT WIN32)
            set_tests_properties(${K47_PRESET}:${suite} PROPERTIES ENVIRONMENT "${K47_SANITIZER_ENVIRONMENT}")
        endif()
    endforeach()
endfunction()

# k47_add_static_check(NAME COMMAND args...)
# Registers <preset>:NAME, a check of built files run on the build machine (no
# Wine), so it runs wherever the preset is built; not where K47_TEST_SUITES
# picks suites.
function(k47_add_static_check name)
    if(K47_TEST_SUITES)
        return()
    endif()
    add_test(NAME ${K47_PRESET}:${name} COMMAND ${ARGN})
    set_tests_properties(${K47_PRESET}:${name} PROPERTIES LABELS static)
    set_property(GLOBAL APPEND PROPERTY K47_STATIC_CHECKS ${name})
endfunction()

# Writes build/<preset>/k47-tests.txt, which the test session reads to say
# what it runs: whether the programs run (and why not), how many suites were
# built and how many static checks there are.
function(k47_write_test_plan)
    get_property(suites GLOBAL PROPERTY K47_SUITES)
    get_property(checks GLOBAL PROPERTY K47_STATIC_CHECKS)
    list(LENGTH suites suite_count)
    list(LENGTH checks check_count)
    file(WRITE ${CMAKE_BINARY_DIR}/k47-tests.txt
         "runs=${K47_RUNS_PROGRAMS}\nreason=${K47_NOT_RUN_REASON}\nsuites=${suite_count}\nstatic=${check_count}\n")
endfunction()
