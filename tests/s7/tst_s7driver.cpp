// The LibCorvid module as the program loads it: entry point, all 31 operations, link strings,
// and a polling tick through the interface.
#include "driverloader.h"
#include "s7peerprocess.h"

#include <QtTest>

class TestS7Driver : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answersEveryOperation();
    void namesAndDebugCommands();
    void linkStringsRefusedBeforeAnySocket_data();
    void linkStringsRefusedBeforeAnySocket();
    void tickGivesAnEntryPerRecord();
    void deadControllerThenBack_data();
    void deadControllerThenBack();

private:
    LoadedDriver m_loaded;
};

void TestS7Driver::initTestCase()
{
    m_loaded = loadDriver(QStringLiteral("LibCorvid"));
    QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
}

void TestS7Driver::answersEveryOperation()
{
    CDriveBaseClass *d = m_loaded.driver;
    QCOMPARE(callEverySlot(d), 31);
    // Before any connection there is nothing to close, and reads report the device offline.
    QCOMPARE(d->DisConnectDrive(), 1);
    QCOMPARE(d->DestroyFree(), 1);
    const CLabelVariable v = d->ReadVariable(QStringLiteral("M0"), UInt8);
    QCOMPARE(v.status, int(LabelStatus::DeviceOffline));
    QVERIFY(v.time.isNull());
    // The object answers a cast by the interface's name with its interface part.
    QObject *object = dynamic_cast<QObject *>(d);
    QVERIFY(object);
    QCOMPARE(object->qt_metacast("CDriveBaseClass"), static_cast<void *>(d));
}

void TestS7Driver::namesAndDebugCommands()
{
    CDriveBaseClass *d = m_loaded.driver;
    QCOMPARE(d->getDriveName(), QStringLiteral("Siemens_S7"));
    QCOMPARE(d->getversion_number(), QStringLiteral("V1.8.2 20230221"));
    QCOMPARE(d->DebugCmd(StartDebug), QStringLiteral("StartDebug"));
    QCOMPARE(d->DebugCmd(StopDebug), QStringLiteral("StopDebug"));
    QCOMPARE(d->DebugCmd(DriveName), QStringLiteral("Siemens_S7"));
    QVERIFY(QRegularExpression(QStringLiteral("^v1\\.8\\.2 [A-Z][a-z]{2} [ 0-9]\\d \\d{4} "
                                              "\\d\\d:\\d\\d:\\d\\d$"))
                .match(d->DebugCmd(BuildInfo))
                .hasMatch());
    QVERIFY(d->DebugCmd(EDebugCmdType(4)).isNull());
    QCOMPARE(d->SetConnectPar(QStringLiteral("7")), 7);
    QCOMPARE(d->SetConnectPar(QStringLiteral("x")), 0);
}

void TestS7Driver::linkStringsRefusedBeforeAnySocket_data()
{
    QTest::addColumn<QString>("link");
    QTest::newRow("no port") << "192.168.0.10";
    QTest::newRow("no address") << ":102";
    QTest::newRow("port not a number") << "192.168.0.10:x";
    QTest::newRow("not an IP address") << "abc:102";
    QTest::newRow("address out of range") << "192.168.0.300:102";
}

void TestS7Driver::linkStringsRefusedBeforeAnySocket()
{
    QFETCH(QString, link);
    QCOMPARE(m_loaded.driver->ConnectDrive(link), -1);
}

void TestS7Driver::tickGivesAnEntryPerRecord()
{
    S7PeerProcess peer;
    QVERIFY2(peer.startScripted({"--pdu", "240"}), qPrintable(peer.errorText()));
    auto entry
        = reinterpret_cast<GetSharedLibraryFn>(m_loaded.library->resolve(getSharedLibrarySymbol));
    CDriveBaseClass *d = entry();
    CDriveBaseClass *other = entry(); // a second object with its own connection
    QCOMPARE(d->ConnectDrive(peer.link()), 0);
    QCOMPARE(other->ReadVariable(QStringLiteral("M0"), UInt8).status,
             int(LabelStatus::DeviceOffline));

    QList<Induction::SReadInfo> records;
    for (int i = 0; i < 200; ++i)
        records.append({QStringLiteral("DB1.DBB%1").arg(3 * i), UInt8});
    records.append({QStringLiteral("I0.5"), Bool});
    records.append({QStringLiteral("X5"), Int16});
    d->DebugCmd(StopDebug);
    const auto blocks = d->InductiveDrive_Read(QStringLiteral("1"), records);
    int entries = 0;
    for (const auto &block : blocks) {
        const auto values = d->BlockReading(QStringLiteral("1"), block);
        QCOMPARE(values.size(), block.size());
        entries += values.size();
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            const QString &name = it.key().name;
            if (name == QLatin1String("X5")) {
                QCOMPARE(it->status, int(LabelStatus::AddressOutOfRange));
            } else if (name == QLatin1String("I0.5")) {
                QCOMPARE(it->status, int(LabelStatus::Ok));
                QCOMPARE(it->value.value<QList<bool>>(),
                         QList<bool>{bool(peerPattern(0x81, 0, 0) & 0x20)});
            } else {
                QCOMPARE(it->status, int(LabelStatus::Ok));
                QCOMPARE(it->value.value<QList<unsigned char>>().value(0),
                         peerPattern(0x84, 1, name.mid(7).toInt()));
                QVERIFY(it->time.isValid()); // the time of the reply that carried it
            }
        }
    }
    QCOMPARE(entries, records.size());
    QCOMPARE(d->DestroyFree(), 0);
    QCOMPARE(d->ReadVariable(QStringLiteral("M0"), UInt8).status, int(LabelStatus::DeviceOffline));
    QCOMPARE(d->ConnectDrive(peer.link()), 0); // usable again after release
    QCOMPARE(d->ReadVariable(QStringLiteral("M0"), UInt8).status, int(LabelStatus::Ok));
}

void TestS7Driver::deadControllerThenBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a reply time-out closes the connection") << "late";
    QTest::newRow("the controller stopped and started again") << "restart";
}

void TestS7Driver::deadControllerThenBack()
{
    QFETCH(QString, how);
    S7PeerProcess peer;
    const QStringList late{"--fault", "late", "--late-count", "1", "--delay", "3"};
    QVERIFY2(peer.startScripted(how == "late" ? late : QStringList{}),
             qPrintable(peer.errorText()));
    auto entry
        = reinterpret_cast<GetSharedLibraryFn>(m_loaded.library->resolve(getSharedLibrarySymbol));
    CDriveBaseClass *d = entry();
    QCOMPARE(d->ConnectDrive(peer.link()), 0);
    const QList<Induction::SReadInfo> records{{QStringLiteral("M4"), UInt8},
                                              {QStringLiteral("DB2.DBW6"), Int16}};
    // One tick: the statuses of its entries.
    const auto tick = [&] {
        QList<int> statuses;
        for (const auto &block : d->InductiveDrive_Read(QStringLiteral("1"), records))
            for (const CLabelVariable &v : d->BlockReading(QStringLiteral("1"), block))
                statuses << v.status;
        return statuses;
    };
    const QList<int> good{0, 0};
    if (how == "restart") {
        QCOMPARE(tick(), good);
        const QString port = QString::number(peer.port());
        peer.stop();
        // The connection is found gone; then each tick tries once to connect, refused.
        for (int k = 0; k < 2; ++k) {
            for (int status : tick())
                QVERIFY2(status == 7 || status == 8 || status == 9,
                         qPrintable(QString::number(status)));
        }
        QVERIFY2(peer.startScripted({"--port", port}), qPrintable(peer.errorText()));
    } else {
        // The first read is answered too late.
        for (int status : tick())
            QCOMPARE(status, int(LabelStatus::ResponseTimeout));
    }
    // Back: the next tick connects again by itself, and polling goes on.
    QCOMPARE(tick(), good);
    QCOMPARE(tick(), good);
    const CLabelVariable m4 = d->ReadVariable(QStringLiteral("M4"), UInt8);
    QCOMPARE(m4.value.value<QList<unsigned char>>().value(0), peerPattern(0x83, 0, 4));
    // Released by the stop: no reconnect after it.
    QCOMPARE(d->DestroyFree(), 0);
    for (int status : tick())
        QCOMPARE(status, int(LabelStatus::DeviceOffline));
}

QTEST_GUILESS_MAIN(TestS7Driver)
#include "tst_s7driver.moc"
