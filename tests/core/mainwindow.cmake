# Tests of the main window and its start-up logic.
morvelin_add_test(tst_startuplogic SOURCES tst_startuplogic.cpp LIBS morvelin_startup)

if(TARGET morvelin_window)
    morvelin_add_test(tst_mainwindow SOURCES tst_mainwindow.cpp recordingprompt.h
        LIBS morvelin_window)
    # The form's generated header lives with the window library.
    target_include_directories(tst_mainwindow PRIVATE
        ${CMAKE_BINARY_DIR}/app/morvelin_window_autogen/include)
endif()

if(TARGET morvelin_qmqtt)
    morvelin_add_test(tst_mqttclient SOURCES tst_mqttclient.cpp LIBS morvelin_qmqtt)
endif()
