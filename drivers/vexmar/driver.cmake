# The LibVexmar driver class, joining the wire layer and the induction engine, as a static
# library for the tests and as the module bin/libdrive/LibVexmar that the program loads.
add_library(vexmar_driver STATIC
    ${CMAKE_CURRENT_LIST_DIR}/libvexmar.cpp ${CMAKE_CURRENT_LIST_DIR}/libvexmar.h)
set_target_properties(vexmar_driver PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC ON)
target_include_directories(vexmar_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vexmar_driver PUBLIC vexmar_wire vexmar_engine)

morvelin_add_driver(LibVexmar ${CMAKE_CURRENT_LIST_DIR}/vexmarentry.cpp)
target_link_libraries(LibVexmar PRIVATE vexmar_driver)
