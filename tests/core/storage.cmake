# Tests of the widget-free monitoring-core logic, against real files in temporary folders.
foreach(name sqlitehandler linkstring labelcsv projectfile)
    morvelin_add_test(tst_${name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_${name}.cpp
        LIBS morvelin_storage)
endforeach()
