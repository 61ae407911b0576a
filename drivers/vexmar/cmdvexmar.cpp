#include "cmdvexmar.h"

#include "labelvariable.h"
#include "vexmarareas.h"
#include "vexmarframes.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkDatagram>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QTimer>
#include <QUdpSocket>

using namespace Vexmar;

namespace {

// Log texts of the family's tools (read command, read response, the returned sequence number is
// wrong, the returned message length is 0 / is wrong, write command, response).
const QString readCommandLine
    = QStringLiteral("lib[Vexmar]\u8BFB\u547D\u4EE4 %1:%2  %3 len = %4 msg : %5");
const QString readResponseLine
    = QStringLiteral("lib[Vexmar]\u8BFB\u54CD\u5E94 %1:%2  %3 len = %4 msg : %5");
const QString sequenceWarningLine = QStringLiteral(
    "lib[Vexmar]\u8FD4\u56DE\u7684\u5E8F\u53F7\u9519\u8BEF %1:%2  %3 len = %4 msg : %5");
const QString noReplyWarningLine = QStringLiteral(
    "lib[Vexmar]\u8FD4\u56DE\u7684\u62A5\u6587\u957F\u5EA6\u4E3A0 %1:%2  %3 len = %4 msg : %5");
const QString shortReplyWarningLine
    = QStringLiteral("lib[Vexmar]\u8FD4\u56DE\u7684\u62A5\u6587\u957F\u5EA6\u9519\u8BEF %1:%2  %3 "
                     "len = %4 msg : %5");
const QString writeCommandLine
    = QStringLiteral("\u5199\u547D\u4EE4 %1:%2 tag=%3  len = %4 msg : %5");
const QString writeResponseLine = QStringLiteral("\u54CD\u5E94 %1:%2 tag=%3  len = %4 msg : %5");
const QString bitWriteCommandLine
    = QStringLiteral("\u5199\u547D\u4EE4 %1:%2 Area=%3  len = %4 msg : %5");
const QString bitWriteResponseLine
    = QStringLiteral("\u54CD\u5E94 %1:%2 Area=%3  len = %4 msg : %5");

// The device's own turn-around allowance for a handshake or request over UDP (the historic
// 300 ms for the first byte plus 50 ms of polling).
constexpr int defaultReplyTimeoutMs = 350;
// The local port the family's tools ask for.
constexpr int localPortOfFamily = 500;
// Quiet time that ends the wait for a late serial reply once its bytes have started coming, and
// the least quiet that makes a serial reply whole: longer than a USB converter holds bytes back
// (16 ms), so that a reply is not judged in the middle.
constexpr int settleQuietMs = 20;

enum ReadKind { ValuesRead, StringRead, BitsRead };

} // namespace

int CmdVexmar::statusOf(int result)
{
    switch (result) {
    case Ok:
        return LabelStatus::Ok;
    case FrameError:
        return LabelStatus::ReplyFrameError;
    case NoReply:
        return LabelStatus::ResponseTimeout;
    case LinkDown:
        return LabelStatus::DeviceOffline;
    case BadAddress:
        return LabelStatus::AddressOutOfRange;
    case BadData:
        return LabelStatus::BadCount;
    default:
        return LabelStatus::NotDone;
    }
}

CmdVexmar::CmdVexmar(QObject *parent)
    : QObject(parent)
    , m_replyTimeoutMs(defaultReplyTimeoutMs)
{
}

CmdVexmar::~CmdVexmar()
{
    CloseTransport();
}

void CmdVexmar::createUdpSocket()
{
    udpSocket = new QUdpSocket(this);
    connect(udpSocket, &QAbstractSocket::connected, this, &CmdVexmar::myconnected);
    connect(udpSocket, &QAbstractSocket::disconnected, this, &CmdVexmar::mydisconnected);
}

int CmdVexmar::OpenUdp(QString address, int port)
{
    m_link = Link::Udp;
    if (!udpSocket)
        createUdpSocket();
    peerPort = port;
    if (!peerAddress.setAddress(address))
        return -1;
    // The family's tools ask for local port 500 on the controller's address; that only works
    // where the controller is local, otherwise the first datagram binds any free port. Never
    // share the port: a second process on it would receive this link's replies.
    if (udpSocket->state() == QAbstractSocket::UnconnectedState)
        udpSocket->bind(peerAddress, localPortOfFamily, QAbstractSocket::DontShareAddress);
    if (ConnectHandshake() != 0) {
        CloseUdp();
        return -2;
    }
    return 0;
}

int CmdVexmar::ConnectHandshake()
{
    QByteArray reply;
    if (exchange(handshakeRequest(), 2, &reply) != Exchange::Reply)
        return 1;
    return reply.size() >= 2 && reply.at(0) == 0x04 && reply.at(1) == 0x01 ? 0 : 1;
}

int CmdVexmar::OpenSerial(QString portName, int baudRate, int dataBits, int stopBits,
                          QString parity)
{
    m_link = Link::Serial;
    if (!serialPort)
        serialPort = new QSerialPort(this);
    if (serialPort->isOpen()) {
        serialPort->clear(QSerialPort::AllDirections);
        serialPort->close();
    }
    serialPort->setPortName(portName);
    if (!serialPort->open(QIODevice::ReadWrite))
        return -1;

    // silenceMs: the line is quiet between two replies once no byte came for this long. Longer
    // than two characters at each rate (one character at 1200 baud is 8.3 ms); a reply is
    // judged whole after at least settleQuietMs.
    switch (baudRate) {
    case 1200:
        silenceMs = 20;
        break;
    case 2400:
        silenceMs = 10;
        break;
    case 4800:
        silenceMs = 6;
        break;
    case 9600:
        silenceMs = 3;
        break;
    case 19200:
    case 38400:
    case 57600:
    case 115200:
        break;
    default:
        baudRate = 0;
        break;
    }
    if (baudRate > 0)
        serialPort->setBaudRate(baudRate, QSerialPort::AllDirections);

    if (dataBits >= 5 && dataBits <= 8)
        serialPort->setDataBits(QSerialPort::DataBits(dataBits));
    if (stopBits == 1)
        serialPort->setStopBits(QSerialPort::OneStop);
    else if (stopBits == 2)
        serialPort->setStopBits(QSerialPort::TwoStop);
    else if (stopBits == 3)
        serialPort->setStopBits(QSerialPort::OneAndHalfStop);

    // The link string carries one letter; a word such as "Even" matches "N" first.
    if (parity.indexOf(QLatin1String("N"), 0, Qt::CaseInsensitive) >= 0)
        serialPort->setParity(QSerialPort::NoParity);
    else if (parity.indexOf(QLatin1String("E"), 0, Qt::CaseInsensitive) >= 0)
        serialPort->setParity(QSerialPort::EvenParity);
    else if (parity.indexOf(QLatin1String("O"), 0, Qt::CaseInsensitive) >= 0)
        serialPort->setParity(QSerialPort::OddParity);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);

    if (!silenceTimer) {
        silenceTimer = new QTimer(this);
        silenceTimer->setSingleShot(true);
        silenceTimer->setTimerType(Qt::PreciseTimer);
    }
    m_replyOutstanding = false;
    return 0;
}

int CmdVexmar::IsConnected() const
{
    switch (m_link) {
    case Link::Serial:
        return serialPort && serialPort->isOpen() ? 0 : LinkDown;
    case Link::Udp:
        // A closed socket binds again on its next datagram, so it still counts as a link.
        return udpSocket ? 0 : LinkDown;
    case Link::None:
        break;
    }
    return LinkDown;
}

int CmdVexmar::CloseSerial()
{
    if (!serialPort || !serialPort->isOpen())
        return -1;
    serialPort->clear(QSerialPort::AllDirections);
    serialPort->close();
    return 0;
}

int CmdVexmar::CloseUdp()
{
    if (!udpSocket)
        return 0;
    udpSocket->close();
    if (udpSocket->state() != QAbstractSocket::UnconnectedState)
        udpSocket->waitForDisconnected(30000);
    return 0;
}

// Deletion is deferred: a release can come from an event handled while an exchange waits on
// the object, and that exchange must find the pointer null, not freed memory.
int CmdVexmar::ReleaseSerial()
{
    wakeWait();
    if (serialPort) {
        serialPort->disconnect(this);
        serialPort->deleteLater();
        serialPort = nullptr;
    }
    if (silenceTimer) {
        silenceTimer->stop();
        silenceTimer->deleteLater();
        silenceTimer = nullptr;
    }
    return 0;
}

int CmdVexmar::ReleaseUdp()
{
    wakeWait();
    if (udpSocket) {
        udpSocket->disconnect(this);
        udpSocket->deleteLater();
        udpSocket = nullptr;
    }
    return 0;
}

int CmdVexmar::CloseTransport()
{
    if (serialPort) {
        CloseSerial();
        ReleaseSerial();
        return 0;
    }
    if (udpSocket) {
        if (udpSocket->state() != QAbstractSocket::UnconnectedState)
            CloseUdp();
        ReleaseUdp();
        return 0;
    }
    return 1;
}

int CmdVexmar::serialTimeoutMs(int requestBytes, int replyBytes) const
{
    int bitsPerChar = 10;
    int baud = 9600;
    if (serialPort) {
        baud = qMax(1, int(serialPort->baudRate()));
        bitsPerChar = 1 + int(serialPort->dataBits())
                      + (serialPort->stopBits() == QSerialPort::OneStop ? 1 : 2)
                      + (serialPort->parity() == QSerialPort::NoParity ? 0 : 1);
    }
    const qint64 wireMs = (qint64(requestBytes) + replyBytes) * bitsPerChar * 1000 / baud;
    return m_replyTimeoutMs + int(2 * wireMs);
}

CmdVexmar::Exchange CmdVexmar::exchange(const QByteArray &request, int replyBytes,
                                        QByteArray *reply)
{
    // The wait below handles events, so a host timer may start another request meanwhile;
    // it would take this one's reply, so it is turned away.
    if (m_busy)
        return Exchange::Busy;
    if (IsConnected() != 0)
        return Exchange::LinkDown;
    QScopedValueRollback<bool> busy(m_busy, true);
    recvBuffer.clear();
    return m_link == Link::Udp ? udpExchange(request, reply)
                               : serialExchange(request, replyBytes, reply);
}

void CmdVexmar::drain()
{
    if (m_link == Link::Udp && udpSocket) {
        while (udpSocket->state() == QAbstractSocket::BoundState
               && udpSocket->hasPendingDatagrams())
            udpSocket->receiveDatagram(0);
    } else if (m_link == Link::Serial && serialPort) {
        serialPort->clear(QSerialPort::Input);
        serialPort->readAll();
    }
}

CmdVexmar::Exchange CmdVexmar::udpExchange(const QByteArray &request, QByteArray *reply)
{
    drain();
    udpSocket->writeDatagram(request, peerAddress, quint16(peerPort));

    QPointer<QUdpSocket> socket = udpSocket;
    bool matched = false;
    QByteArray mismatched;
    QEventLoop loop;
    const auto takePending = [&] {
        while (socket && socket->state() == QAbstractSocket::BoundState
               && socket->hasPendingDatagrams()) {
            const QByteArray datagram = socket->receiveDatagram().data();
            // The sender is not compared: controllers may answer from another address.
            // Of several echoing datagrams pending at once the last one is kept.
            if (echoes(request, datagram)) {
                recvBuffer = datagram;
                matched = true;
            } else {
                mismatched = datagram;
            }
        }
        if (matched)
            loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(socket, &QIODevice::readyRead, &loop, takePending);
    takePending();
    if (!matched) {
        deadline.start(m_replyTimeoutMs);
        runWait(loop);
    }
    if (!socket || socket != udpSocket)
        return Exchange::LinkDown;
    // Every reply carries the same sequence byte, so a late or repeated answer to this request
    // would look like the next one's. The next exchange goes out from a fresh socket, on a new
    // local port, which such an answer cannot reach. The new one is bound while the old one
    // still holds its port, so the system cannot hand that same port out again.
    createUdpSocket();
    const QHostAddress any = peerAddress.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QHostAddress(QHostAddress::AnyIPv6)
                                 : QHostAddress(QHostAddress::AnyIPv4);
    udpSocket->bind(any, 0, QAbstractSocket::DontShareAddress);
    delete socket;
    if (matched) {
        reply->append(recvBuffer);
        recvBuffer.clear();
        return Exchange::Reply;
    }
    if (mismatched.isEmpty())
        return Exchange::NoReply;
    reply->append(mismatched);
    return Exchange::WrongEcho;
}

void CmdVexmar::settleSerial()
{
    // The reply of the exchange that gave up may still arrive. Wait for it (or for as long as a
    // reply may take) and let it go, so that it is not taken for the next one's.
    QPointer<QSerialPort> port = serialPort;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QTimer quiet;
    quiet.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto discard = [&] {
        if (port && port->bytesAvailable() > 0) {
            port->readAll();
            quiet.start(qMax(silenceMs, settleQuietMs));
        }
    };
    connect(port, &QIODevice::readyRead, &loop, discard);
    discard();
    deadline.start(m_replyTimeoutMs);
    runWait(loop);
    m_replyOutstanding = false;
}

CmdVexmar::Exchange CmdVexmar::serialExchange(const QByteArray &request, int replyBytes,
                                              QByteArray *reply)
{
    if (m_replyOutstanding)
        settleSerial();
    if (IsConnected() != 0)
        return Exchange::LinkDown;
    // Whatever is waiting now came before this request and cannot be its reply.
    drain();
    serialPort->write(request);

    QPointer<QSerialPort> port = serialPort;
    QPointer<QTimer> quiet = silenceTimer;
    QEventLoop loop;
    QByteArray received; // every byte since the request went out
    QByteArray candidate;
    SerialReply judged = SerialReply::Nothing;
    QElapsedTimer sinceByte;
    // A reply is whole only once the line has been quiet after it, for longer than a pause in
    // the middle of one may last: the first bytes of a longer, earlier reply must not pass.
    const int wholeQuietMs = qMax(silenceMs, settleQuietMs);
    const auto takeBytes = [&] {
        if (!port)
            return;
        received.append(port->readAll());
        sinceByte.start();
        if (quiet)
            quiet->start(wholeQuietMs);
    };
    const auto judge = [&] {
        judged = judgeSerialReply(request, received, replyBytes, &candidate);
        if (judged == SerialReply::Whole && sinceByte.elapsed() < wholeQuietMs)
            judged = SerialReply::Partial;
    };
    // The quiet must be the line's, not this thread's: bytes that came while it was held up and
    // still wait unread, in the system or in the port, mean the line was not quiet. Takes them;
    // true when there were any.
    const auto takeWaiting = [&] {
        if (!port || !port->isOpen())
            return false;
        const int before = received.size();
        // Reads what the system holds and hands it over through readyRead.
        if (!port->waitForReadyRead(0) && port->error() == QSerialPort::TimeoutError)
            port->clearError();
        if (port->bytesAvailable() > 0)
            takeBytes();
        return received.size() > before;
    };
    // A candidate that does not fit is not the reply: reading goes on until the time-out, so
    // that what else comes is not left for the next exchange either.
    const auto lineQuiet = [&] {
        if (takeWaiting())
            return; // the quiet starts again after them
        judge();
        if (judged == SerialReply::Whole)
            loop.quit();
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(port, &QIODevice::readyRead, &loop, takeBytes);
    if (quiet)
        connect(quiet, &QTimer::timeout, &loop, lineQuiet);
    deadline.start(serialTimeoutMs(request.size(), replyBytes));
    runWait(loop);
    if (quiet) {
        quiet->stop();
        quiet->disconnect(&loop);
    }
    if (!port || port != serialPort || !port->isOpen())
        return Exchange::LinkDown;
    if (judged != SerialReply::Whole) {
        if (takeWaiting() && quiet)
            quiet->stop();
        judge();
    }
    reply->append(candidate);
    switch (judged) {
    case SerialReply::Whole:
        if (candidate.size() != received.size() && debugEnabled)
            qDebug().noquote() << QStringLiteral("lib[Vexmar] skipped line noise before a reply");
        return Exchange::Reply;
    case SerialReply::Nothing:
        m_replyOutstanding = true;
        return Exchange::NoReply;
    case SerialReply::NoEcho:
        m_replyOutstanding = true;
        return Exchange::WrongEcho;
    case SerialReply::Partial:
    case SerialReply::Misfit:
        break;
    }
    m_replyOutstanding = true;
    return Exchange::Misfit;
}

QString CmdVexmar::logLine(const QString &format, const QString &label, int length,
                           const QByteArray &bytes) const
{
    return format.arg(peerAddress.toString(), QString::number(peerPort), label,
                      QString::number(length), QString::fromLatin1(bytes.toHex()));
}

int CmdVexmar::readRequest(const QByteArray &request, int area, int index, int dataLength,
                           const QString &label, QByteArray *out, int kind)
{
    if (dataLength < 1 || dataLength >= maxFrameDataBytes)
        return BadData;
    if (!runInArea(area, index, dataLength))
        return BadAddress;
    if (debugEnabled)
        qDebug().noquote() << logLine(readCommandLine, label, dataLength, request);
    QByteArray reply;
    const Exchange e = exchange(request, readReplyBytes(dataLength), &reply);
    if (e == Exchange::LinkDown)
        return LinkDown;
    if (e == Exchange::Busy)
        return Busy;
    const QByteArray shown = reply.left(readReplyBytes(dataLength));
    if (debugEnabled)
        qDebug().noquote() << logLine(readResponseLine, label, dataLength, shown);
    if (e == Exchange::NoReply) {
        qWarning().noquote() << logLine(noReplyWarningLine, label, dataLength, shown);
        return NoReply;
    }
    if (e == Exchange::WrongEcho) {
        qWarning().noquote() << logLine(sequenceWarningLine, label, dataLength, shown);
        return NoReply;
    }
    if (e == Exchange::Misfit || checkReply(request, reply, dataLength) != ReplyCheck::Ok) {
        qWarning().noquote() << logLine(shortReplyWarningLine, label, dataLength, shown);
        return FrameError;
    }
    const int count = parseField24(request, 8);
    switch (kind) {
    case ValuesRead:
        out->append(readValuesData(area, reply, count));
        break;
    case StringRead:
        out->append(readStringData(reply, count / stringSlotBytes));
        break;
    default:
        out->append(readBitsData(reply, count));
        break;
    }
    return Ok;
}

int CmdVexmar::ReadValues(int area, int index, int count, QByteArray *out, QString label)
{
    return readRequest(readValuesRequest(area, index, count), area, index, count, label, out,
                       ValuesRead);
}

int CmdVexmar::ReadString(int area, int index, int count, QByteArray *out, QString label)
{
    // Checked here so that count x 256 cannot overflow; whole slots must fit one frame.
    if (count < 1 || count > (maxFrameDataBytes - 1) / stringSlotBytes)
        return BadData;
    return readRequest(readStringRequest(area, index, count), area, index, count * stringSlotBytes,
                       label, out, StringRead);
}

int CmdVexmar::ReadBits(int area, int index, int count, QByteArray *out, QString label)
{
    return readRequest(readBitsRequest(area, index, count), area, index, count, label, out,
                       BitsRead);
}

int CmdVexmar::writeRequest(const QByteArray &request, int area, int index, int shownLength,
                            const QString &label, bool bitLines)
{
    if (request.isEmpty() || shownLength < 1)
        return BadData;
    if (!runInArea(area, index, shownLength))
        return BadAddress;
    QByteArray reply;
    const Exchange e = exchange(request, writeReplyBytes, &reply);
    if (e == Exchange::LinkDown)
        return LinkDown;
    if (e == Exchange::Busy)
        return Busy;
    if (debugEnabled) {
        qDebug().noquote() << logLine(bitLines ? bitWriteCommandLine : writeCommandLine, label,
                                      shownLength, request);
        qDebug().noquote() << logLine(bitLines ? bitWriteResponseLine : writeResponseLine, label,
                                      shownLength, reply);
    }
    if (e == Exchange::WrongEcho) {
        qWarning().noquote() << logLine(sequenceWarningLine, label, shownLength, reply);
        return NoReply;
    }
    if (e == Exchange::NoReply)
        return NoReply;
    if (e == Exchange::Misfit)
        return FrameError;
    return checkReply(request, reply, 0) == ReplyCheck::Ok ? Ok : FrameError;
}

int CmdVexmar::WriteValues(int area, int index, int count, QByteArray data, QString label)
{
    if (count < 1 || count >= maxFrameDataBytes)
        return BadData;
    return writeRequest(writeValuesRequest(area, index, count, data), area, index, count, label,
                        false);
}

int CmdVexmar::WriteString(int area, int index, int count, QByteArray data, QString label)
{
    if (count < 1 || count > (maxFrameDataBytes - 1) / stringSlotBytes)
        return BadData;
    return writeRequest(writeStringRequest(area, index, count, data), area, index,
                        count * stringSlotBytes, label, false);
}

int CmdVexmar::WriteBits(int area, int index, int count, QByteArray data, QString label)
{
    if (count < 1 || count >= maxFrameDataBytes)
        return BadData;
    return writeRequest(writeBitsRequest(area, index, count, data), area, index, count, label,
                        true);
}

void CmdVexmar::runWait(QEventLoop &loop)
{
    m_waitLoop = &loop;
    // The GUI thread waits here for the controller: a click must not open a menu or a dialog
    // inside the wait, whose event loop would hold this exchange and the polling until it
    // closes. Input is delivered once the exchange is over.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_waitLoop = nullptr;
}

void CmdVexmar::wakeWait()
{
    if (m_waitLoop)
        m_waitLoop->quit();
}

void CmdVexmar::myconnected() {}

void CmdVexmar::mydisconnected()
{
    if (!udpSocket)
        return;
    const QAbstractSocket::SocketError e = udpSocket->error();
    if (e != QAbstractSocket::UnknownSocketError)
        qWarning().noquote().nospace()
            << QStringLiteral("lib[Vexmar]%1:%2 ").arg(peerAddress.toString()).arg(peerPort) << e;
}
