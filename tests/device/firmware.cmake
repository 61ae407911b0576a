# The firmware updater: its widget-free rules, and the page against a real broker.
if(TARGET morvelin_device)
    morvelin_add_test(tst_firmwarelogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firmwarelogic.cpp
        LIBS morvelin_device)
endif()
