# Tests of the report side of the trend page: the .xlsx writer, the report and housekeeping
# against real files, and the window side offscreen.
morvelin_add_test(tst_xlsxdocument SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_xlsxdocument.cpp
    LIBS morvelin_qxlsx)
foreach(name report historytrim)
    morvelin_add_test(tst_${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_${name}.cpp
        LIBS morvelin_trend morvelin_storage)
endforeach()

foreach(name reportwindow trendimage)
    morvelin_add_test(tst_${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_${name}.cpp
        LIBS morvelin_window morvelin_testdriver_control)
    target_include_directories(tst_${name} PRIVATE
        ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
    add_dependencies(tst_${name} LibTestDriver)
endforeach()
# The picture again at scale factor 2, where the grabs have twice the pixels.
add_test(NAME tst_trendimage_scale2 COMMAND tst_trendimage)
set_tests_properties(tst_trendimage_scale2 PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2;ASAN_OPTIONS=detect_leaks=0")
