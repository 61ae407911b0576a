// The firmware page's rules without a window: the size limits and the block answers of an
// upload (from the image read at its start), the refusal of a start while it runs, the broker
// settings file, the topics and the client id.
#include "brokersettings.h"
#include "firmwareupload.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An image whose byte k is k mod 251, so that every block's content is told apart.
QByteArray imageBytes(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    for (int k = 0; k < bytes.size(); ++k)
        bytes[k] = char(k % 251);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

Q_DECLARE_METATYPE(BrokerSettings::Problem)

class tst_FirmwareLogic : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void sizeLimits_data();
    void sizeLimits();
    void wholeUpload_data();
    void wholeUpload();
    void repeatedRequests();
    void imageTakenAtStart_data();
    void imageTakenAtStart();
    void restartCountsFromZero();
    void stoppedUploadAnswersNothing();
    void secondStartRefused_data();
    void secondStartRefused();
    void brokerSettings_data();
    void brokerSettings();
    void topicsAndDeviceIds_data();
    void topicsAndDeviceIds();
    void clientIdStaysForTheRun();

private:
    QTemporaryDir m_dir;
};

Q_DECLARE_METATYPE(FirmwareImage)
Q_DECLARE_METATYPE(FirmwareChannel)
Q_DECLARE_METATYPE(FirmwareStart::Outcome)

void tst_FirmwareLogic::sizeLimits_data()
{
    QTest::addColumn<FirmwareImage>("image");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<FirmwareStart::Outcome>("outcome");
    using O = FirmwareStart::Outcome;
    QTest::newRow("APP 102,399 too small") << FirmwareImage::App << qint64(102399) << O::TooSmall;
    QTest::newRow("APP 102,400") << FirmwareImage::App << qint64(102400) << O::Started;
    QTest::newRow("APP empty") << FirmwareImage::App << qint64(0) << O::TooSmall;
    QTest::newRow("APP 300,000") << FirmwareImage::App << qint64(300000) << O::Started;
    QTest::newRow("OS 102,401 too large") << FirmwareImage::Os << qint64(102401) << O::TooLarge;
    QTest::newRow("OS 102,400") << FirmwareImage::Os << qint64(102400) << O::Started;
    QTest::newRow("OS empty") << FirmwareImage::Os << qint64(0) << O::Started;
    QTest::newRow("APP no file") << FirmwareImage::App << qint64(-1) << O::CannotOpen;
    QTest::newRow("OS no file") << FirmwareImage::Os << qint64(-1) << O::CannotOpen;
}

void tst_FirmwareLogic::sizeLimits()
{
    QFETCH(FirmwareImage, image);
    QFETCH(qint64, size);
    QFETCH(FirmwareStart::Outcome, outcome);
    const QString path = m_dir.filePath("image.bin");
    QFile::remove(path);
    if (size >= 0)
        QVERIFY(writeFile(path, imageBytes(size)));
    FirmwareUpload upload(image);
    // A counter left by an earlier upload is reset only by a start that passes.
    QVERIFY(writeFile(m_dir.filePath("old.bin"), imageBytes(1000)));
    QCOMPARE(upload.answer(0, m_dir.filePath("old.bin")).outcome, FirmwareBlock::Outcome::Block);
    const FirmwareStart start = upload.start(path, FirmwareChannel::Serial);
    QCOMPARE(start.outcome, outcome);
    QCOMPARE(start.size, size < 0 ? 0 : size);
    QCOMPARE(upload.counter(), outcome == FirmwareStart::Outcome::Started ? 0 : 1);
    if (outcome == FirmwareStart::Outcome::Started)
        QCOMPARE(upload.size(), size);
}

void tst_FirmwareLogic::wholeUpload_data()
{
    QTest::addColumn<FirmwareImage>("image");
    QTest::addColumn<qint64>("size");
    QTest::newRow("APP 102,400: full last block") << FirmwareImage::App << qint64(102400);
    QTest::newRow("APP 102,410: 10-byte block 401") << FirmwareImage::App << qint64(102410);
    QTest::newRow("OS 1,000") << FirmwareImage::Os << qint64(1000);
    QTest::newRow("OS empty: done at once") << FirmwareImage::Os << qint64(0);
}

// Requests 0, 1, ... are answered with blocks 1, 2, ... that together are the image; the first
// request past the end completes.
void tst_FirmwareLogic::wholeUpload()
{
    QFETCH(FirmwareImage, image);
    QFETCH(qint64, size);
    const QString path = m_dir.filePath("image.bin");
    const QByteArray bytes = imageBytes(size);
    QVERIFY(writeFile(path, bytes));
    FirmwareUpload upload(image);
    QCOMPARE(upload.start(path, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);

    const int blocks = int((size + 255) / 256);
    QByteArray received;
    for (int i = 0; i < blocks; ++i) {
        const FirmwareBlock block = upload.answer(i, path);
        QCOMPARE(block.outcome, FirmwareBlock::Outcome::Block);
        QCOMPARE(int(block.number), i + 1);
        QCOMPARE(block.offset, qint64(i) * 256);
        QCOMPARE(block.data.size(), int(qMin<qint64>(256, size - i * 256)));
        received += block.data;
        QCOMPARE(block.progress, qint64(received.size()));
        QCOMPARE(block.size, size);
        QCOMPARE(upload.counter(), i + 1);
    }
    QCOMPARE(received, bytes);
    const FirmwareBlock done = upload.answer(blocks, path);
    QCOMPARE(done.outcome, FirmwareBlock::Outcome::Complete);
    QVERIFY(done.data.isEmpty());
    QCOMPARE(upload.counter(), blocks);
}

// A request for the block just sent is refused without sending it again; a request ahead is
// refused as well; completion can be asked for again.
void tst_FirmwareLogic::repeatedRequests()
{
    const QString path = m_dir.filePath("image.bin");
    QVERIFY(writeFile(path, imageBytes(102400)));
    FirmwareUpload upload(FirmwareImage::App);
    QCOMPARE(upload.start(path, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);
    QCOMPARE(upload.answer(0, path).outcome, FirmwareBlock::Outcome::Block);
    QCOMPARE(upload.answer(0, path).outcome, FirmwareBlock::Outcome::NotContiguous);
    QCOMPARE(upload.answer(2, path).outcome, FirmwareBlock::Outcome::NotContiguous);
    QCOMPARE(upload.counter(), 1);
    for (int i = 1; i < 400; ++i)
        QCOMPARE(upload.answer(i, path).outcome, FirmwareBlock::Outcome::Block);
    QCOMPARE(upload.answer(400, path).outcome, FirmwareBlock::Outcome::Complete);
    QCOMPARE(upload.answer(400, path).outcome, FirmwareBlock::Outcome::Complete);
    QCOMPARE(upload.answer(399, path).outcome, FirmwareBlock::Outcome::NotContiguous);
    QCOMPARE(upload.counter(), 400);
}

void tst_FirmwareLogic::imageTakenAtStart_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("path names another file") << "other path";
    QTest::newRow("file rewritten on disk") << "rewritten";
    QTest::newRow("file removed") << "removed";
    QTest::newRow("file cut short") << "truncated";
}

// Every block comes from the bytes read at the start, whatever becomes of the path or the file
// after it: the controller gets exactly the image that was there when the upload began.
void tst_FirmwareLogic::imageTakenAtStart()
{
    QFETCH(QString, change);
    const QString first = m_dir.filePath("first.bin");
    const QString second = m_dir.filePath("second.bin");
    const QByteArray image = imageBytes(102400);
    QVERIFY(writeFile(first, image));
    QVERIFY(writeFile(second, QByteArray(102400, 'b')));
    FirmwareUpload upload(FirmwareImage::App);
    QCOMPARE(upload.start(first, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);
    QByteArray sent = upload.answer(0, first).data;

    QString path = first;
    if (change == QLatin1String("other path"))
        path = second;
    else if (change == QLatin1String("rewritten"))
        QVERIFY(writeFile(first, QByteArray(102400, 'b')));
    else if (change == QLatin1String("removed"))
        QVERIFY(QFile::remove(first));
    else
        QVERIFY(writeFile(first, QByteArray(100, 'b')));

    for (int i = 1; i < 400; ++i) {
        const FirmwareBlock block = upload.answer(i, path);
        QCOMPARE(block.outcome, FirmwareBlock::Outcome::Block);
        QCOMPARE(block.size, qint64(102400));
        sent += block.data;
    }
    QCOMPARE(upload.answer(400, path).outcome, FirmwareBlock::Outcome::Complete);
    QCOMPARE(sent, image);
    QCOMPARE(upload.path(), first);
}

// A new start rewinds; a request at counter 0 before any start is answered from the path given.
void tst_FirmwareLogic::restartCountsFromZero()
{
    const QString path = m_dir.filePath("image.bin");
    const QByteArray bytes = imageBytes(102400);
    QVERIFY(writeFile(path, bytes));
    FirmwareUpload upload(FirmwareImage::Os);
    const FirmwareBlock unasked = upload.answer(0, path);
    QCOMPARE(unasked.number, quint16(1));
    QCOMPARE(unasked.data, bytes.left(256));
    QCOMPARE(upload.answer(1, path).number, quint16(2));
    QCOMPARE(upload.start(path, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);
    QCOMPARE(upload.answer(1, path).outcome, FirmwareBlock::Outcome::NotContiguous);
    QCOMPARE(upload.answer(0, path).number, quint16(1));
}

// An upload that ended unfinished sends nothing more, even for the request it stopped at, until
// a new start; a completed one still completes on a repeated request.
void tst_FirmwareLogic::stoppedUploadAnswersNothing()
{
    const QString path = m_dir.filePath("image.bin");
    const QByteArray bytes = imageBytes(102400);
    QVERIFY(writeFile(path, bytes));
    FirmwareUpload upload(FirmwareImage::App);
    QCOMPARE(upload.start(path, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);
    QCOMPARE(upload.answer(0, path).outcome, FirmwareBlock::Outcome::Block);
    upload.stop();
    QVERIFY(!upload.isRunning());
    QCOMPARE(upload.answer(1, path).outcome, FirmwareBlock::Outcome::Ended);
    QCOMPARE(upload.counter(), 1);
    QCOMPARE(upload.sentBytes(), qint64(256));

    QCOMPARE(upload.start(path, FirmwareChannel::Serial).outcome, FirmwareStart::Outcome::Started);
    for (int i = 0; i < 400; ++i)
        QCOMPARE(upload.answer(i, path).outcome, FirmwareBlock::Outcome::Block);
    QCOMPARE(upload.answer(400, path).outcome, FirmwareBlock::Outcome::Complete);
    upload.stop();
    QCOMPARE(upload.answer(400, path).outcome, FirmwareBlock::Outcome::Complete);
}

void tst_FirmwareLogic::secondStartRefused_data()
{
    QTest::addColumn<FirmwareImage>("image");
    QTest::addColumn<FirmwareChannel>("first");
    QTest::addColumn<FirmwareChannel>("second");
    using C = FirmwareChannel;
    QTest::newRow("APP on MQTT, again on MQTT") << FirmwareImage::App << C::Mqtt << C::Mqtt;
    QTest::newRow("APP on MQTT, again on serial") << FirmwareImage::App << C::Mqtt << C::Serial;
    QTest::newRow("OS on serial, again on MQTT") << FirmwareImage::Os << C::Serial << C::Mqtt;
}

// A start while the upload runs is refused and changes nothing: the blocks go on from the first
// start's image, on its channel, to the end; once it has ended, completed or stopped, a start
// is taken again.
void tst_FirmwareLogic::secondStartRefused()
{
    QFETCH(FirmwareImage, image);
    QFETCH(FirmwareChannel, first);
    QFETCH(FirmwareChannel, second);
    const QString path = m_dir.filePath("image.bin");
    const QString other = m_dir.filePath("other.bin");
    const QByteArray bytes = imageBytes(102400);
    QVERIFY(writeFile(path, bytes));
    QVERIFY(writeFile(other, QByteArray(102400, 'b')));
    FirmwareUpload upload(image);
    QCOMPARE(upload.start(path, first).outcome, FirmwareStart::Outcome::Started);
    QByteArray sent;
    for (int i = 0; i < 100; ++i)
        sent += upload.answer(i, path).data;

    const FirmwareStart refused = upload.start(other, second);
    QCOMPARE(refused.outcome, FirmwareStart::Outcome::Running);
    QVERIFY(upload.isRunning());
    QCOMPARE(upload.channel(), first);
    QCOMPARE(upload.counter(), 100);
    QCOMPARE(upload.sentBytes(), qint64(100 * 256));
    QCOMPARE(upload.path(), path);
    // The controller's next request is still the one after block 100.
    QCOMPARE(upload.answer(0, other).outcome, FirmwareBlock::Outcome::NotContiguous);
    for (int i = 100; i < 400; ++i)
        sent += upload.answer(i, other).data;
    QCOMPARE(upload.answer(400, other).outcome, FirmwareBlock::Outcome::Complete);
    QCOMPARE(sent, bytes);
    QVERIFY(!upload.isRunning());

    QCOMPARE(upload.start(other, second).outcome, FirmwareStart::Outcome::Started);
    QCOMPARE(upload.channel(), second);
    QCOMPARE(upload.counter(), 0);
    QCOMPARE(upload.start(path, first).outcome, FirmwareStart::Outcome::Running);
    upload.stop();
    QCOMPARE(upload.start(path, first).outcome, FirmwareStart::Outcome::Started);
    QCOMPARE(upload.channel(), first);
}

void tst_FirmwareLogic::brokerSettings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("keepAlive");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("password");
    // What keeps the page from connecting, and the key it names.
    QTest::addColumn<BrokerSettings::Problem>("problem");
    QTest::addColumn<QString>("key");
    using P = BrokerSettings::Problem;
    const QString none;
    QTest::newRow("all five") << QByteArray("[mqtt]\nhostname=broker.local\nport=1884\n"
                                            "keepalive=30\nusrname=ota\npasswd=s3cret\n")
                              << "broker.local" << 1884 << 30 << "ota" << QByteArray("s3cret")
                              << P::None << none;
    QTest::newRow("host and port only")
        << QByteArray("[mqtt]\nhostname=127.0.0.1\nport=1883\n") << "127.0.0.1" << 1883 << 0 << none
        << QByteArray() << P::None << none;
    QTest::newRow("no file") << QByteArray() << none << 0 << 0 << none << QByteArray() << P::NoFile
                             << "mqtt/hostname";
    QTest::newRow("only a host") << QByteArray("[mqtt]\nhostname=127.0.0.1\n") << "127.0.0.1" << 0
                                 << 0 << none << QByteArray() << P::MissingKey << "mqtt/port";
    QTest::newRow("other group") << QByteArray("[broker]\nhostname=x\nport=1\n") << none << 0 << 0
                                 << none << QByteArray() << P::MissingKey << "mqtt/hostname";
    QTest::newRow("port beyond 16 bits")
        << QByteArray("[mqtt]\nhostname=h\nport=67419\n") << "h" << 0 << 0 << none << QByteArray()
        << P::BadValue << "mqtt/port";
    QTest::newRow("port not a number") << QByteArray("[mqtt]\nhostname=h\nport=abc\n") << "h" << 0
                                       << 0 << none << QByteArray() << P::BadValue << "mqtt/port";
    QTest::newRow("keep-alive not a number")
        << QByteArray("[mqtt]\nhostname=h\nport=1883\nkeepalive=\n") << "h" << 1883 << 0 << none
        << QByteArray() << P::BadValue << "mqtt/keepalive";
}

void tst_FirmwareLogic::brokerSettings()
{
    QFETCH(QByteArray, ini);
    const QString path = m_dir.filePath("config.ini");
    QFile::remove(path);
    if (!ini.isEmpty())
        QVERIFY(writeFile(path, ini));
    const BrokerSettings settings = BrokerSettings::read(path);
    QTEST(settings.hostName, "host");
    QTEST(int(settings.port), "port");
    QTEST(int(settings.keepAliveSeconds), "keepAlive");
    QTEST(settings.userName, "user");
    QTEST(settings.password, "password");
    QTEST(settings.problem, "problem");
    QTEST(settings.key, "key");
    // Reading never writes the file.
    QCOMPARE(QFile::exists(path), !ini.isEmpty());
}

void tst_FirmwareLogic::topicsAndDeviceIds_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("usable");
    QTest::newRow("plain") << "dev1" << true;
    QTest::newRow("digits and dashes") << "8612-3456" << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("single-level wildcard") << "+" << false;
    QTest::newRow("multi-level wildcard") << "dev#" << false;
    QTest::newRow("a level") << "dev1/x" << false;
}

void tst_FirmwareLogic::topicsAndDeviceIds()
{
    QFETCH(QString, id);
    QTEST(isUsableDeviceId(id), "usable");
    QCOMPARE(otaUpTopic(id), "kxota/up/v1/" + id);
    QCOMPARE(otaDownTopic(id), "kxota/down/v1/" + id);
}

// The id is drawn from a generator seeded with the milliseconds of the first connect's time,
// so later connects of the run present it again.
void tst_FirmwareLogic::clientIdStaysForTheRun()
{
    OtaClientId rule;
    const QString first = rule.next(QTime(10, 0, 0, 123));
    QVERIFY2(QRegularExpression("^OTAClient[0-9]+$").match(first).hasMatch(), qPrintable(first));
    QVERIFY(first.size() <= 23); // the longest id every MQTT 3.1 broker accepts
    QCOMPARE(rule.next(QTime(11, 30, 0, 999)), first);
    QCOMPARE(OtaClientId().next(QTime(9, 0, 0, 123)), first);
    QVERIFY(OtaClientId().next(QTime(10, 0, 0, 124)) != first);
}

QTEST_GUILESS_MAIN(tst_FirmwareLogic)

#include "tst_firmwarelogic.moc"
