#pragma once

#include "qmqtt/qmqtt_client.h"

#include <QMainWindow>

class MainWindow;
class Ui_MainWindow;

// The firmware updater of the firmware page. It is never shown as a window: its widgets are
// those of the main form. The upload, reboot and version packets come with the device work.
class Update_Bin : public QMainWindow
{
    Q_OBJECT

public:
    Update_Bin(MainWindow *mainWindow, Ui_MainWindow *ui);

    QMQTT::Client *mqttClient() const { return client; }
    void appendLog(const QString &text);

public slots:
    void TimerTimeOut();
    void onReceived(QMQTT::Message message);
    void onconnect();
    void onDisconnected();
    void onSubscribed(QString topic);
    void on_pb_Connect_clicked();
    void on_pb_Disconnect_clicked();
    void on_pb_openfile_clicked();
    void on_pb_update_clicked();
    void on_pb_reboot_clicked();
    void on_pb_openfile_vexmar_clicked();
    void on_pb_update_vexmar_clicked();
    void on_pb_reboot_vexmar_clicked();
    void on_pb_version_clicked();

private:
    MainWindow *mainWindow;
    Ui_MainWindow *ui;
    QMQTT::Client *client;
    quint16 messageId = 0;
    qint32 appBlock = 0;
    qint32 osBlock = 0;
};
