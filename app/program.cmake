# The program Morvelin: the main window defined across core/, trend/ and device/, its
# widget-free start-up logic, the images drawn at build time and the two compiled catalogues.

find_package(PkgConfig REQUIRED)
pkg_check_modules(MOSQUITTO REQUIRED IMPORTED_TARGET libmosquitto)

set(MV_APP ${CMAKE_CURRENT_SOURCE_DIR})

# Start-up rules that tests drive without a window: settings defaults, instance mode and
# database name, window title, permission check, instance guard, the program folder.
add_library(morvelin_startup STATIC
    ${MV_APP}/core/programfolder.cpp ${MV_APP}/core/programfolder.h
    ${MV_APP}/core/programsettings.cpp ${MV_APP}/core/programsettings.h
    ${MV_APP}/core/instanceguard.cpp ${MV_APP}/core/instanceguard.h
    ${MV_APP}/core/windowtitle.cpp ${MV_APP}/core/windowtitle.h
    ${MV_APP}/core/windowfit.cpp ${MV_APP}/core/windowfit.h
    ${MV_APP}/core/permissioncheck.cpp ${MV_APP}/core/permissioncheck.h
    ${MV_APP}/core/commandline.cpp ${MV_APP}/core/commandline.h
    ${MV_APP}/core/prompt.h ${MV_APP}/core/filechooser.h)
target_include_directories(morvelin_startup PUBLIC ${MV_APP}/core)
target_link_libraries(morvelin_startup PUBLIC Qt5::Core)

# The MQTT client of the firmware page, over libmosquitto.
add_library(morvelin_qmqtt STATIC
    ${MV_APP}/device/qmqtt/qmqtt_client.cpp ${MV_APP}/device/qmqtt/qmqtt_client.h
    ${MV_APP}/device/qmqtt/qmqtt_message.h)
set_target_properties(morvelin_qmqtt PROPERTIES AUTOMOC ON)
target_include_directories(morvelin_qmqtt PUBLIC ${MV_APP}/device)
target_link_libraries(morvelin_qmqtt PUBLIC Qt5::Core Qt5::Network PkgConfig::MOSQUITTO)

# Images under :/pic/, drawn by a small generator so that none comes from elsewhere.
add_executable(morvelin_drawimages ${MV_APP}/resources/drawimages.cpp)
set_target_properties(morvelin_drawimages PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/imagetool)
target_link_libraries(morvelin_drawimages PRIVATE Qt5::Gui)
set(MV_IMAGE_NAMES mvlogo.png Tbackground.png background.png status.png refresh.png)
set(MV_IMAGES)
foreach(img ${MV_IMAGE_NAMES})
    list(APPEND MV_IMAGES ${CMAKE_CURRENT_BINARY_DIR}/pic/${img})
endforeach()
add_custom_command(OUTPUT ${MV_IMAGES}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:morvelin_drawimages> ${CMAKE_CURRENT_BINARY_DIR}/pic
    DEPENDS morvelin_drawimages
    COMMENT "Drawing the program images")

# Both catalogues, built by lrelease from the sources in resources/.
set(MV_TS ${MV_APP}/resources/lang_Chinese.ts ${MV_APP}/resources/lang_English.ts)
set_source_files_properties(${MV_TS} PROPERTIES OUTPUT_LOCATION ${CMAKE_CURRENT_BINARY_DIR})
qt5_add_translation(MV_QM ${MV_TS})

configure_file(${MV_APP}/resources/morvelin.qrc.in ${CMAKE_CURRENT_BINARY_DIR}/morvelin.qrc @ONLY)
qt5_add_resources(MV_RESOURCES ${CMAKE_CURRENT_BINARY_DIR}/morvelin.qrc)
set_property(SOURCE ${MV_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS ${MV_IMAGES} ${MV_QM})

# The widget-free rules of the polling loop and of writing a value.
add_library(morvelin_monitor STATIC
    ${MV_APP}/core/monitorlogic.cpp ${MV_APP}/core/monitorlogic.h)
target_include_directories(morvelin_monitor PUBLIC ${MV_APP}/core)
target_link_libraries(morvelin_monitor PUBLIC morvelin_storage morvelin_common Qt5::Core Qt5::Sql)

# Everything of the window except main(), so that tests build the same window.
add_library(morvelin_window STATIC
    ${MV_APP}/core/mainwindow.h ${MV_APP}/core/mainwindow.cpp ${MV_APP}/core/mainwindow.ui
    ${MV_APP}/core/mainwindow_labeltable.cpp ${MV_APP}/core/mainwindow_project.cpp
    ${MV_APP}/core/mainwindow_monitor.cpp
    ${MV_APP}/core/dialogwritelabel.h ${MV_APP}/core/dialogwritelabel.cpp
    ${MV_APP}/core/dialogsetlink.h ${MV_APP}/core/dialogsetlink.cpp ${MV_APP}/core/dialogsetlink.ui
    ${MV_APP}/core/dialognewproject.h ${MV_APP}/core/dialognewproject.cpp
    ${MV_APP}/core/dialognewproject.ui
    ${MV_APP}/core/customcombobox.h ${MV_APP}/core/customcombobox.cpp
    ${MV_APP}/core/labeltypedelegate.h ${MV_APP}/core/labeltypedelegate.cpp
    ${MV_APP}/core/windowdialog.h ${MV_APP}/core/windowdialog.cpp
    ${MV_APP}/core/dialogpermissions.h ${MV_APP}/core/dialogpermissions.cpp
    ${MV_APP}/core/dialogsystemtray.h ${MV_APP}/core/dialogsystemtray.cpp
    ${MV_APP}/core/widgetprompt.h ${MV_APP}/core/widgetprompt.cpp
    ${MV_APP}/trend/mainwindow_trend.cpp ${MV_APP}/trend/mainwindow_report.cpp
    ${MV_APP}/trend/mainwindow_history.cpp ${MV_APP}/trend/seriestable.h
    ${MV_APP}/trend/mainwindow_guides.cpp
    ${MV_APP}/trend/chartdrawer.h ${MV_APP}/trend/chartdrawer.cpp
    ${MV_APP}/trend/datasheet.h ${MV_APP}/trend/datasheet.cpp
    ${MV_APP}/trend/dialogdatabase.h ${MV_APP}/trend/dialogdatabase.cpp
    ${MV_APP}/device/mainwindow_device.cpp
    ${MV_APP}/device/update_bin.h ${MV_APP}/device/update_bin.cpp
    ${MV_RESOURCES})
set_target_properties(morvelin_window PROPERTIES AUTOMOC ON AUTOUIC ON
    AUTOUIC_SEARCH_PATHS ${MV_APP}/core)
target_include_directories(morvelin_window PUBLIC ${MV_APP}/core ${MV_APP}/trend ${MV_APP}/device)
target_link_libraries(morvelin_window PUBLIC morvelin_startup morvelin_qmqtt morvelin_monitor
    morvelin_device morvelin_common Qt5::Widgets Qt5::Charts Qt5::SerialPort Qt5::Sql Qt5::Network)
if(TARGET morvelin_storage)
    target_link_libraries(morvelin_window PUBLIC morvelin_storage)
endif()

add_executable(Morvelin ${MV_APP}/core/main.cpp)
target_link_libraries(Morvelin PRIVATE morvelin_window)
