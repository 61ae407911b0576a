morvelin_add_test(tst_addressgrammar
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_addressgrammar.cpp LIBS vexmar_engine)
morvelin_add_test(tst_inductionengine
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_inductionengine.cpp LIBS vexmar_engine)
