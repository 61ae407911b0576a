# Build helpers shared by every folder.

# A driver library: a loadable module with a plain base name (no "lib" prefix) in bin/libdrive,
# found by the program as "libdrive/<name>". RUNPATH $ORIGIN lets it use a library beside it.
function(morvelin_add_driver name)
    add_library(${name} MODULE ${ARGN})
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${MORVELIN_DRIVER_DIR}
        BUILD_RPATH "$ORIGIN"
        INSTALL_RPATH "$ORIGIN"
        AUTOMOC ON)
    target_link_options(${name} PRIVATE "LINKER:--enable-new-dtags")
    target_link_libraries(${name} PRIVATE morvelin_common)
endfunction()

# A driver that only tests load: built like a real one, but into tests/libdrive, so that the
# program never offers it.
function(morvelin_add_test_driver name)
    morvelin_add_driver(${name} ${ARGN})
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${MORVELIN_TEST_DRIVER_DIR})
    # A build tree from before the move still holds a copy in the program's folder.
    file(REMOVE ${MORVELIN_DRIVER_DIR}/${name}.so)
endfunction()

# A test executable run by ctest, offscreen, with the program folder as its working directory.
#   morvelin_add_test(tst_name SOURCES a.cpp b.cpp LIBS x y [TIMEOUT s] [LABELS l]
#                     [XVFB WIDTHxHEIGHTxDEPTH])
# XVFB runs it on a virtual X server of that screen instead (xcb), where sizes and painting
# behave as on a desktop.
function(morvelin_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT;XVFB" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    # A window test includes the form's generated header: it must not compile before the form is
    # generated again.
    if(morvelin_window IN_LIST T_LIBS)
        add_dependencies(${name} morvelin_window_autogen)
    endif()
    # Helpers every test may share (socat pty pairs, child processes).
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
    target_compile_definitions(${name} PRIVATE
        MORVELIN_BIN_DIR="${MORVELIN_BIN_DIR}"
        MORVELIN_DRIVER_DIR="${MORVELIN_DRIVER_DIR}"
        MORVELIN_TEST_DRIVER_DIR="${MORVELIN_TEST_DRIVER_DIR}"
        MORVELIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    if(T_XVFB)
        add_test(NAME ${name} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/common/xvfb-run-test.sh
            ${T_XVFB} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    # Drivers live until the process ends by design, so leak reports would only be noise.
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;${T_ENV}")
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
