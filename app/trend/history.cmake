# Widget-free logic of the trend page's history side: history reads, the rules of history curves
# and the chart sections of a project; part of the library morvelin_trend, made here when the
# rest of the trend logic has not made it.
set(MV_TREND_HISTORY_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/historyreader.cpp ${CMAKE_CURRENT_LIST_DIR}/historyreader.h
    ${CMAKE_CURRENT_LIST_DIR}/historyrules.cpp ${CMAKE_CURRENT_LIST_DIR}/historyrules.h
    ${CMAKE_CURRENT_LIST_DIR}/chartsections.cpp ${CMAKE_CURRENT_LIST_DIR}/chartsections.h)
if(TARGET morvelin_trend)
    target_sources(morvelin_trend PRIVATE ${MV_TREND_HISTORY_SOURCES})
else()
    add_library(morvelin_trend STATIC ${MV_TREND_HISTORY_SOURCES})
    target_include_directories(morvelin_trend PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()
target_link_libraries(morvelin_trend PUBLIC Qt5::Core Qt5::Sql)
if(TARGET morvelin_window)
    target_link_libraries(morvelin_window PUBLIC morvelin_trend)
endif()
