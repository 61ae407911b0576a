// The serial worker over a socat pty pair: opening from link strings, writing, reading, errors,
// each test under a watchdog so that a worker deadlocked on its own mutex fails the run.
#include "serialworker.h"
#include "socatptypair.h"
#include "testwatchdog.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>
#include <poll.h>
#include <utility>

namespace {
const int watchdogSeconds = 60;
const int waitMs = 10000;
} // namespace

class tst_SerialWorker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void open_data();
    void open();
    void idleCallsEmitNothing();
    void roundTrip();
    void receiverWritesBack();
    void closeReportsOnce();
    void bytesDuringWrite_data();
    void bytesDuringWrite();
    void portErrors_data();
    void portErrors();
    void lineGoneAway();

private:
    bool openFarEnd();
    QByteArray readFarEnd(int size);

    TestWatchdog m_watchdog;
    SocatPtyPair *m_pair = nullptr;
    QSerialPort *m_far = nullptr;
};

void tst_SerialWorker::init()
{
    m_watchdog.arm(QTest::currentTestFunction(), watchdogSeconds);
    m_pair = new SocatPtyPair;
    QVERIFY2(m_pair->start(), "socat did not start");
}

void tst_SerialWorker::cleanup()
{
    delete m_far;
    m_far = nullptr;
    delete m_pair;
    m_pair = nullptr;
    m_watchdog.disarm();
}

bool tst_SerialWorker::openFarEnd()
{
    m_far = new QSerialPort(m_pair->second());
    m_far->setBaudRate(115200);
    return m_far->open(QIODevice::ReadWrite);
}

QByteArray tst_SerialWorker::readFarEnd(int size)
{
    QByteArray got;
    for (int round = 0; round < 100 && got.size() < size; ++round) {
        if (m_far->bytesAvailable() == 0)
            m_far->waitForReadyRead(100);
        got += m_far->readAll();
    }
    return got;
}

void tst_SerialWorker::open_data()
{
    // "%1" stands for the pty's name. before: a link opened first (empty: none).
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<QString>("error");

    const QString none;
    const int keep = -1;
    QTest::newRow("9600 8N1") << none << "%1,9600,8,1,N" << 0 << 9600 << int(QSerialPort::NoParity)
                              << none;
    QTest::newRow("e is even") << none << "%1,115200,8,1,e" << 0 << 115200
                               << int(QSerialPort::EvenParity) << none;
    QTest::newRow("Even holds an n: none")
        << "%1,9600,8,1,o"
        << "%1,9600,8,1,Even" << 0 << 9600 << int(QSerialPort::NoParity) << none;
    QTest::newRow("o is odd") << none << "%1,9600,8,1,o" << 0 << 9600 << int(QSerialPort::OddParity)
                              << none;
    QTest::newRow("X keeps the parity")
        << "%1,9600,8,1,e"
        << "%1,115200,8,1,X" << 0 << 115200 << int(QSerialPort::EvenParity) << none;
    QTest::newRow("no comma closes an open port") << "%1,9600,8,1,N"
                                                  << "%1" << 3 << keep << keep << none;
    QTest::newRow("baud not a number closes an open port")
        << "%1,9600,8,1,N"
        << "%1,fast,8,1,N" << 1 << keep << keep << none;
    QTest::newRow("empty port name") << none << ",9600,8,1,N" << 1 << keep << keep << none;
    QTest::newRow("1.5 stop bits is no number")
        << none << "%1,9600,8,1.5,N" << 1 << keep << keep << none;
    QTest::newRow("missing port") << none << "/dev/morvelin-no-such-tty,9600,8,1,N" << 2 << keep
                                  << keep << "Failed to open port: ";
}

void tst_SerialWorker::open()
{
    QFETCH(QString, before);
    QFETCH(QString, link);
    QFETCH(int, result);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(QString, error);

    SerialWorker worker;
    QSignalSpy opened(&worker, &SerialWorker::portOpened);
    QSignalSpy closed(&worker, &SerialWorker::portClosed);
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    if (!before.isEmpty()) {
        QCOMPARE(worker.openSerialPort(QString(before).replace("%1", m_pair->first())), 0);
        QVERIFY(worker.port()->isOpen());
    }
    QCOMPARE(worker.openSerialPort(QString(link).replace("%1", m_pair->first())), result);
    QCOMPARE(worker.port()->isOpen(), result == 0);
    QCOMPARE(opened.count(), (before.isEmpty() ? 0 : 1) + (result == 0 ? 1 : 0));
    // Closing to reopen is no close the owner asked for.
    QCOMPARE(closed.count(), 0);
    if (result == 0) {
        QCOMPARE(QStringLiteral("/dev/") + worker.port()->portName(), m_pair->first());
        QCOMPARE(worker.port()->baudRate(), qint32(baud));
        QCOMPARE(worker.port()->dataBits(), QSerialPort::Data8);
        QCOMPARE(worker.port()->stopBits(), QSerialPort::OneStop);
        QCOMPARE(int(worker.port()->parity()), parity);
        QCOMPARE(worker.port()->flowControl(), QSerialPort::NoFlowControl);
    }
    if (error.isEmpty()) {
        QCOMPARE(errors.count(), 0);
    } else {
        QVERIFY(errors.count() >= 1);
        const QString text = errors.first().first().toString();
        QVERIFY2(text.startsWith(error) && text.size() > error.size(), qPrintable(text));
    }
}

void tst_SerialWorker::idleCallsEmitNothing()
{
    SerialWorker worker;
    QSignalSpy data(&worker, &SerialWorker::dataReceived);
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    QSignalSpy closed(&worker, &SerialWorker::portClosed);
    worker.writeData("closed");
    worker.handleReadyRead();
    worker.processData();
    worker.closeSerialPort();
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",115200,8,1,N")), 0);
    QVERIFY(openFarEnd());
    // Open, but nothing has come in.
    worker.handleReadyRead();
    worker.processData();
    worker.handleError(QSerialPort::NoError);
    QCoreApplication::processEvents();
    QCOMPARE(readFarEnd(1), QByteArray());
    QCOMPARE(data.count(), 0);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(closed.count(), 0);
}

void tst_SerialWorker::roundTrip()
{
    SerialWorker worker;
    QSignalSpy data(&worker, &SerialWorker::dataReceived);
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",115200,8,1,N")), 0);
    QVERIFY(openFarEnd());

    const QByteArray out = QByteArray("\x01\x02 to the device \xff", 19);
    worker.writeData(out);
    QCOMPARE(readFarEnd(out.size()), out);

    const QByteArray in = QByteArray(3000, '\x5a') + "end";
    QCOMPARE(m_far->write(in), qint64(in.size()));
    QVERIFY(m_far->waitForBytesWritten(waitMs));
    QByteArray got;
    for (int round = 0; round < 100 && got.size() < in.size(); ++round) {
        if (data.isEmpty())
            data.wait(100);
        while (!data.isEmpty())
            got += data.takeFirst().first().toByteArray();
    }
    QCOMPARE(got, in);
    QCOMPARE(errors.count(), 0);
}

void tst_SerialWorker::receiverWritesBack()
{
    SerialWorker worker;
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",115200,8,1,N")), 0);
    QVERIFY(openFarEnd());
    // An echo written from inside the signal: the worker must not hold its mutex while emitting.
    connect(
        &worker, &SerialWorker::dataReceived, &worker,
        [&worker](const QByteArray &data) { worker.writeData("echo:" + data); },
        Qt::DirectConnection);
    QCOMPARE(m_far->write("ping"), qint64(4));
    QVERIFY(m_far->waitForBytesWritten(waitMs));
    // The ping may arrive in pieces, each echoed on its own, and an echo may itself be read in
    // pieces: read on until the echoed pieces add up to the ping.
    const auto payload = [](QByteArray echoes) { return echoes.replace("echo:", ""); };
    QByteArray got;
    // The far end's port may read the echo into its buffer while the worker's events run, so
    // what it holds is taken each round, not only what a wait reports as new.
    for (int round = 0; round < 100 && payload(got) != "ping"; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (m_far->bytesAvailable() == 0)
            m_far->waitForReadyRead(50);
        got += m_far->readAll();
    }
    QVERIFY2(got.startsWith("echo:p"), got.constData());
    QCOMPARE(payload(got), QByteArray("ping"));
    QCOMPARE(errors.count(), 0);
}

void tst_SerialWorker::bytesDuringWrite_data()
{
    QTest::addColumn<bool>("fromReceiver");
    QTest::newRow("write called by the owner") << false;
    QTest::newRow("write called by a receiver of the data") << true;
}

// While a write waits for its bytes to leave, the port reads what has come in. Those bytes are
// reported, and the write neither blocks on the worker's own mutex nor swallows them.
void tst_SerialWorker::bytesDuringWrite()
{
    QFETCH(bool, fromReceiver);
    SerialWorker worker;
    QSignalSpy data(&worker, &SerialWorker::dataReceived);
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",115200,8,1,N")), 0);
    QVERIFY(openFarEnd());
    // Puts bytes in front of the worker, unread, then writes: the write's wait finds them.
    const auto writeOverArrival = [this, &worker](const QByteArray &arriving) {
        m_far->write(arriving);
        m_far->waitForBytesWritten(waitMs);
        pollfd waiting{int(worker.port()->handle()), POLLIN, 0};
        const bool ready = ::poll(&waiting, 1, waitMs) == 1;
        worker.writeData(QByteArray(4000, 'x'));
        return ready;
    };
    bool ready = false;
    bool first = true;
    if (fromReceiver) {
        connect(
            &worker, &SerialWorker::dataReceived, &worker,
            [&](const QByteArray &) {
                if (std::exchange(first, false))
                    ready = writeOverArrival("b");
            },
            Qt::DirectConnection);
        m_far->write("a");
        QVERIFY(m_far->waitForBytesWritten(waitMs));
    } else {
        ready = writeOverArrival("b");
    }
    QByteArray got;
    for (int round = 0; round < 100 && !got.endsWith('b'); ++round) {
        if (data.isEmpty())
            data.wait(100);
        while (!data.isEmpty())
            got += data.takeFirst().first().toByteArray();
    }
    QVERIFY(ready);
    QCOMPARE(got, QByteArray(fromReceiver ? "ab" : "b"));
    QCOMPARE(readFarEnd(4000).size(), 4000);
}

void tst_SerialWorker::closeReportsOnce()
{
    int closedCount = 0;
    QSerialPort other(m_pair->first());
    {
        SerialWorker worker;
        connect(&worker, &SerialWorker::portClosed, this, [&closedCount] { ++closedCount; });
        QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",9600,8,1,N")), 0);
        worker.closeSerialPort();
        QVERIFY(!worker.port()->isOpen());
        worker.closeSerialPort();
        QCOMPARE(closedCount, 1);
        QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",9600,8,1,N")), 0);
        // The worker holds the line for itself while it is open.
        QVERIFY(!other.open(QIODevice::ReadWrite));
    }
    // The destructor released the line, without a signal.
    QCOMPARE(closedCount, 1);
    QVERIFY(other.open(QIODevice::ReadWrite));
}

void tst_SerialWorker::portErrors_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("no error") << int(QSerialPort::NoError) << false << true;
    QTest::newRow("read error with nothing read closes")
        << int(QSerialPort::ReadError) << true << false;
    QTest::newRow("write error") << int(QSerialPort::WriteError) << true << true;
    QTest::newRow("resource error closes") << int(QSerialPort::ResourceError) << true << false;
}

void tst_SerialWorker::portErrors()
{
    QFETCH(int, error);
    QFETCH(bool, reported);
    QFETCH(bool, staysOpen);
    SerialWorker worker;
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    QSignalSpy closed(&worker, &SerialWorker::portClosed);
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",9600,8,1,N")), 0);
    worker.handleError(QSerialPort::SerialPortError(error));
    QCOMPARE(errors.count(), reported ? 1 : 0);
    if (reported)
        QVERIFY(errors.first().first().toString().startsWith(QLatin1String("Serial error: ")));
    QCOMPARE(worker.port()->isOpen(), staysOpen);
    // A port lost to an error is no close the owner asked for.
    QCOMPARE(closed.count(), 0);
}

// The far end of the line closing (an adapter pulled) leaves reads that return nothing at every
// turn of the event loop: the worker reports it and closes the port instead of spinning.
void tst_SerialWorker::lineGoneAway()
{
    SerialWorker worker;
    QSignalSpy errors(&worker, &SerialWorker::errorOccurred);
    QSignalSpy data(&worker, &SerialWorker::dataReceived);
    QCOMPARE(worker.openSerialPort(m_pair->first() + QStringLiteral(",115200,8,1,N")), 0);
    m_pair->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!worker.port()->isOpen(), waitMs);
    // What was queued before the close is flushed; nothing more may come.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(errors.count(), 1);
    QVERIFY(errors.first().first().toString().startsWith(QLatin1String("Serial error: ")));
    QCOMPARE(data.count(), 0);
}

QTEST_GUILESS_MAIN(tst_SerialWorker)
#include "tst_serialworker.moc"
