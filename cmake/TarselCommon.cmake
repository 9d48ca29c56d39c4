# Flags, defines and helpers shared by every Tarsel target.

add_library(tarsel_options INTERFACE)
target_compile_options(tarsel_options INTERFACE
    -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -pedantic)
target_compile_definitions(tarsel_options INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_BEFORE=0x060400
    QT_NO_KEYWORDS)
# CI builds with warnings as errors (.ci/run); a local build only shows them.
option(TARSEL_WERROR "Treat compiler warnings as errors" OFF)
if(TARSEL_WERROR)
    target_compile_options(tarsel_options INTERFACE -Werror)
endif()

# Collects the sources of one layer folder (recursively): .cpp, .h and .ui files.
function(tarsel_collect_sources out_var dir)
    file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
        ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui)
    set(${out_var} ${_srcs} PARENT_SCOPE)
endfunction()

# Builds the shared sources of a layer twice: NAME_app for the application and
# NAME_ext for the file-manager extension (compiled with QV_EXTENSION_BUILD=1).
#   tarsel_add_variant_library(NAME SOURCES ... [PUBLIC_LINK ...] [PRIVATE_LINK ...]
#                              [VARIANT_LINK ...] [INCLUDE_DIRS ...])
# PUBLIC_LINK / PRIVATE_LINK are linked as given to both variants. VARIANT_LINK names other
# variant libraries by base name (e.g. tarsel_foundation): NAME_app links tarsel_foundation_app
# and NAME_ext links tarsel_foundation_ext, both publicly.
function(tarsel_add_variant_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LINK;PRIVATE_LINK;VARIANT_LINK;INCLUDE_DIRS" ${ARGN})
    foreach(variant app ext)
        set(target ${name}_${variant})
        add_library(${target} STATIC ${ARG_SOURCES})
        target_link_libraries(${target} PUBLIC tarsel_options ${ARG_PUBLIC_LINK} PRIVATE ${ARG_PRIVATE_LINK})
        foreach(dep ${ARG_VARIANT_LINK})
            target_link_libraries(${target} PUBLIC ${dep}_${variant})
        endforeach()
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${ARG_INCLUDE_DIRS})
        if(variant STREQUAL "ext")
            target_compile_definitions(${target} PUBLIC QV_EXTENSION_BUILD=1)
        endif()
    endforeach()
endfunction()

# The test binary's precompiled headers (see tarsel_add_test_binary): its own, or those of `from`.
# Clang's precompiled header of them is 44 MB and halves the CPU time of compiling the tests;
# GCC's is 260 MB, which every file then reads, and took a fifth more time than none, so a GCC
# build goes without.
# ccache caches files compiled with a precompiled header only when told to overlook what it cannot
# see through one (macros defined before it, __TIME__, the header's fresh time stamp), and clang's
# precompiled header must then carry no time stamp of its own.
function(tarsel_test_precompiled_headers target from)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        return()
    endif()
    if(from)
        target_precompile_headers(${target} REUSE_FROM ${from})
    else()
        target_precompile_headers(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/testsupport/TestPrecompiled.h)
    endif()
    if(CCACHE_PROGRAM)
        set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER
            "${CMAKE_COMMAND};-E;env;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;${CCACHE_PROGRAM}")
        target_compile_options(${target} PRIVATE "SHELL:-Xclang -fno-pch-timestamp")
    endif()
endfunction()

# Runs the tests of a gtest binary under CTest in groups of one suite's tests (see
# cmake/TarselTestGroups.cmake), listed again whenever the binary is built anew.
#   tarsel_discover_test_groups(TARGET TIMEOUT SECONDS [GROUP_SIZE N] [LABELS ...] [ENVIRONMENT ...])
# GROUP_SIZE defaults to TARSEL_TEST_GROUP_SIZE; 1 runs each test in a process of its own.
set(TARSEL_TEST_GROUP_SIZE 6 CACHE STRING "Most tests of one suite that CTest runs in one process")
function(tarsel_discover_test_groups target)
    cmake_parse_arguments(ARG "" "TIMEOUT;GROUP_SIZE" "LABELS;ENVIRONMENT" ${ARGN})
    if(NOT ARG_GROUP_SIZE)
        set(ARG_GROUP_SIZE ${TARSEL_TEST_GROUP_SIZE})
    endif()
    set(_ctest_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_groups.cmake")
    add_custom_command(OUTPUT ${_ctest_file}
        COMMAND ${CMAKE_COMMAND}
            -D "TEST_EXECUTABLE=$<TARGET_FILE:${target}>"
            -D "CTEST_FILE=${_ctest_file}"
            -D "GROUP_SIZE=${ARG_GROUP_SIZE}"
            -D "TIMEOUT=${ARG_TIMEOUT}"
            -D "LABELS=${ARG_LABELS}"
            -D "ENVIRONMENT=${ARG_ENVIRONMENT}"
            -P ${CMAKE_SOURCE_DIR}/cmake/TarselTestGroups.cmake
        DEPENDS ${target} ${CMAKE_SOURCE_DIR}/cmake/TarselTestGroups.cmake
        VERBATIM)
    add_custom_target(${target}_groups ALL DEPENDS ${_ctest_file})
    set(_include "${CMAKE_CURRENT_BINARY_DIR}/${target}_groups_include.cmake")
    file(WRITE ${_include}
        "if(EXISTS \"${_ctest_file}\")\n"
        "  include(\"${_ctest_file}\")\n"
        "else()\n"
        "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_include})
endfunction()

# One gtest binary per test folder. Tests in an `x11` sub-folder form a second binary
# labelled x11, which `make test` runs under xvfb-run on the xcb platform.
#   tarsel_add_test_binary(NAME DIR LINK ... [PCH_FROM OTHER])
# In a clang build every file of a test binary starts with the precompiled library headers of
# tests/testsupport/TestPrecompiled.h. A binary compiles them itself, or takes those of OTHER, a
# test binary of the same folder: the compiler accepts a precompiled header only where every
# macro it was made with is defined alike, so OTHER must carry no definitions of its own.
# CTest runs each group of a suite's tests as one test named after the suite (see
# tarsel_discover_test_groups). The time limit is a group's: room for six of the slowest cases
# (a host started many times, about 12 s each) in the sanitizer build on a loaded machine.
function(tarsel_add_test_binary name dir)
    cmake_parse_arguments(ARG "" "PCH_FROM" "LINK" ${ARGN})
    file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    if(_srcs)
        add_executable(${name} ${_srcs})
        target_link_libraries(${name} PRIVATE tarsel_testsupport tarsel_options ${ARG_LINK})
        tarsel_test_precompiled_headers(${name} "${ARG_PCH_FROM}")
        tarsel_discover_test_groups(${name} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    endif()
    file(GLOB _x11 CONFIGURE_DEPENDS ${dir}/x11/*.cpp ${dir}/x11/*.h)
    if(_x11)
        add_executable(${name}_x11 ${_x11})
        target_link_libraries(${name}_x11 PRIVATE tarsel_testsupport tarsel_options ${ARG_LINK})
        tarsel_test_precompiled_headers(${name}_x11 "${ARG_PCH_FROM}")
        # A test on a display meets the windows, pointer and clipboard earlier ones left in the
        # process's own connection to it: each runs in a process of its own.
        tarsel_discover_test_groups(${name}_x11 GROUP_SIZE 1 LABELS x11
            ENVIRONMENT "QT_QPA_PLATFORM=xcb;TARSEL_TEST_X11=1" TIMEOUT 120)
    endif()
    # Tests that need a Wayland compositor: run inside scripts/wayland-run, one at a time.
    file(GLOB _wayland CONFIGURE_DEPENDS ${dir}/wayland/*.cpp ${dir}/wayland/*.h)
    if(_wayland)
        add_executable(${name}_wayland ${_wayland})
        target_link_libraries(${name}_wayland PRIVATE tarsel_testsupport tarsel_options ${ARG_LINK})
        tarsel_test_precompiled_headers(${name}_wayland "${ARG_PCH_FROM}")
        tarsel_discover_test_groups(${name}_wayland GROUP_SIZE 1 LABELS wayland
            ENVIRONMENT "QT_QPA_PLATFORM=wayland" TIMEOUT 120)
    endif()
endfunction()

# The soname of a shared library file (what the linker would record as needed), for the
# libraries the programs open on first use (platform/LateLibrary.h).
function(tarsel_soname out_var library)
    execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${library} OUTPUT_VARIABLE _dump RESULT_VARIABLE _rc)
    string(REGEX MATCH "SONAME +([^\n ]+)" _match "${_dump}")
    if(NOT _rc EQUAL 0 OR NOT CMAKE_MATCH_1)
        message(FATAL_ERROR "no soname found in ${library}")
    endif()
    set(${out_var} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

# The first shared library file among a package's link libraries whose name holds `stem`.
function(tarsel_library_file out_var stem)
    foreach(lib ${ARGN})
        get_filename_component(_name ${lib} NAME)
        if(_name MATCHES "^lib${stem}[.]so" AND EXISTS ${lib})
            set(${out_var} ${lib} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "no shared library lib${stem} among ${ARGN}")
endfunction()
