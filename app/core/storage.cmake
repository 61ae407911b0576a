# Widget-free logic of the monitoring core: history database, link strings, CSV label lists,
# project files and the label type list. The program and the tests link it.
add_library(morvelin_storage STATIC
    ${CMAKE_CURRENT_LIST_DIR}/labelcsv.cpp ${CMAKE_CURRENT_LIST_DIR}/labelcsv.h
    ${CMAKE_CURRENT_LIST_DIR}/labeltypes.cpp ${CMAKE_CURRENT_LIST_DIR}/labeltypes.h
    ${CMAKE_CURRENT_LIST_DIR}/linkstring.cpp ${CMAKE_CURRENT_LIST_DIR}/linkstring.h
    ${CMAKE_CURRENT_LIST_DIR}/projectfile.cpp ${CMAKE_CURRENT_LIST_DIR}/projectfile.h
    ${CMAKE_CURRENT_LIST_DIR}/sqlitehandler.cpp ${CMAKE_CURRENT_LIST_DIR}/sqlitehandler.h)
set_target_properties(morvelin_storage PROPERTIES AUTOMOC ON)
target_include_directories(morvelin_storage PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(morvelin_storage PUBLIC morvelin_common Qt5::Core Qt5::Sql)
