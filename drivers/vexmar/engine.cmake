# The induction engine: address grammar, read and write grouping, block and point reading and
# writing. Talks to the driver only through its two callbacks.
add_library(vexmar_engine STATIC
    ${CMAKE_CURRENT_LIST_DIR}/addressgrammar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/addressgrammar.h
    ${CMAKE_CURRENT_LIST_DIR}/engineinternal.h
    ${CMAKE_CURRENT_LIST_DIR}/inductionengine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/inductionengine.h
    ${CMAKE_CURRENT_LIST_DIR}/inductionwrite.cpp)
set_target_properties(vexmar_engine PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(vexmar_engine PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# The wire layer knows where each area ends, which no block may cross.
target_link_libraries(vexmar_engine PUBLIC vexmar_wire morvelin_common Qt5::Core)
