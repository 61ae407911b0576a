# The device link and the data-logger tools: the pure codecs and frames, the link over a socat
# pty pair against the data-logger simulator, and the window's data-logger page.
morvelin_add_test(tst_devicecodec SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_devicecodec.cpp
    LIBS morvelin_device)
morvelin_add_test(tst_devicelink SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_devicelink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loggersimprocess.h ${CMAKE_SOURCE_DIR}/tests/common/threadclock.h
    LIBS morvelin_device)
add_dependencies(tst_devicelink loggersim linerelay)
# The stored times must come out the same eight hours east of UTC and at UTC.
morvelin_add_test(tst_dataloggerprotocol
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_dataloggerprotocol.cpp LIBS morvelin_device
    ENV "TZ=Asia/Shanghai")
add_test(NAME tst_dataloggerprotocol_utc COMMAND tst_dataloggerprotocol)
set_tests_properties(tst_dataloggerprotocol_utc PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;TZ=UTC")
# The window's data-logger page against the simulator.
set(core_tests ${CMAKE_CURRENT_LIST_DIR}/../core)
morvelin_add_test(tst_loggerwindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_loggerwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loggersimprocess.h ${CMAKE_CURRENT_LIST_DIR}/testwatchdog.h
    ${core_tests}/windowfixture.h ${core_tests}/recordingprompt.h ${core_tests}/sqlrows.h
    ${CMAKE_SOURCE_DIR}/tests/common/threadclock.h
    LIBS morvelin_window TIMEOUT 600)
target_include_directories(tst_loggerwindow PRIVATE ${core_tests}
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_loggerwindow loggersim linerelay)
# The window while a device job runs: the menus and page buttons it refuses, the boxes that wait
# for its end, the quit that stops or waits for it, the busy refusal beside the read-off's
# progress.
morvelin_add_test(tst_devicejobs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_devicejobs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loggersimprocess.h ${CMAKE_CURRENT_LIST_DIR}/testwatchdog.h
    ${CMAKE_CURRENT_LIST_DIR}/pausedinput.h
    ${core_tests}/windowfixture.h ${core_tests}/recordingprompt.h ${core_tests}/sqlrows.h
    LIBS morvelin_window morvelin_testdriver_control TIMEOUT 600)
target_include_directories(tst_devicejobs PRIVATE ${core_tests}
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_devicejobs loggersim LibTestDriver)
