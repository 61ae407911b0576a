morvelin_add_test(tst_addressgrammar
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_addressgrammar.cpp LIBS vexmar_engine)
