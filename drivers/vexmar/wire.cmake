# The wire layer of LibVexmar: the link (UDP or serial), request and reply frames, the address
# areas and the value codecs. Static and position-independent so the driver module links it.
add_library(vexmar_wire STATIC
    ${CMAKE_CURRENT_LIST_DIR}/cmdvexmar.cpp ${CMAKE_CURRENT_LIST_DIR}/cmdvexmar.h
    ${CMAKE_CURRENT_LIST_DIR}/vexmarframes.cpp ${CMAKE_CURRENT_LIST_DIR}/vexmarframes.h
    ${CMAKE_CURRENT_LIST_DIR}/vexmarareas.cpp ${CMAKE_CURRENT_LIST_DIR}/vexmarareas.h
    ${CMAKE_CURRENT_LIST_DIR}/vexmarcodecs.cpp ${CMAKE_CURRENT_LIST_DIR}/vexmarcodecs.h
    ${CMAKE_CURRENT_LIST_DIR}/areanames.h)
set_target_properties(vexmar_wire PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC ON)
target_include_directories(vexmar_wire PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vexmar_wire PUBLIC morvelin_common Qt5::Core Qt5::Network Qt5::SerialPort)
