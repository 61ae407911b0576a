# Tests of the main window and its start-up logic.
morvelin_add_test(tst_startuplogic SOURCES tst_startuplogic.cpp LIBS morvelin_startup)

foreach(name mainwindow labeltable projectwindow dialogsetlink)
    morvelin_add_test(tst_${name} SOURCES tst_${name}.cpp recordingprompt.h
        windowfixture.h LIBS morvelin_window)
    # The forms' generated headers live with the window library.
    target_include_directories(tst_${name} PRIVATE
        ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
    # Projects bind the test driver from the program folder's libdrive, or a real driver.
    add_dependencies(tst_${name} LibTestDriver LibVexmar LibCorvid)
endforeach()

morvelin_add_test(tst_mqttclient SOURCES tst_mqttclient.cpp mosquittobroker.h
    LIBS morvelin_qmqtt)

# The window on a 1024 x 768 screen of a virtual X server, which holds it to its minimum size.
morvelin_add_test(tst_windowfit SOURCES tst_windowfit.cpp recordingprompt.h windowfixture.h
    LIBS morvelin_window XVFB 1024x768x24)
target_include_directories(tst_windowfit PRIVATE
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
# Its project polls the test driver.
add_dependencies(tst_windowfit LibTestDriver)
# The same program on a 1920 x 1080 screen, where the label table has room to spare.
add_test(NAME tst_windowfit_1920 COMMAND bash ${CMAKE_SOURCE_DIR}/tests/common/xvfb-run-test.sh
    1920x1080x24 $<TARGET_FILE:tst_windowfit> widestValuesWholeOnAWideScreen)
set_tests_properties(tst_windowfit_1920 PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
