# SPDX-License-Identifier: MIT
# Build conventions shared by every component.

# Our own code builds without a single warning.
function(grabbit_strict_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The GNU runtime's libraries must stay linked although no C++ file names a GNUstep symbol directly.
set(GRABBIT_OBJC_RUNTIME_LIBRARIES
    "-Wl,--push-state,--no-as-needed" -lgnustep-gui -lgnustep-base -lobjc "-Wl,--pop-state")

# Environment every test needs: the sandboxed system root stays off unless a test sets it, no
# window reaches the desktop of whoever runs the tests (a stand-in Mail without a display has
# none), and the sanitizers know what to ignore in the system libraries.
set(GRABBIT_TEST_ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen"
    "DISPLAY="
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_odr_violation=0"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/sanitizer-suppressions.txt:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# Adds a test program built from the given sources and registers it with ctest; with X_SERVER it
# runs on a private X server of its own (DISPLAY set), as the stand-in Mail's plug-ins need one.
# grabbit_add_test(NAME <name> SOURCES <files...> LIBRARIES <libs...> [LABELS <labels...>] [TIMEOUT <s>]
#                  [X_SERVER])
function(grabbit_add_test)
    cmake_parse_arguments(TEST "X_SERVER" "NAME;TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${TEST_NAME} ${TEST_SOURCES})
    target_link_libraries(${TEST_NAME} PRIVATE ${TEST_LIBRARIES})
    target_compile_definitions(${TEST_NAME} PRIVATE
        GRABBIT_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
        GRABBIT_BUILD_DIR="${CMAKE_BINARY_DIR}")
    grabbit_strict_warnings(${TEST_NAME})
    if(TEST_X_SERVER)
        add_test(NAME ${TEST_NAME} COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" "$<TARGET_FILE:${TEST_NAME}>")
    else()
        add_test(NAME ${TEST_NAME} COMMAND ${TEST_NAME})
    endif()
    if(NOT TEST_TIMEOUT)
        set(TEST_TIMEOUT 300)
    endif()
    set_tests_properties(${TEST_NAME} PROPERTIES
        TIMEOUT ${TEST_TIMEOUT}
        ENVIRONMENT "${GRABBIT_TEST_ENVIRONMENT}")
    if(TEST_LABELS)
        set_tests_properties(${TEST_NAME} PROPERTIES LABELS "${TEST_LABELS}")
    endif()
endfunction()
