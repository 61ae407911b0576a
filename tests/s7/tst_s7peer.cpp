// LibCorvid against the scripted peer: the granted PDU, late, split, stale and missing replies,
// refused set-ups. The refusals every driver shares are tst_s7contract's.
#include "libcorvid.h"
#include "s7peerprocess.h"
#include "s7values.h"

#include <QtTest>

namespace {

constexpr int db1 = 0x84;

QStringList jobLines(const QStringList &lines)
{
    QStringList jobs;
    for (const QString &line : lines)
        if (line.startsWith(QLatin1String("REQ ")) || line.startsWith(QLatin1String("REFUSED")))
            jobs << line;
    return jobs;
}

// Starts the scripted peer with args and connects driver to it; empty when both worked.
QString startAndConnect(S7PeerProcess &peer, LibCorvid &driver, const QStringList &args)
{
    if (!peer.startScripted(args))
        return QStringLiteral("peer did not start: ") + peer.errorText();
    const int rc = driver.ConnectDrive(peer.link());
    return rc == 0 ? QString() : QStringLiteral("ConnectDrive gave %1").arg(rc);
}

quint8 firstByte(const CLabelVariable &v)
{
    return v.value.value<QList<unsigned char>>().value(0);
}

} // namespace

class TestS7Peer : public QObject
{
    Q_OBJECT
private slots:
    void grantedPduSlicesReadsAndWrites_data();
    void grantedPduSlicesReadsAndWrites();
    void groupingFollowsTheGrantedPdu();
    void lateReplyNeverAnswersAnotherRequest();
    void staleAndSplitRepliesGiveTheirOwnData_data();
    void staleAndSplitRepliesGiveTheirOwnData();
    void silentPeerCostsOneTimeoutPerTick();
    void refusedHandshakeFailsTheConnect_data();
    void refusedHandshakeFailsTheConnect();
};

void TestS7Peer::grantedPduSlicesReadsAndWrites_data()
{
    QTest::addColumn<int>("pdu");
    QTest::addColumn<int>("readJobs");  // 400 bytes in pieces of PDU - 18
    QTest::addColumn<int>("writeJobs"); // 300 bytes in pieces of PDU - 28
    QTest::newRow("240") << 240 << 2 << 2;
    QTest::newRow("480") << 480 << 1 << 1;
}

void TestS7Peer::grantedPduSlicesReadsAndWrites()
{
    QFETCH(int, pdu);
    QFETCH(int, readJobs);
    QFETCH(int, writeJobs);
    S7PeerProcess peer;
    LibCorvid driver;
    const QString failed = startAndConnect(peer, driver, {"--pdu", QString::number(pdu)});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QCOMPARE(driver.transport().pduLength(), pdu);

    const CLabelVariable r = driver.ReadVariable(QStringLiteral("DB1.DBB100"), UInt8, 400);
    QCOMPARE(r.status, int(LabelStatus::Ok));
    const QList<unsigned char> bytes = r.value.value<QList<unsigned char>>();
    QCOMPARE(bytes.size(), 400);
    for (int i = 0; i < 400; ++i)
        QCOMPARE(bytes.at(i), peerPattern(db1, 1, 100 + i));
    QStringList jobs = jobLines(peer.takeLines(readJobs));
    QCOMPARE(jobs.size(), readJobs);
    QVERIFY(jobs.filter(QStringLiteral("REFUSED")).isEmpty());

    QList<unsigned char> written;
    for (int i = 0; i < 300; ++i)
        written.append(static_cast<unsigned char>(255 - i));
    QCOMPARE(driver.WriteVariable(QStringLiteral("MB1000"), UInt8, valueOf(written), 300).status,
             int(LabelStatus::Ok));
    jobs = jobLines(peer.takeLines(writeJobs));
    QCOMPARE(jobs.filter(QStringLiteral("REQ write")).size(), writeJobs);
    QVERIFY(jobs.filter(QStringLiteral("REFUSED")).isEmpty());
    QCOMPARE(driver.ReadVariable(QStringLiteral("MB1000"), UInt8, 300)
                 .value.value<QList<unsigned char>>(),
             written);
}

void TestS7Peer::groupingFollowsTheGrantedPdu()
{
    // The same list on every tick; a controller granting a smaller PDU must be grouped anew.
    QList<Induction::SReadInfo> records;
    for (int i = 0; i < 200; ++i)
        records.append({QStringLiteral("DB1.DBW%1").arg(2 * i), Int16});
    LibCorvid driver;
    S7PeerProcess large;
    QString failed = startAndConnect(large, driver, {"--pdu", "480"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto blocks480 = driver.InductiveDrive_Read(QStringLiteral("1"), records);
    QCOMPARE(driver.InductiveDrive_Read(QStringLiteral("1"), records), blocks480);
    S7PeerProcess small;
    failed = startAndConnect(small, driver, {"--pdu", "240"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto blocks240 = driver.InductiveDrive_Read(QStringLiteral("1"), records);
    QCOMPARE(blocks240.size(), 2); // 400 bytes in pieces of 222
    QCOMPARE(blocks480.size(), 1);
    for (const auto &block : blocks240)
        for (const CLabelVariable &v : driver.BlockReading(QStringLiteral("1"), block))
            QCOMPARE(v.status, int(LabelStatus::Ok));
    QVERIFY(small.takeLines(2).filter(QStringLiteral("REFUSED")).isEmpty());
}

void TestS7Peer::lateReplyNeverAnswersAnotherRequest()
{
    S7PeerProcess peer;
    LibCorvid driver;
    const QString failed = startAndConnect(peer, driver, {"--fault", "late", "--delay", "2.5"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const CLabelVariable late = driver.ReadVariable(QStringLiteral("DB1.DBB0"), UInt8);
    QCOMPARE(late.status, int(LabelStatus::ResponseTimeout));
    QVERIFY(late.time.isNull());
    // The rest of the tick fails at once instead of waiting for a reply each.
    QCOMPARE(driver.ReadVariable(QStringLiteral("DB1.DBB10"), UInt8).status,
             int(LabelStatus::DeviceOffline));
    // The next start connects again; the late reply to DBB0 must not pass for DBB10.
    QCOMPARE(driver.ConnectDrive(peer.link()), 0);
    for (int offset : {10, 20, 30}) {
        const CLabelVariable v
            = driver.ReadVariable(QStringLiteral("DB1.DBB%1").arg(offset), UInt8);
        QCOMPARE(v.status, int(LabelStatus::Ok));
        QCOMPARE(firstByte(v), peerPattern(db1, 1, offset));
    }
}

void TestS7Peer::staleAndSplitRepliesGiveTheirOwnData_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("stale reply before each") << "stale";
    QTest::newRow("reply in three segments") << "split";
}

void TestS7Peer::staleAndSplitRepliesGiveTheirOwnData()
{
    QFETCH(QString, fault);
    S7PeerProcess peer;
    LibCorvid driver;
    const QString failed = startAndConnect(peer, driver, {"--fault", fault});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    for (int offset : {0, 1, 2, 50, 51}) {
        const CLabelVariable v
            = driver.ReadVariable(QStringLiteral("DB2.DBW%1").arg(offset), UInt16);
        QCOMPARE(v.status, int(LabelStatus::Ok));
        const int expected = peerPattern(db1, 2, offset) << 8 | peerPattern(db1, 2, offset + 1);
        QCOMPARE(int(v.value.value<QList<unsigned short>>().value(0)), expected);
    }
    QCOMPARE(
        driver.WriteVariable(QStringLiteral("DB3.DBD8"), Int32, valueOf(QList<int>{-12345})).status,
        int(LabelStatus::Ok));
    QCOMPARE(driver.ReadVariable(QStringLiteral("DB3.DBD8"), Int32).value.value<QList<int>>(),
             QList<int>{-12345});
    // A grouped tick over several items and jobs as well.
    QList<Induction::SReadInfo> records;
    for (int i = 0; i < 60; ++i)
        records.append({QStringLiteral("M%1").arg(20 * i), UInt8});
    int entries = 0;
    for (const auto &block : driver.InductiveDrive_Read(QStringLiteral("1"), records)) {
        const auto values = driver.BlockReading(QStringLiteral("1"), block);
        for (auto it = values.cbegin(); it != values.cend(); ++it, ++entries) {
            QCOMPARE(it->status, int(LabelStatus::Ok));
            QCOMPARE(firstByte(*it), peerPattern(0x83, 0, it.key().name.mid(1).toInt()));
        }
    }
    QCOMPARE(entries, records.size());
}

void TestS7Peer::silentPeerCostsOneTimeoutPerTick()
{
    S7PeerProcess peer;
    LibCorvid driver;
    const QString failed = startAndConnect(peer, driver, {"--fault", "silent"});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    // Items far apart in three areas: several jobs, so several requests if nothing stopped them.
    QList<Induction::SReadInfo> records;
    for (int i = 0; i < 50; ++i)
        records.append({QStringLiteral("%1W%2").arg(i % 2 ? 'M' : 'Q').arg(40 * i), Int16});
    const auto blocks = driver.InductiveDrive_Read(QStringLiteral("1"), records);
    QVERIFY(blocks.size() >= 3);
    QList<int> statuses;
    for (const auto &block : blocks)
        for (const CLabelVariable &v : driver.BlockReading(QStringLiteral("1"), block))
            statuses.append(v.status);
    QCOMPARE(statuses.size(), records.size());
    QCOMPARE(statuses.count(int(LabelStatus::ResponseTimeout)), blocks.first().size());
    QCOMPARE(statuses.count(int(LabelStatus::DeviceOffline)),
             records.size() - blocks.first().size());
    QCOMPARE(jobLines(peer.takeLines(1)).size(), 1);
    QCOMPARE(jobLines(peer.takeLines(0, 200)).size(), 0);
}

void TestS7Peer::refusedHandshakeFailsTheConnect_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("connection request refused") << "refuse-cotp";
    QTest::newRow("set-up refused") << "refuse-setup";
}

void TestS7Peer::refusedHandshakeFailsTheConnect()
{
    QFETCH(QString, fault);
    S7PeerProcess peer;
    QVERIFY2(peer.startScripted({"--fault", fault}), qPrintable(peer.errorText()));
    LibCorvid driver;
    QCOMPARE(driver.ConnectDrive(peer.link()), -2);
    QCOMPARE(driver.ReadVariable(QStringLiteral("M0"), UInt8).status,
             int(LabelStatus::DeviceOffline));
}

QTEST_GUILESS_MAIN(TestS7Peer)
#include "tst_s7peer.moc"
