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

# Writing through the window to both real drivers, each against its simulator or peer.
morvelin_add_test(tst_labelwrite SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_labelwrite.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recordingprompt.h ${CMAKE_CURRENT_LIST_DIR}/windowfixture.h
    LIBS morvelin_window)
target_include_directories(tst_labelwrite PRIVATE
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include
    ${CMAKE_CURRENT_LIST_DIR}/../vexmar ${CMAKE_CURRENT_LIST_DIR}/../s7)
target_compile_definitions(tst_labelwrite PRIVATE
    S7_PEER_DIR="${CMAKE_CURRENT_LIST_DIR}/../../tools/s7peer")
add_dependencies(tst_labelwrite LibVexmar LibCorvid vexmarsim)
