#include "update_bin.h"

#include "devicelink.h"
#include "fwpacket.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Text shown for a payload that is no FW packet: its bytes up to the first zero byte.
QString payloadText(const QByteArray &payload)
{
    const int zero = payload.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? payload : payload.left(zero));
}

} // namespace

Update_Bin::Update_Bin(MainWindow *mainWindow, Ui_MainWindow *ui)
    : QMainWindow(nullptr)
    , mainWindow(mainWindow)
    , ui(ui)
    ,
    // No parent: the client lives as long as the updater. Connecting is always explicit.
    client(new QMQTT::Client(QHostAddress::LocalHost, 1883, nullptr))
{
    connect(client, &QMQTT::Client::connected, this, &Update_Bin::onconnect);
    connect(client, &QMQTT::Client::disconnected, this, &Update_Bin::onDisconnected);
    connect(client, &QMQTT::Client::subscribed, this,
            [this](const QString &topic, quint8) { onSubscribed(topic); });
    connect(client, &QMQTT::Client::received, this, &Update_Bin::onReceived);
    connect(client, &QMQTT::Client::error, this, &Update_Bin::onClientError);

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

    for (FirmwareUpload *upload : {&m_appUpload, &m_osUpload}) {
        QTimer *wait = requestWait(*upload);
        wait->setSingleShot(true);
        wait->setInterval(mqttRequestWaitMs);
        connect(wait, &QTimer::timeout, this, [this, upload] {
            if (runsOverMqtt(*upload))
                endUnfinished(*upload, tr("控制器不再请求数据"));
        });
    }
}

Update_Bin::~Update_Bin()
{
    // Nothing of the client may call back into a page that is going.
    QObject::disconnect(client, nullptr, this, nullptr);
    client->disconnectFromHost();
    delete client;
    client = nullptr;
}

QTimer *Update_Bin::requestWait(const FirmwareUpload &upload)
{
    return upload.image() == FirmwareImage::App ? &m_appRequestWait : &m_osRequestWait;
}

QPushButton *Update_Bin::updateButton(const FirmwareUpload &upload) const
{
    return upload.image() == FirmwareImage::App ? ui->pb_update : ui->pb_update_vexmar;
}

QString Update_Bin::runningUploadName() const
{
    for (const FirmwareUpload *upload : {&m_appUpload, &m_osUpload}) {
        if (upload->isRunning())
            return updateButton(*upload)->text();
    }
    return QString();
}

void Update_Bin::stopUploads()
{
    if (m_serialExchange)
        m_serialExchange->stop();
    endMqttUploads(tr("退出程序前停止"));
}

void Update_Bin::endMqttUploads(const QString &reason)
{
    for (FirmwareUpload *upload : {&m_appUpload, &m_osUpload}) {
        if (runsOverMqtt(*upload))
            endUnfinished(*upload, reason);
    }
}

bool Update_Bin::runsOverMqtt(const FirmwareUpload &upload) const
{
    return upload.isRunning() && upload.channel() == Channel::Mqtt;
}

void Update_Bin::uploadStateChanged(FirmwareUpload &upload)
{
    QTimer *wait = requestWait(upload);
    if (runsOverMqtt(upload))
        wait->start();
    else
        wait->stop();
    mainWindow->deviceJobChanged();
}

quint16 Update_Bin::calcCrc16(const quint8 *data, quint16 length)
{
    return ::calcCrc16(data, length);
}

void Update_Bin::appendLog(const QString &text)
{
    // As plain text: a controller's payload must not be rendered as markup.
    QTextDocument *document = ui->textBrowser->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    QScrollBar *bar = ui->textBrowser->verticalScrollBar();
    bar->setValue(bar->maximum());
}

QStringList Update_Bin::keptFieldTexts() const
{
    return {ui->devesn->text(),  ui->filepath->text(),       ui->filepath_vexmar->text(),
            ui->version->text(), ui->version_vexmar->text(), ui->lineEdit_binpath->text()};
}

void Update_Bin::restoreFieldTexts(const QStringList &texts)
{
    QLineEdit *const fields[] = {ui->devesn,  ui->filepath,       ui->filepath_vexmar,
                                 ui->version, ui->version_vexmar, ui->lineEdit_binpath};
    for (int i = 0; i < texts.size() && i < int(std::size(fields)); ++i)
        fields[i]->setText(texts.at(i));
}

Update_Bin::Channel Update_Bin::chosenChannel() const
{
    return ui->button_MQTT->isChecked() ? Channel::Mqtt : Channel::Serial;
}

bool Update_Bin::refuseDuringUpload()
{
    const QString job = runningUploadName();
    if (job.isEmpty())
        return false;
    mainWindow->refuseForJob(job);
    return true;
}

void Update_Bin::runPageAction(const QPushButton *button, const std::function<void()> &action)
{
    if (refuseDuringUpload())
        return;
    if (chosenChannel() == Channel::Mqtt && !m_serialExchange) {
        action();
        return;
    }
    mainWindow->runSerialOperation(button, [this, &action] {
        if (chosenChannel() == Channel::Serial && !mainWindow->isDeviceLinkOpen()) {
            mainWindow->showDeviceNotice(tr("串口未连接，请先点击“%1”").arg(ui->pb_Connect->text()),
                                         MainWindow::deviceNoticeMs);
            return;
        }
        action();
    });
}

void Update_Bin::sendCommand(const QByteArray &packet, int replyWaitMs)
{
    if (chosenChannel() == Channel::Mqtt)
        publish(packet);
    else
        runSerialExchange(packet, replyWaitMs);
}

int Update_Bin::runSerialExchange(const QByteArray &packet, int replyWaitMs)
{
    // The window is painted and the bar moves while the dialogue runs; the serial lock, which
    // the caller holds, refuses the device buttons meanwhile.
    FirmwareSerialExchange exchange(
        mainWindow->deviceLink(),
        [this](const QByteArray &reply) {
            m_handingOver = true;
            onReceived(QMQTT::Message(0, QString(), reply));
            m_handingOver = false;
        },
        [] { QCoreApplication::processEvents(); });
    m_serialExchange = &exchange;
    const int result = exchange.run(packet, replyWaitMs);
    m_serialExchange = nullptr;
    m_serialLineLost = exchange.lineFailed() || !mainWindow->deviceLink()->isOpen();
    return result;
}

void Update_Bin::publish(const QByteArray &packet)
{
    // The down topic of the id as it reads now; the page does not check the connection.
    const QMQTT::Message message(messageId, otaDownTopic(ui->devesn->text()), packet, 0, false,
                                 false);
    ++messageId;
    client->publish(message);
}

void Update_Bin::onconnect()
{
    appendLog(QStringLiteral("connected"));
    client->subscribe(otaUpTopic(ui->devesn->text()), 0);
}

void Update_Bin::onDisconnected()
{
    appendLog(QStringLiteral("disconnected"));
    // The block in flight is lost with the connection: the controller will not ask again.
    endMqttUploads(tr("与 MQTT 服务器的连接断开"));
}

void Update_Bin::onSubscribed(QString topic)
{
    appendLog(QStringLiteral("subscribed ") + topic);
}

void Update_Bin::onClientError(int code)
{
    appendLog(tr("MQTT 错误 %1：%2").arg(code).arg(client->errorString()));
}

// The page has no timer; the slot stays for the signal table.
void Update_Bin::TimerTimeOut() {}

void Update_Bin::onReceived(QMQTT::Message message)
{
    const QByteArray payload = message.payload();
    // A block answers on the channel its request came from.
    const Channel from = m_handingOver ? Channel::Serial : Channel::Mqtt;
    const FwReply reply = FwReply::recognise(payload);
    switch (reply.kind) {
    case FwReply::NotFw:
        if (!payload.isEmpty())
            appendLog(payloadText(payload));
        return;
    case FwReply::BadCrc:
        appendLog(tr("FW crc 错误"));
        return;
    case FwReply::ErrorReport:
        appendLog(tr("错误代码:") + QString::number(reply.errorCode));
        return;
    case FwReply::AppBlockRequest:
        answerRequest(m_appUpload, reply.requestIndex, from);
        return;
    case FwReply::OsBlockRequest:
        answerRequest(m_osUpload, reply.requestIndex, from);
        return;
    case FwReply::VersionReply:
        appendLog(reply.versionText);
        return;
    case FwReply::TooShort:
    case FwReply::Ignored:
        return;
    }
}

void Update_Bin::on_pb_Connect_clicked()
{
    if (chosenChannel() == Channel::Mqtt) {
        // A new connection would lose the requests of an upload under way.
        if (!refuseDuringUpload())
            connectBroker();
        return;
    }
    mainWindow->runSerialOperation(ui->pb_Connect, [this] {
        if (mainWindow->isDeviceLinkOpen())
            return;
        mainWindow->openDeviceLink();
        if (!mainWindow->isDeviceLinkOpen())
            return;
        ui->pb_Connect->setEnabled(false);
        ui->pb_Disconnect->setEnabled(true);
    });
}

void Update_Bin::connectBroker()
{
    const QString deviceId = ui->devesn->text();
    // A wildcard or a level in the id would subscribe to other controllers' requests.
    if (!isUsableDeviceId(deviceId)) {
        appendLog(tr("设备号无效：不能为空，不能含有“+”“#”“/”"));
        return;
    }
    const QString path = mainWindow->programFolder().filePath(QStringLiteral("config.ini"));
    const BrokerSettings settings = BrokerSettings::read(path);
    if (settings.problem != BrokerSettings::Problem::None) {
        appendLog(brokerSettingsProblem(settings, QDir::toNativeSeparators(path)));
        return;
    }
    client->setHostName(settings.hostName);
    client->setPort(settings.port);
    client->setClientId(m_clientId.next());
    client->setCleanSession(true);
    client->setKeepAlive(settings.keepAliveSeconds);
    client->setAutoReconnect(true);
    client->setUsername(settings.userName);
    client->setPassword(settings.password);
    client->connectToHost();
    ui->pb_Disconnect->setEnabled(true);
}

QString Update_Bin::brokerSettingsProblem(const BrokerSettings &settings, const QString &path) const
{
    switch (settings.problem) {
    case BrokerSettings::Problem::NoFile:
        return tr("MQTT 错误：找不到配置文件 %1（其中须有 mqtt/hostname 和 mqtt/port）").arg(path);
    case BrokerSettings::Problem::FormatError:
        return tr("MQTT 错误：配置文件 %1 格式错误").arg(path);
    case BrokerSettings::Problem::MissingKey:
        return tr("MQTT 错误：配置文件 %1 缺少 %2").arg(path, settings.key);
    case BrokerSettings::Problem::BadValue:
        return tr("MQTT 错误：配置文件 %1 中 %2 的值“%3”无效")
            .arg(path, settings.key, settings.value);
    case BrokerSettings::Problem::None:
        break;
    }
    return QString();
}

void Update_Bin::on_pb_Disconnect_clicked()
{
    if (chosenChannel() == Channel::Mqtt) {
        client->disconnectFromHost();
    } else if (!mainWindow->runSerialOperation(ui->pb_Disconnect, [this] {
                   if (mainWindow->isDeviceLinkOpen())
                       mainWindow->closeDeviceLink();
               })) {
        return;
    }
    // Whatever closed the link before (a data-logger command does), the page can connect again.
    ui->pb_Disconnect->setEnabled(false);
    ui->pb_Connect->setEnabled(true);
}

QString Update_Bin::chooseImage()
{
    return mainWindow->fileChooser()->openFileName(nullptr, QStringLiteral("update bin"), QString(),
                                                   QStringLiteral("bin Files (*.bin)"));
}

void Update_Bin::on_pb_openfile_clicked()
{
    const QString path = chooseImage();
    if (path.isEmpty())
        return;
    ui->filepath->setText(path);
    appendLog(tr("带升级文件路径：") + path);
    appendLog(tr("确保文件正确，错误升级bin文件将导致系统损坏"));
}

void Update_Bin::on_pb_openfile_vexmar_clicked()
{
    const QString path = chooseImage();
    if (!path.isEmpty())
        ui->filepath_vexmar->setText(path);
}

QLineEdit *Update_Bin::pathField(const FirmwareUpload &upload) const
{
    return upload.image() == FirmwareImage::App ? ui->filepath : ui->filepath_vexmar;
}

QLineEdit *Update_Bin::versionField(const FirmwareUpload &upload) const
{
    return upload.image() == FirmwareImage::App ? ui->version : ui->version_vexmar;
}

QProgressBar *Update_Bin::progressBar(const FirmwareUpload &upload) const
{
    return upload.image() == FirmwareImage::App ? ui->progressBar : ui->progressBar_vexmar;
}

QString Update_Bin::imageName(const FirmwareUpload &upload) const
{
    return upload.image() == FirmwareImage::App ? QStringLiteral("APP") : QStringLiteral("Vexmar");
}

void Update_Bin::startUpload(FirmwareUpload &upload)
{
    runPageAction(updateButton(upload), [this, &upload] {
        const Channel channel = chosenChannel();
        const QByteArray packet = beginUpload(upload, channel);
        if (packet.isEmpty())
            return;
        // The file controls are locked from here until the upload ends.
        uploadStateChanged(upload);
        if (channel == Channel::Mqtt) {
            publish(packet);
            return;
        }
        // The controller erases its flash before it asks for the first block.
        const int result = runSerialExchange(packet, FirmwareSerialExchange::startReplyMs);
        if (!upload.isRunning())
            return;
        if (mainWindow->deviceJobStopRequested())
            endUnfinished(upload, tr("退出程序前停止"));
        else if (m_serialLineLost)
            endUnfinished(upload, tr("串口连接断开"));
        else if (result < 0)
            endUnfinished(upload, tr("串口写入失败"));
        else
            endUnfinished(upload, tr("控制器不再请求数据"));
    });
}

QByteArray Update_Bin::beginUpload(FirmwareUpload &upload, Channel channel)
{
    const bool app = upload.image() == FirmwareImage::App;
    const FirmwareStart start = upload.start(pathField(upload)->text(), channel);
    switch (start.outcome) {
    case FirmwareStart::Outcome::Running:
        mainWindow->refuseForJob(updateButton(upload)->text());
        return QByteArray();
    case FirmwareStart::Outcome::CannotOpen:
        return QByteArray();
    case FirmwareStart::Outcome::TooSmall:
        appendLog(tr("文件过小，请确认文件"));
        return QByteArray();
    case FirmwareStart::Outcome::TooLarge:
        appendLog(tr("文件过大，请确认文件"));
        return QByteArray();
    case FirmwareStart::Outcome::Started:
        break;
    }
    // Before the start packet: on the serial link the requests come while it is still sent.
    QProgressBar *bar = progressBar(upload);
    bar->setRange(0, int(qMin<qint64>(start.size, std::numeric_limits<int>::max())));
    bar->setValue(0);
    const quint16 version = FwPacket::versionField(versionField(upload)->text());
    const QByteArray packet = app ? FwPacket::appUpdateStart(version, start.size)
                                  : FwPacket::osUpdateStart(version, start.size);
    qDebug() << packet.toHex(' ');
    return packet;
}

void Update_Bin::endUnfinished(FirmwareUpload &upload, const QString &reason)
{
    upload.stop();
    const QString text = tr("%1 上传未完成（%2），停在 %3/%4 Byte")
                             .arg(imageName(upload), reason)
                             .arg(upload.sentBytes())
                             .arg(upload.size());
    appendLog(text);
    // The program quits next: where the upload stopped must be read before.
    if (mainWindow->deviceJobStopRequested())
        mainWindow->prompt()->information(mainWindow, tr("提示信息"), text);
    uploadStateChanged(upload);
}

void Update_Bin::answerRequest(FirmwareUpload &upload, int requestIndex, Channel channel)
{
    const bool app = upload.image() == FirmwareImage::App;
    const FirmwareBlock block = upload.answer(requestIndex, pathField(upload)->text());
    switch (block.outcome) {
    case FirmwareBlock::Outcome::NotContiguous:
        appendLog(app ? tr("APP返回包不连续") : tr("Vexmar返回包不连续"));
        return;
    case FirmwareBlock::Outcome::CannotOpen:
    case FirmwareBlock::Outcome::Ended:
        return;
    case FirmwareBlock::Outcome::Complete:
        appendLog(app ? tr("APP 下载完成") : tr("Vexmar 下载完成"));
        uploadStateChanged(upload);
        return;
    case FirmwareBlock::Outcome::Block:
        break;
    }
    const QByteArray packet = app ? FwPacket::appDataBlock(block.number, block.data)
                                  : FwPacket::osDataBlock(block.number, block.data);
    if (channel == Channel::Mqtt) {
        publish(packet);
        if (upload.isRunning())
            requestWait(upload)->start();
    } else if (m_serialExchange)
        m_serialExchange->answer(packet, FirmwareSerialExchange::replyMs);
    progressBar(upload)->setValue(
        int(qMin<qint64>(block.progress, std::numeric_limits<int>::max())));
    appendLog(QStringLiteral("%1 process:%2/%3 Byte")
                  .arg(imageName(upload))
                  .arg(block.progress)
                  .arg(block.size));
}

void Update_Bin::on_pb_update_clicked()
{
    startUpload(m_appUpload);
}

void Update_Bin::on_pb_update_vexmar_clicked()
{
    startUpload(m_osUpload);
}

void Update_Bin::on_pb_reboot_clicked()
{
    runPageAction(ui->pb_reboot, [this] {
        sendCommand(FwPacket::appReboot(FwPacket::versionField(ui->version->text())),
                    FirmwareSerialExchange::replyMs);
    });
}

void Update_Bin::on_pb_reboot_vexmar_clicked()
{
    runPageAction(ui->pb_reboot_vexmar, [this] {
        sendCommand(FwPacket::osReboot(FwPacket::versionField(ui->version_vexmar->text())),
                    FirmwareSerialExchange::replyMs);
    });
}

void Update_Bin::on_pb_version_clicked()
{
    runPageAction(ui->pb_version, [this] {
        sendCommand(FwPacket::versionRequest(), FirmwareSerialExchange::replyMs);
    });
}
