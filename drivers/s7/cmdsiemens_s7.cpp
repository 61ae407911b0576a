#include "cmdsiemens_s7.h"

#include <QDebug>
#include <QTcpSocket>
#include <cstdlib>

namespace {

constexpr int connectTimeoutMs = 3000;     // TCP connection to the controller
constexpr int writeTimeoutMs = 30000;      // handing a request to the network
constexpr int disconnectTimeoutMs = 30000; // orderly close
// Frames of other requests skipped while waiting for one reply; the deadline bounds it too.
constexpr int maxSkippedFrames = 16;

const QString readCommand = QStringLiteral("lib[Siemens_S7]\u8BFB\u547D\u4EE4");  // read command
const QString writeCommand = QStringLiteral("lib[Siemens_S7]\u5199\u547D\u4EE4"); // write command
const QString responseText = QStringLiteral("lib[Siemens_S7]\u54CD\u5E94");       // response

} // namespace

CmdSiemens_S7::CmdSiemens_S7() = default;

CmdSiemens_S7::~CmdSiemens_S7()
{
    DestroyFree();
}

int CmdSiemens_S7::ConnectToPlc(QString address, int port)
{
    if (!socket) {
        socket = new QTcpSocket(this);
        connect(socket, &QAbstractSocket::connected, this, &CmdSiemens_S7::myconnected);
        connect(socket, &QAbstractSocket::disconnected, this, &CmdSiemens_S7::mydisconnected);
        connect(socket, &QIODevice::readyRead, this, &CmdSiemens_S7::myreadyRead);
    }
    plcPort = port;
    if (!plcAddress.setAddress(address))
        return -1;
    socket->abort();
    recvBuffer.clear();
    socket->connectToHost(plcAddress, static_cast<quint16>(port), QIODevice::ReadWrite);
    socket->waitForConnected(connectTimeoutMs);
    const auto state = socket->state();
    if (state != QAbstractSocket::ConnectingState && state != QAbstractSocket::ConnectedState)
        return -3;
    if (CotpConnect() != 0 || SetupCommunication() != 0) {
        DisconnectFromPlc();
        return -2;
    }
    return 0;
}

int CmdSiemens_S7::CotpConnect()
{
    if (!isConnected())
        return -3;
    QByteArray reply;
    if (SendAndReceive(S7::cotpConnectionRequest(), &reply) != 0)
        return 1;
    return S7::isCotpConnectionConfirm(reply) ? 0 : 1;
}

int CmdSiemens_S7::SetupCommunication()
{
    if (!isConnected())
        return -3;
    QByteArray reply;
    if (SendAndReceive(S7::setupCommunicationRequest(), &reply) != 0)
        return 1;
    const S7::Reply setup = S7::parseSetupReply(reply);
    if (setup.error != S7::ReplyError::None) {
        if (debugEnabled)
            qDebug().noquote() << QStringLiteral("lib[Siemens_S7] setup refused: %1 (%2)")
                                      .arg(S7::errorText(setup.error))
                                      .arg(setup.headerError, 4, 16, QLatin1Char('0'));
        return 1;
    }
    m_pduLength = setup.grantedPdu;
    return 0;
}

int CmdSiemens_S7::SendAndReceive(QByteArray request, QByteArray *reply)
{
    if (!socket)
        return -1;
    // Whatever is already here answers an earlier request that gave up waiting; what is still
    // on its way is told apart by its PDU reference.
    myreadyRead();
    if (!recvBuffer.isEmpty() && debugEnabled)
        qDebug().noquote()
            << QStringLiteral("lib[Siemens_S7] dropped %1 stale bytes").arg(recvBuffer.size());
    recvBuffer.clear();
    const QDeadlineTimer deadline(m_replyTimeoutMs);
    socket->write(request);
    socket->flush();
    socket->waitForBytesWritten(writeTimeoutMs);
    return receiveFrame(deadline, reply);
}

int CmdSiemens_S7::receiveFrame(const QDeadlineTimer &deadline, QByteArray *reply)
{
    // Each pass waits for new bytes or the deadline, so the loop ends by the deadline at latest.
    for (;;) {
        myreadyRead();
        const int length = S7::tpktFrameLength(recvBuffer);
        if (length < 0) {
            recvBuffer.clear();
            return -2;
        }
        if (length > 0 && recvBuffer.size() >= length) {
            *reply = recvBuffer.left(length);
            recvBuffer.remove(0, length);
            return 0;
        }
        if (deadline.hasExpired() || !isConnected())
            return -1;
        socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

int CmdSiemens_S7::DisconnectFromPlc()
{
    if (!socket)
        return 1;
    socket->close();
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(disconnectTimeoutMs);
    return 0;
}

int CmdSiemens_S7::DestroyFree()
{
    if (!socket)
        return 1;
    if (socket->state() != QAbstractSocket::UnconnectedState)
        DisconnectFromPlc();
    return ReleaseSocket();
}

int CmdSiemens_S7::ReleaseSocket()
{
    if (socket) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
        socket = nullptr;
    }
    recvBuffer.clear();
    return 0;
}

bool CmdSiemens_S7::isConnected() const
{
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

quint16 CmdSiemens_S7::nextReference()
{
    quint16 reference = m_lastReference;
    // Two requests in a row never share a reference, so a late reply cannot pass for the next.
    while (reference == m_lastReference) {
        const int high = std::rand() & 0xFF;
        const int low = std::rand() & 0xFF;
        reference = static_cast<quint16>(high << 8 | low);
    }
    m_lastReference = reference;
    return reference;
}

void CmdSiemens_S7::logFrame(const QString &command, const QString &address, int length,
                             const QByteArray &frame) const
{
    if (debugEnabled)
        qDebug().noquote() << QStringLiteral("%1 %2:%3 Area=%4  len = %5 msg : %6")
                                  .arg(command, plcAddress.toString())
                                  .arg(plcPort)
                                  .arg(address)
                                  .arg(length)
                                  .arg(QString::fromLatin1(frame.toHex()));
}

int CmdSiemens_S7::transact(const QByteArray &request, const Parser &parse, S7::Reply *reply,
                            const QString &command, const QString &address, int length)
{
    if (!isConnected())
        return NotConnected;
    logFrame(command, address, length, request);
    const QDeadlineTimer deadline(m_replyTimeoutMs);
    QByteArray frame;
    int received = SendAndReceive(request, &frame);
    for (int skipped = 0; received == 0; ++skipped) {
        *reply = parse(frame);
        if (reply->error != S7::ReplyError::WrongReference || skipped >= maxSkippedFrames)
            break;
        logFrame(responseText + QStringLiteral(" skipped"), address, length, frame);
        frame.clear();
        received = receiveFrame(deadline, &frame);
    }
    logFrame(responseText, address, length, frame);
    if (received != 0) {
        // The controller may still answer later; a fresh connection keeps that answer from
        // being taken for the next request, and the rest of the tick fails at once.
        socket->abort();
        return received == -1 ? NoReply : FrameError;
    }
    if (reply->error != S7::ReplyError::None) {
        if (debugEnabled)
            qDebug().noquote() << QStringLiteral("lib[Siemens_S7] %1 Area=%2: %3 (%4)")
                                      .arg(plcAddress.toString(), address,
                                           S7::errorText(reply->error))
                                      .arg(reply->headerError, 4, 16, QLatin1Char('0'));
        return FrameError;
    }
    for (const S7::ItemResult &item : reply->items) {
        if (item.returnCode != S7::itemOk) {
            m_lastReturnCode = item.returnCode;
            if (debugEnabled)
                qDebug().noquote() << QStringLiteral("lib[Siemens_S7] %1 Area=%2 refused: %3")
                                          .arg(plcAddress.toString(), address,
                                               S7::returnCodeText(item.returnCode));
        }
    }
    return Ok;
}

int CmdSiemens_S7::ReadItems(const QList<S7::ReadItem> &items, QList<S7::ItemResult> *results,
                             const QString &address)
{
    const quint16 reference = nextReference();
    const QByteArray request = S7::readRequest(reference, items);
    S7::Reply reply;
    int bytes = 0;
    for (const S7::ReadItem &item : items)
        bytes += item.byteCount;
    const int rc = transact(
        request,
        [&](const QByteArray &frame) { return S7::parseReadReply(frame, reference, items); },
        &reply, readCommand, address, bytes);
    if (rc == Ok)
        *results = reply.items;
    return rc;
}

int CmdSiemens_S7::ReadArea(int byteAddress, int count, QByteArray *data, int dbNumber, int area,
                            QString address)
{
    if (!isConnected())
        return NotConnected;
    const S7::ReadItem whole{area, dbNumber, byteAddress, count};
    QByteArray read;
    for (const S7::ReadItem &piece : S7::sliceRange(whole, S7::maxReadBytes(m_pduLength))) {
        QList<S7::ItemResult> results;
        const int rc = ReadItems({piece}, &results, address);
        if (rc != Ok)
            return rc;
        if (results.first().returnCode != S7::itemOk)
            return Refused;
        read.append(results.first().data);
    }
    data->append(read);
    return Ok;
}

int CmdSiemens_S7::writeJob(const QByteArray &request, const QString &address, int length)
{
    const quint16 reference = static_cast<quint16>(static_cast<quint8>(request.at(11)) << 8
                                                   | static_cast<quint8>(request.at(12)));
    S7::Reply reply;
    const int rc = transact(
        request, [&](const QByteArray &frame) { return S7::parseWriteReply(frame, reference); },
        &reply, writeCommand, address, length);
    if (rc != Ok)
        return rc;
    return reply.items.first().returnCode == S7::itemOk ? Ok : Refused;
}

int CmdSiemens_S7::WriteArea(int dbNumber, int startBits, int count, QByteArray *data, int area,
                             QString address)
{
    if (count < 0 || !data || data->size() < count)
        return BadLength;
    if (!isConnected())
        return NotConnected;
    const int maxBytes = S7::maxWriteBytes(m_pduLength);
    int done = 0;
    do {
        const int n = qMin(maxBytes, count - done);
        const QByteArray request = S7::writeRequest(nextReference(), area, dbNumber,
                                                    startBits + 8 * done, data->mid(done, n));
        const int rc = writeJob(request, address, n);
        if (rc != Ok)
            return rc;
        done += n;
    } while (done < count);
    return Ok;
}

int CmdSiemens_S7::WriteBits(int dbNumber, int bitAddress, const QByteArray &bits, int area,
                             const QString &address)
{
    if (!isConnected())
        return NotConnected;
    for (int i = 0; i < bits.size(); ++i) {
        const QByteArray request
            = S7::writeBitRequest(nextReference(), area, dbNumber, bitAddress + i, bits.at(i) != 0);
        const int rc = writeJob(request, address, 1);
        if (rc != Ok)
            return rc;
    }
    return Ok;
}

void CmdSiemens_S7::myconnected() {}

void CmdSiemens_S7::mydisconnected()
{
    qWarning().noquote() << QStringLiteral("lib[Siemens_S7]%1:%2 Disconnected=%3")
                                .arg(plcAddress.toString())
                                .arg(plcPort)
                                .arg(socket ? int(socket->error()) : -1);
}

void CmdSiemens_S7::myreadyRead()
{
    // Appends: a reply may come in several segments.
    if (socket && socket->bytesAvailable() > 0)
        recvBuffer.append(socket->readAll());
}
