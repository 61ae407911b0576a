# The Bluetooth module's link sequence against the module simulator on a socat pty pair.
morvelin_add_test(tst_atlinksequence SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_atlinksequence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/atmodulesimprocess.h LIBS morvelin_device)
target_include_directories(tst_atlinksequence PRIVATE ${CMAKE_SOURCE_DIR}/tests/vexmar)
add_dependencies(tst_atlinksequence atmodulesim)
