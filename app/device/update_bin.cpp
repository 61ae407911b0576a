#include "update_bin.h"

#include "mainwindow.h"
#include "ui_mainwindow.h"

Update_Bin::Update_Bin(MainWindow *mainWindow, Ui_MainWindow *ui)
    : QMainWindow(nullptr), mainWindow(mainWindow), ui(ui),
      // No parent: the client lives as long as the updater. Connecting is always explicit.
      client(new QMQTT::Client(QHostAddress::LocalHost, 1883, nullptr))
{
    connect(client, &QMQTT::Client::connected, this, &Update_Bin::onconnect);
    connect(client, &QMQTT::Client::disconnected, this, &Update_Bin::onDisconnected);
    connect(client, &QMQTT::Client::subscribed, this,
            [this](const QString &topic, quint8) { onSubscribed(topic); });
    connect(client, &QMQTT::Client::received, this, &Update_Bin::onReceived);

    connect(ui->pb_Connect, &QPushButton::clicked, this, &Update_Bin::on_pb_Connect_clicked);
    connect(ui->pb_Disconnect, &QPushButton::clicked, this, &Update_Bin::on_pb_Disconnect_clicked);
    connect(ui->pb_openfile, &QPushButton::clicked, this, &Update_Bin::on_pb_openfile_clicked);
    connect(ui->pb_update, &QPushButton::clicked, this, &Update_Bin::on_pb_update_clicked);
    connect(ui->pb_reboot, &QPushButton::clicked, this, &Update_Bin::on_pb_reboot_clicked);
    connect(ui->pb_openfile_vexmar, &QPushButton::clicked, this,
            &Update_Bin::on_pb_openfile_vexmar_clicked);
    connect(ui->pb_update_vexmar, &QPushButton::clicked, this,
            &Update_Bin::on_pb_update_vexmar_clicked);
    connect(ui->pb_reboot_vexmar, &QPushButton::clicked, this,
            &Update_Bin::on_pb_reboot_vexmar_clicked);
    connect(ui->pb_version, &QPushButton::clicked, this, &Update_Bin::on_pb_version_clicked);

    ui->progressBar->setValue(0);
    ui->progressBar_vexmar->setValue(0);
}

void Update_Bin::appendLog(const QString &text)
{
    ui->textBrowser->append(text);
}

void Update_Bin::onconnect()
{
    appendLog(QStringLiteral("connected"));
    client->subscribe(QStringLiteral("kxota/up/v1/") + ui->devesn->text(), 0);
}

void Update_Bin::onDisconnected()
{
    appendLog(QStringLiteral("disconnected"));
}

void Update_Bin::onSubscribed(QString topic)
{
    appendLog(QStringLiteral("subscribed ") + topic);
}

// The packet handling of the firmware page (connect and disconnect of both channels, image
// choice, uploads, reboots, version query, replies) is built with the device work.
void Update_Bin::TimerTimeOut() {}
void Update_Bin::onReceived(QMQTT::Message message)
{
    Q_UNUSED(message)
}
void Update_Bin::on_pb_Connect_clicked() {}
void Update_Bin::on_pb_Disconnect_clicked() {}
void Update_Bin::on_pb_openfile_clicked() {}
void Update_Bin::on_pb_update_clicked() {}
void Update_Bin::on_pb_reboot_clicked() {}
void Update_Bin::on_pb_openfile_vexmar_clicked() {}
void Update_Bin::on_pb_update_vexmar_clicked() {}
void Update_Bin::on_pb_reboot_vexmar_clicked() {}
void Update_Bin::on_pb_version_clicked() {}
