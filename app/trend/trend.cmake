# The .xlsx writer of the report page, over libxlsxwriter.
find_package(PkgConfig REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
add_library(morvelin_qxlsx STATIC
    ${CMAKE_CURRENT_LIST_DIR}/qxlsx/xlsxdocument.cpp ${CMAKE_CURRENT_LIST_DIR}/qxlsx/xlsxdocument.h
    ${CMAKE_CURRENT_LIST_DIR}/qxlsx/xlsxformat.h
    ${CMAKE_CURRENT_LIST_DIR}/qxlsx/xlsxcellreference.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qxlsx/xlsxcellreference.h)
target_include_directories(morvelin_qxlsx PUBLIC ${CMAKE_CURRENT_LIST_DIR}/qxlsx)
target_link_libraries(morvelin_qxlsx PUBLIC Qt5::Core PRIVATE PkgConfig::XLSXWRITER)

# Widget-free logic of the trend and report pages: live curve data and its drawn windows, the
# selector tables, colour schemes, scales and ranges, the guide readouts; report query and table,
# history housekeeping. The program and the tests link it.
add_library(morvelin_trend STATIC
    ${CMAKE_CURRENT_LIST_DIR}/trendcurve.cpp ${CMAKE_CURRENT_LIST_DIR}/trendcurve.h
    ${CMAKE_CURRENT_LIST_DIR}/trendrules.cpp ${CMAKE_CURRENT_LIST_DIR}/trendrules.h
    ${CMAKE_CURRENT_LIST_DIR}/guidereadout.cpp ${CMAKE_CURRENT_LIST_DIR}/guidereadout.h
    ${CMAKE_CURRENT_LIST_DIR}/reportquery.cpp ${CMAKE_CURRENT_LIST_DIR}/reportquery.h
    ${CMAKE_CURRENT_LIST_DIR}/reportmodel.cpp ${CMAKE_CURRENT_LIST_DIR}/reportmodel.h
    ${CMAKE_CURRENT_LIST_DIR}/reportworkbook.cpp ${CMAKE_CURRENT_LIST_DIR}/reportworkbook.h
    ${CMAKE_CURRENT_LIST_DIR}/historytrim.cpp ${CMAKE_CURRENT_LIST_DIR}/historytrim.h
    ${CMAKE_CURRENT_LIST_DIR}/historybusy.cpp ${CMAKE_CURRENT_LIST_DIR}/historybusy.h)
set_target_properties(morvelin_trend PROPERTIES AUTOMOC ON)
target_include_directories(morvelin_trend PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(morvelin_trend PUBLIC morvelin_qxlsx Qt5::Core Qt5::Sql)
