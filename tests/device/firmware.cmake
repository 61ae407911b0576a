# The firmware updater: its widget-free rules, and the page against a real broker.
if(TARGET morvelin_device)
    morvelin_add_test(tst_firmwarelogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarelogic.cpp
        LIBS morvelin_device)
endif()

if(TARGET morvelin_window AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarewindow.cpp)
    morvelin_add_test(tst_firmwarewindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarewindow.cpp
        ${CMAKE_SOURCE_DIR}/tests/core/windowfixture.h
        ${CMAKE_SOURCE_DIR}/tests/core/mosquittobroker.h
        LIBS morvelin_window TIMEOUT 600)
    target_include_directories(tst_firmwarewindow PRIVATE ${CMAKE_SOURCE_DIR}/tests/core
        ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
endif()
