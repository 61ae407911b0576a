# Tests of monitoring: the widget-free rules, and the window polling the test driver library.
morvelin_add_test(tst_monitorlogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monitorlogic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sqlrows.h
    LIBS morvelin_monitor morvelin_startup)

morvelin_add_test(tst_monitorwindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monitorwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recordingprompt.h ${CMAKE_CURRENT_LIST_DIR}/windowfixture.h
    ${CMAKE_CURRENT_LIST_DIR}/sqlrows.h
    LIBS morvelin_window morvelin_testdriver_control)
target_include_directories(tst_monitorwindow PRIVATE
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_monitorwindow LibTestDriver)
