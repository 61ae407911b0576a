# Tests of the LibVexmar driver class: without a device (the module as the program loads it,
# link strings, debug commands, the engine's callbacks); polling ticks, refusals and writes
# against the simulator over UDP on 127.0.0.1 and over a socat pty pair; and the demo project
# of examples/, read as the program reads project files, then polled.
set(vexmar_driver_tests tst_libvexmar tst_libvexmartick tst_libvexmardemo)
foreach(t ${vexmar_driver_tests})
    morvelin_add_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/vexmarsimprocess.h ${CMAKE_CURRENT_LIST_DIR}/vexmartick.h
        LIBS vexmar_driver)
    target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../common)
    add_dependencies(${t} LibVexmar vexmarsim)
endforeach()
target_link_libraries(tst_libvexmardemo PRIVATE morvelin_storage)
# The real window monitoring the simulator through LibVexmar, bound from the program folder.
set(core_tests ${CMAKE_CURRENT_LIST_DIR}/../core)
morvelin_add_test(tst_vexmarmonitor SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_vexmarmonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vexmarsimprocess.h ${core_tests}/windowfixture.h
    ${core_tests}/recordingprompt.h ${core_tests}/sqlrows.h
    LIBS morvelin_window)
target_include_directories(tst_vexmarmonitor PRIVATE ${core_tests}
    ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
add_dependencies(tst_vexmarmonitor LibVexmar vexmarsim)
# The driver contract of tests/common, with the simulator.
morvelin_add_test(tst_vexmarcontract SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_vexmarcontract.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../common/drivercontract.h
    ${CMAKE_CURRENT_LIST_DIR}/vexmarsimprocess.h LIBS morvelin_common)
add_dependencies(tst_vexmarcontract LibVexmar vexmarsim)
