# Widget-free logic of the device tools: the firmware uploads and the broker settings.
add_library(morvelin_device STATIC
    ${CMAKE_CURRENT_LIST_DIR}/firmwareupload.cpp ${CMAKE_CURRENT_LIST_DIR}/firmwareupload.h
    ${CMAKE_CURRENT_LIST_DIR}/brokersettings.cpp ${CMAKE_CURRENT_LIST_DIR}/brokersettings.h)
target_include_directories(morvelin_device PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(morvelin_device PUBLIC Qt5::Core)

# The serial worker and the Bluetooth module's link sequence.
target_sources(morvelin_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/serialworker.cpp ${CMAKE_CURRENT_LIST_DIR}/serialworker.h
    ${CMAKE_CURRENT_LIST_DIR}/atlinksequence.cpp ${CMAKE_CURRENT_LIST_DIR}/atlinksequence.h)
set_target_properties(morvelin_device PROPERTIES AUTOMOC ON)
target_link_libraries(morvelin_device PUBLIC Qt5::SerialPort)

# The device link and its exchanges, the FW packets and their CRC, the data-logger frames, the
# record read-off and the memory-image download.
target_sources(morvelin_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/devicelog.h
    ${CMAKE_CURRENT_LIST_DIR}/fwpacket.cpp ${CMAKE_CURRENT_LIST_DIR}/fwpacket.h
    ${CMAKE_CURRENT_LIST_DIR}/devicelink.cpp ${CMAKE_CURRENT_LIST_DIR}/devicelink.h
    ${CMAKE_CURRENT_LIST_DIR}/dataloggerprotocol.cpp ${CMAKE_CURRENT_LIST_DIR}/dataloggerprotocol.h
    ${CMAKE_CURRENT_LIST_DIR}/recordreadoff.cpp ${CMAKE_CURRENT_LIST_DIR}/recordreadoff.h
    ${CMAKE_CURRENT_LIST_DIR}/loggerimagedownload.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loggerimagedownload.h)
target_link_libraries(morvelin_device PUBLIC morvelin_storage Qt5::Sql)
