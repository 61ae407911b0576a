# Tests of the history side of the trend page: reads, curve rules, chart sections.
if(TARGET morvelin_trend)
    morvelin_add_test(tst_historyreader SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historyreader.cpp
        LIBS morvelin_trend morvelin_storage)
    morvelin_add_test(tst_historyrules SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_historyrules.cpp
        LIBS morvelin_trend)
    morvelin_add_test(tst_chartsections SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chartsections.cpp
        LIBS morvelin_trend)
endif()
