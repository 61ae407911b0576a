# Tests of the LibVexmar wire layer: pure frames, areas and codecs, then the link against the
# simulator over UDP on 127.0.0.1 and over a socat pty pair.
morvelin_add_test(tst_vexmarareas SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_vexmarareas.cpp
    LIBS vexmar_wire)
morvelin_add_test(tst_vexmarframes SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_vexmarframes.cpp
    LIBS vexmar_wire)
morvelin_add_test(tst_vexmarcodecs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_vexmarcodecs.cpp
    LIBS vexmar_wire)
foreach(t tst_vexmarlink tst_vexmarserial)
    morvelin_add_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp
        ${CMAKE_CURRENT_LIST_DIR}/vexmarsimprocess.h LIBS vexmar_wire)
    add_dependencies(${t} vexmarsim)
endforeach()
