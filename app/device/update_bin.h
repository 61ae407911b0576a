#pragma once

#include "brokersettings.h"
#include "firmwareupload.h"
#include "qmqtt/qmqtt_client.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <functional>

class MainWindow;
class QLineEdit;
class QProgressBar;
class QPushButton;
class Ui_MainWindow;

// The firmware updater of the firmware page. It is never shown as a window: its widgets are
// those of the main form. It uploads the APP and OS images block by block as the controller
// asks for them, reboots either image and asks the version, over MQTT or the serial link.
class Update_Bin : public QMainWindow
{
    Q_OBJECT

public:
    // Over MQTT the controller's next request may take this long (ms): a flash erase, the
    // broker's and the network's delays. After it the upload ends and says where it stopped.
    static constexpr int mqttRequestWaitMs = 15000;

    Update_Bin(MainWindow *mainWindow, Ui_MainWindow *ui);
    // Disconnects and deletes the MQTT client: its network thread goes with the window.
    ~Update_Bin() override;

    QMQTT::Client *mqttClient() const { return client; }
    // CRC-16 of FW packets and data-logger frames.
    static quint16 calcCrc16(const quint8 *data, quint16 length);
    // One plain-text line in the page's log.
    void appendLog(const QString &text);
    const FirmwareUpload &appUpload() const { return m_appUpload; }
    const FirmwareUpload &osUpload() const { return m_osUpload; }
    // An upload of either image is under way, and the text of the button that began it.
    bool uploadRunning() const { return m_appUpload.isRunning() || m_osUpload.isRunning(); }
    QString runningUploadName() const;
    // A quit chose to stop: a serial dialogue ends at its next turn, an upload over MQTT now;
    // each says where it stopped.
    void stopUploads();

    // A serial dialogue begun by packet, every reply handed to the page's handler, whose
    // controller may take replyWaitMs to answer: -1 when the link is not open or the write
    // fails, else 0 once the controller went quiet.
    int runSerialExchange(const QByteArray &packet, int replyWaitMs);

    // The page's fields a language switch would reset, and putting them back.
    QStringList keptFieldTexts() const;
    void restoreFieldTexts(const QStringList &texts);

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
    using Channel = FirmwareChannel;

    Channel chosenChannel() const;
    // One controller takes one thing at a time: while an image uploads, on either channel, no
    // upload starts and no other packet of the page goes out. True, with the running upload's
    // name on the page, when it refuses.
    bool refuseDuringUpload();
    // Runs the work of button unless an upload runs; on the serial channel, and on any while a
    // serial dialogue runs, under the serial lock, which refuses it while another device
    // operation holds the link. On the serial channel with the link closed it says so and sends
    // nothing.
    void runPageAction(const QPushButton *button, const std::function<void()> &action);
    // A packet of a button: published, or the serial dialogue it begins, whose controller may
    // take replyWaitMs to answer it.
    void sendCommand(const QByteArray &packet, int replyWaitMs);
    void publish(const QByteArray &packet);
    void connectBroker();
    void onClientError(int code);
    QString brokerSettingsProblem(const BrokerSettings &settings, const QString &path) const;
    QString chooseImage();
    void startUpload(FirmwareUpload &upload);
    // The start packet of an upload now begun on channel, or empty when it is refused.
    QByteArray beginUpload(FirmwareUpload &upload, Channel channel);
    void answerRequest(FirmwareUpload &upload, int requestIndex, Channel channel);
    // Ends an upload the controller will not go on with, saying how far it came.
    void endUnfinished(FirmwareUpload &upload, const QString &reason);
    bool runsOverMqtt(const FirmwareUpload &upload) const;
    void endMqttUploads(const QString &reason);
    // After an upload started or ended: the window's gating follows, the MQTT wait too.
    void uploadStateChanged(FirmwareUpload &upload);
    QTimer *requestWait(const FirmwareUpload &upload);
    QString imageName(const FirmwareUpload &upload) const;
    QLineEdit *pathField(const FirmwareUpload &upload) const;
    QLineEdit *versionField(const FirmwareUpload &upload) const;
    QProgressBar *progressBar(const FirmwareUpload &upload) const;
    QPushButton *updateButton(const FirmwareUpload &upload) const;

    MainWindow *mainWindow;
    Ui_MainWindow *ui;
    QMQTT::Client *client;
    quint16 messageId = 0;
    FirmwareUpload m_appUpload{FirmwareImage::App};
    FirmwareUpload m_osUpload{FirmwareImage::Os};
    // The controller's silence each MQTT upload waits out before it ends.
    QTimer m_appRequestWait;
    QTimer m_osRequestWait;
    // The serial dialogue under way, and whether it is handing a reply to onReceived now.
    FirmwareSerialExchange *m_serialExchange = nullptr;
    bool m_handingOver = false;
    // The last serial dialogue ended because the line failed or the link was closed.
    bool m_serialLineLost = false;
    OtaClientId m_clientId;
};
