# The Bluetooth module's link sequence against the module simulator on a socat pty pair.
morvelin_add_test(tst_atlinksequence SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_atlinksequence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/atmodulesimprocess.h ${CMAKE_CURRENT_LIST_DIR}/debuglines.h
    LIBS morvelin_device)
add_dependencies(tst_atlinksequence atmodulesim)
# The window's Bluetooth group against the module simulator, the data-logger simulator behind it.
set(core_tests ${CMAKE_CURRENT_LIST_DIR}/../core)
morvelin_add_test(tst_bluetoothwindow
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bluetoothwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/atmodulesimprocess.h ${CMAKE_CURRENT_LIST_DIR}/loggersimprocess.h
    ${CMAKE_CURRENT_LIST_DIR}/testwatchdog.h ${CMAKE_CURRENT_LIST_DIR}/debuglines.h
    ${core_tests}/windowfixture.h
    ${core_tests}/recordingprompt.h ${core_tests}/sqlrows.h
    LIBS morvelin_window TIMEOUT 600)
target_include_directories(tst_bluetoothwindow PRIVATE ${core_tests}
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_bluetoothwindow atmodulesim loggersim)
