# The firmware updater: its widget-free rules, the page against a real broker and over a pty.
morvelin_add_test(tst_firmwarelogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarelogic.cpp
    LIBS morvelin_device)

morvelin_add_test(tst_firmwarewindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarewindow.cpp
    ${CMAKE_SOURCE_DIR}/tests/core/windowfixture.h
    ${CMAKE_SOURCE_DIR}/tests/core/mosquittobroker.h ${CMAKE_CURRENT_LIST_DIR}/firmwaretesting.h
    ${CMAKE_CURRENT_LIST_DIR}/pausedinput.h ${CMAKE_CURRENT_LIST_DIR}/imageswap.h
    ${CMAKE_CURRENT_LIST_DIR}/fwctrlsimprocess.h ${CMAKE_CURRENT_LIST_DIR}/ptysimprocess.h
    LIBS morvelin_window TIMEOUT 600)
target_include_directories(tst_firmwarewindow PRIVATE ${CMAKE_SOURCE_DIR}/tests/core
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_firmwarewindow fwctrlsim)

morvelin_add_test(tst_firmwareserial SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwareserial.cpp
    ${CMAKE_SOURCE_DIR}/tests/core/windowfixture.h ${CMAKE_CURRENT_LIST_DIR}/fwctrlsimprocess.h
    ${CMAKE_CURRENT_LIST_DIR}/ptysimprocess.h
    ${CMAKE_CURRENT_LIST_DIR}/loggersimprocess.h ${CMAKE_CURRENT_LIST_DIR}/firmwaretesting.h
    ${CMAKE_CURRENT_LIST_DIR}/pausedinput.h ${CMAKE_CURRENT_LIST_DIR}/imageswap.h
    ${CMAKE_SOURCE_DIR}/tests/common/threadclock.h
    LIBS morvelin_window TIMEOUT 600)
target_include_directories(tst_firmwareserial PRIVATE ${CMAKE_SOURCE_DIR}/tests/core
    ${CMAKE_SOURCE_DIR}/tests/common ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_firmwareserial loggersim fwctrlsim)
