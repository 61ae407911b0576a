# Tests of the LibVexmar driver class: without a device (the module as the program loads it,
# link strings, debug commands, the engine's callbacks); polling ticks, refusals and writes
# against the simulator over UDP on 127.0.0.1 and over a socat pty pair; and the demo project
# of examples/, read as the program reads project files, then polled.
set(vexmar_driver_tests tst_libvexmar tst_libvexmartick)
if(TARGET morvelin_storage)
    list(APPEND vexmar_driver_tests tst_libvexmardemo)
endif()
foreach(t ${vexmar_driver_tests})
    if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
        morvelin_add_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp
            ${CMAKE_CURRENT_LIST_DIR}/vexmarsimprocess.h ${CMAKE_CURRENT_LIST_DIR}/vexmartick.h
            LIBS vexmar_driver)
        target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../common)
        add_dependencies(${t} LibVexmar)
        if(TARGET vexmarsim)
            add_dependencies(${t} vexmarsim)
        endif()
    endif()
endforeach()
if(TARGET tst_libvexmardemo)
    target_link_libraries(tst_libvexmardemo PRIVATE morvelin_storage)
endif()
