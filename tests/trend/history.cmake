# Tests of the history side of the trend page: reads, curve rules, chart sections.
morvelin_add_test(tst_historyreader SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historyreader.cpp
    LIBS morvelin_trend morvelin_storage)
morvelin_add_test(tst_historyrules SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historyrules.cpp
    LIBS morvelin_trend)
morvelin_add_test(tst_chartsections SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartsections.cpp
    LIBS morvelin_trend)

# The window side: sections, switching, refresh, pause and resume, search, offscreen.
morvelin_add_test(tst_historywindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historywindow.cpp
    LIBS morvelin_window)
target_include_directories(tst_historywindow PRIVATE ${CMAKE_SOURCE_DIR}/tests/core
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_historywindow LibTestDriver)
