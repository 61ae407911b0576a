# The serial worker over a socat pty pair, under a watchdog.
morvelin_add_test(tst_serialworker SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_serialworker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/testwatchdog.h LIBS morvelin_device)
