// The LibCorvid module as the program loads it: its names and debug commands, and a polling
// tick through the interface. What every driver does through the loaded module is
// tst_s7contract's.
#include "driverloader.h"
#include "s7peerprocess.h"

#include <QtTest>

class TestS7Driver : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void namesAndDebugCommands();
    void tickGivesAnEntryPerRecord();

private:
    LoadedDriver m_loaded;
};

void TestS7Driver::initTestCase()
{
    m_loaded = loadDriver(QStringLiteral("LibCorvid"));
    QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
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

QTEST_GUILESS_MAIN(TestS7Driver)
#include "tst_s7driver.moc"
