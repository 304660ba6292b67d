# The native Linux build: the API library, the simulated driver, k47mxv, the
# benchmark and the API's and the simulator's tests, with the machine's own
# compiler (clang 14 for the sanitizer presets). K47_SANITIZE picks the
# sanitizer set-up of a preset:
#   (empty)   the shipped build: libstdc++ and libgcc linked into each file
#   address   AddressSanitizer + UndefinedBehaviorSanitizer, any report fatal
#   thread    ThreadSanitizer, any report fatal
set(K47_SANITIZE "" CACHE STRING "Sanitizers of the native build: empty, address or thread")

# Only the symbols a library's export list names leave it.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# A library refers to its own functions and data, never to another copy's
# of the same name that a host loaded before it.
string(APPEND CMAKE_SHARED_LINKER_FLAGS " -Wl,-Bsymbolic")

if(K47_SANITIZE STREQUAL "address")
    set(k47_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(K47_SANITIZE STREQUAL "thread")
    set(k47_sanitizers -fsanitize=thread -fno-omit-frame-pointer)
elseif(K47_SANITIZE STREQUAL "")
    add_link_options(-static-libgcc -static-libstdc++)
    # Every symbol a library needs is resolved when it is linked. (A
    # sanitized library takes the sanitizer's from the program instead.)
    string(APPEND CMAKE_SHARED_LINKER_FLAGS " -Wl,--no-undefined")
else()
    message(FATAL_ERROR "K47_SANITIZE must be empty, address or thread, not ${K47_SANITIZE}")
endif()
if(k47_sanitizers)
    add_compile_options(${k47_sanitizers} -g)
    add_link_options(${k47_sanitizers})
endif()

# k47_export_list(TARGET DEF_FILE)
# Exports from TARGET exactly the names the Windows export list DEF_FILE
# names (without their @n decorations), through a linker version script.
function(k47_export_list target def_file)
    file(STRINGS ${def_file} lines)
    set(names "")
    set(in_exports FALSE)
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line STREQUAL "EXPORTS")
            set(in_exports TRUE)
        elseif(in_exports AND line MATCHES "^[A-Za-z_][A-Za-z0-9_]*")
            string(REGEX REPLACE "^([A-Za-z_][A-Za-z0-9_]*).*" "\\1" name "${line}")
            string(APPEND names "        ${name};\n")
        endif()
    endforeach()
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(GENERATE OUTPUT ${script} CONTENT "{\n    global:\n${names}    local: *;\n};\n")
    target_link_options(${target} PRIVATE -Wl,--version-script=${script})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
endfunction()

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)
