// S7 frames byte for byte, reply checks, and the slicing and grouping of reads by the PDU.
#include "s7induction.h"
#include "s7protocol.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text); // blanks between the bytes are skipped
}

constexpr quint16 ref = 0xABCD;

// An acknowledgement with data around the given parameter and data bytes.
QByteArray ackData(quint16 reference, const QByteArray &params, const QByteArray &data,
                   quint16 error = 0)
{
    QByteArray s7 = hex("32 03 00 00");
    s7.append(char(reference >> 8)).append(char(reference & 0xFF));
    s7.append(char(params.size() >> 8)).append(char(params.size() & 0xFF));
    s7.append(char(data.size() >> 8)).append(char(data.size() & 0xFF));
    s7.append(char(error >> 8)).append(char(error & 0xFF));
    s7 += params + data;
    const int length = s7.size() + 7;
    return QByteArray("\x03\x00", 2) + char(length >> 8) + char(length & 0xFF) + hex("02 F0 80")
           + s7;
}

} // namespace

class TestS7Protocol : public QObject
{
    Q_OBJECT
private slots:
    void requestFrames_data();
    void requestFrames();
    void largeWriteLengths();
    void readReply_data();
    void readReply();
    void multiItemReplyWithPadding();
    void setupReply_data();
    void setupReply();
    void writeReply_data();
    void writeReply();
    void tpktLength_data();
    void tpktLength();
    void sliceByPdu();
    void planKeepsEveryJobWithinThePdu_data();
    void planKeepsEveryJobWithinThePdu();
    void planMergesNeighboursAndSetsAsideBadRecords();
};

void TestS7Protocol::requestFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("COTP connection request")
        << S7::cotpConnectionRequest()
        << hex("03 00 00 16 11 E0 00 00 00 01 00 C0 01 0A C1 02 10 00 C2 02 03 00");
    QTest::newRow("setup communication")
        << S7::setupCommunicationRequest()
        << hex("03 00 00 19 02 F0 80 32 01 00 00 CC C1 00 08 00 00 F0 00 00 01 00 01 03 C0");
    QTest::newRow("read DB5 byte 10, 2 bytes")
        << S7::readRequest(ref, {{0x84, 5, 10, 2}})
        << hex("03 00 00 1F 02 F0 80 32 01 00 00 AB CD 00 0E 00 00 04 01 12 0A 10 02 00 02"
               " 00 05 84 00 00 50");
    QTest::newRow("V memory names DB1")
        << S7::readRequest(ref, {{0x84, 0, 100, 4}})
        << hex("03 00 00 1F 02 F0 80 32 01 00 00 AB CD 00 0E 00 00 04 01 12 0A 10 02 00 04"
               " 00 01 84 00 03 20");
    QTest::newRow("flags carry no block")
        << S7::readRequest(ref, {{0x83, 7, 100, 4}})
        << hex("03 00 00 1F 02 F0 80 32 01 00 00 AB CD 00 0E 00 00 04 01 12 0A 10 02 00 04"
               " 00 00 83 00 03 20");
    QTest::newRow("two read items")
        << S7::readRequest(ref, {{0x81, 0, 0, 1}, {0x82, 0, 2, 2}})
        << hex("03 00 00 2B 02 F0 80 32 01 00 00 AB CD 00 1A 00 00 04 02"
               " 12 0A 10 02 00 01 00 00 81 00 00 00 12 0A 10 02 00 02 00 00 82 00 00 10");
    QTest::newRow("write 12 34 to DB1 byte 10")
        << S7::writeRequest(ref, 0x84, 1, 80, hex("12 34"))
        << hex("03 00 00 25 02 F0 80 32 01 00 00 AB CD 00 0E 00 06 05 01 12 0A 10 02 00 02"
               " 00 01 84 00 00 50 00 04 00 10 12 34");
    QTest::newRow("bit write M10.3 true")
        << S7::writeBitRequest(ref, 0x83, 0, 83, true)
        << hex("03 00 00 24 02 F0 80 32 01 00 00 AB CD 00 0E 00 05 05 01 12 0A 10 01 00 01"
               " 00 00 83 00 00 53 00 03 00 01 01");
}

void TestS7Protocol::requestFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestS7Protocol::largeWriteLengths()
{
    const QByteArray frame = S7::writeRequest(ref, 0x84, 1, 0, QByteArray(300, '\x5A'));
    QCOMPARE(frame.size(), 335);
    QCOMPARE(frame.mid(2, 2), hex("01 4F"));  // TPKT length 335
    QCOMPARE(frame.mid(15, 2), hex("01 30")); // data length 304
    QCOMPARE(frame.mid(33, 2), hex("09 60")); // 2400 bits
    QCOMPARE(frame.mid(35), QByteArray(300, '\x5A'));
}

void TestS7Protocol::readReply_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("returnCode");
    QTest::addColumn<QByteArray>("data");
    const QByteArray params = hex("04 01");
    QTest::newRow("good") << ackData(ref, params, hex("FF 04 00 10 12 34"))
                          << int(S7::ReplyError::None) << 0xFF << hex("12 34");
    QTest::newRow("another request's reference")
        << ackData(0x1234, params, hex("FF 04 00 10 12 34")) << int(S7::ReplyError::WrongReference)
        << 0 << QByteArray();
    QTest::newRow("a job, not an acknowledgement")
        << QByteArray(ackData(ref, params, hex("FF 04 00 10 12 34"))).replace(8, 1, "\x01")
        << int(S7::ReplyError::NotAckData) << 0 << QByteArray();
    QTest::newRow("one byte short") << ackData(ref, params, hex("FF 04 00 10 12"))
                                    << int(S7::ReplyError::Malformed) << 0 << QByteArray();
    QTest::newRow("one byte long") << ackData(ref, params, hex("FF 04 00 10 12 34 56"))
                                   << int(S7::ReplyError::Malformed) << 0 << QByteArray();
    QTest::newRow("TPKT length disagrees")
        << QByteArray(ackData(ref, params, hex("FF 04 00 10 12 34"))).append('\0')
        << int(S7::ReplyError::NotTpkt) << 0 << QByteArray();
    // Refused items carry no data, even where their length field is not 0.
    QTest::newRow("address out of range") << ackData(ref, params, hex("05 00 00 04"))
                                          << int(S7::ReplyError::None) << 0x05 << QByteArray();
    QTest::newRow("header error") << ackData(ref, QByteArray(), QByteArray(), 0x8500)
                                  << int(S7::ReplyError::HeaderError) << 0 << QByteArray();
    QTest::newRow("reply to a write") << ackData(ref, hex("05 01"), hex("FF"))
                                      << int(S7::ReplyError::WrongFunction) << 0 << QByteArray();
}

void TestS7Protocol::readReply()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, error);
    QFETCH(int, returnCode);
    QFETCH(QByteArray, data);
    const S7::Reply reply = S7::parseReadReply(frame, ref, {{0x84, 5, 10, 2}});
    QCOMPARE(int(reply.error), error);
    if (reply.error == S7::ReplyError::None) {
        QCOMPARE(reply.items.size(), 1);
        QCOMPARE(int(reply.items.first().returnCode), returnCode);
        QCOMPARE(reply.items.first().data, data);
    }
}

void TestS7Protocol::multiItemReplyWithPadding()
{
    const QList<S7::ReadItem> items{{0x83, 0, 0, 1}, {0x84, 9, 0, 2}, {0x82, 0, 0, 3}};
    // The odd first item is padded, the refused second has no data, the last is not padded.
    const QByteArray frame
        = ackData(ref, hex("04 03"), hex("FF 04 00 08 AA 00  0A 00 00 00  FF 04 00 18 01 02 03"));
    const S7::Reply reply = S7::parseReadReply(frame, ref, items);
    QCOMPARE(int(reply.error), int(S7::ReplyError::None));
    QCOMPARE(reply.items.size(), 3);
    QCOMPARE(reply.items.at(0).data, hex("AA"));
    QCOMPARE(int(reply.items.at(1).returnCode), 0x0A);
    QCOMPARE(reply.items.at(2).data, hex("01 02 03"));
    // The sizing counts the refused item with the 2 bytes it asked for.
    QCOMPARE(S7::readReplyBytes(items), frame.size() - 7 + 2);
}

void TestS7Protocol::setupReply_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("pdu");
    QTest::newRow("grants 240") << ackData(0xCCC1, hex("F0 00 00 01 00 01 00 F0"), {})
                                << int(S7::ReplyError::None) << 240;
    QTest::newRow("more than asked is held to 960")
        << ackData(0xCCC1, hex("F0 00 00 01 00 01 07 80"), {}) << int(S7::ReplyError::None) << 960;
    QTest::newRow("refused") << ackData(0xCCC1, {}, {}, 0x8104) << int(S7::ReplyError::HeaderError)
                             << 0;
    QTest::newRow("too small to use") << ackData(0xCCC1, hex("F0 00 00 01 00 01 00 10"), {})
                                      << int(S7::ReplyError::Malformed) << 16;
}

void TestS7Protocol::setupReply()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, error);
    QFETCH(int, pdu);
    const S7::Reply reply = S7::parseSetupReply(frame);
    QCOMPARE(int(reply.error), error);
    QCOMPARE(reply.grantedPdu, pdu);
}

void TestS7Protocol::writeReply_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("returnCode");
    QTest::newRow("accepted") << ackData(ref, hex("05 01"), hex("FF")) << int(S7::ReplyError::None)
                              << 0xFF;
    QTest::newRow("no such object")
        << ackData(ref, hex("05 01"), hex("0A")) << int(S7::ReplyError::None) << 0x0A;
    QTest::newRow("late reply of another write")
        << ackData(0x0101, hex("05 01"), hex("FF")) << int(S7::ReplyError::WrongReference) << 0;
}

void TestS7Protocol::writeReply()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, error);
    QFETCH(int, returnCode);
    const S7::Reply reply = S7::parseWriteReply(frame, ref);
    QCOMPARE(int(reply.error), error);
    if (reply.error == S7::ReplyError::None)
        QCOMPARE(int(reply.items.first().returnCode), returnCode);
}

void TestS7Protocol::tpktLength_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("length");
    QTest::newRow("header incomplete") << hex("03 00 00") << 0;
    QTest::newRow("length known before the body") << hex("03 00 00 1F 02") << 31;
    QTest::newRow("not TPKT") << hex("45 00 00 1F") << -1;
    QTest::newRow("shorter than its header") << hex("03 00 00 03") << -1;
}

void TestS7Protocol::tpktLength()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, length);
    QCOMPARE(S7::tpktFrameLength(buffer), length);
}

void TestS7Protocol::sliceByPdu()
{
    QCOMPARE(S7::maxReadBytes(240), 222);
    QCOMPARE(S7::maxWriteBytes(240), 212);
    const QList<S7::ReadItem> pieces = S7::sliceRange({0x84, 1, 100, 400}, S7::maxReadBytes(240));
    QCOMPARE(pieces.size(), 2);
    QCOMPARE(pieces.at(0).byteAddress, 100);
    QCOMPARE(pieces.at(0).byteCount, 222);
    QCOMPARE(pieces.at(1).byteAddress, 322);
    QCOMPARE(pieces.at(1).byteCount, 178);
    QCOMPARE(S7::maxReadItems(240), 19); // 12 + 12 × 19 = 240
    QCOMPARE(S7::maxReadItems(480), 20);
}

void TestS7Protocol::planKeepsEveryJobWithinThePdu_data()
{
    QTest::addColumn<int>("pdu");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("jobs");
    // 300 Int32 labels: dense (1200 bytes) or 40 bytes apart (one item each).
    QTest::newRow("dense at 240") << 240 << 4 << 6;     // 1200 / 222 rounded up
    QTest::newRow("dense at 480") << 480 << 4 << 3;     // 1200 / 462 rounded up
    QTest::newRow("dense at odd 241") << 241 << 4 << 6; // 1200 / 223 rounded up
    QTest::newRow("sparse at 240") << 240 << 40 << 16;  // 300 items / 19 rounded up
    QTest::newRow("sparse at 480") << 480 << 40 << 15;  // 300 items / 20
}

void TestS7Protocol::planKeepsEveryJobWithinThePdu()
{
    QFETCH(int, pdu);
    QFETCH(int, spacing);
    QFETCH(int, jobs);
    QList<Induction::SReadInfo> records;
    for (int i = 0; i < 300; ++i)
        records.append({QStringLiteral("DB%1.DBD%2").arg(1 + i % 3).arg(spacing * (i / 3)), Int32});
    const S7::ReadPlan plan = S7::planReads(records, pdu);
    QCOMPARE(plan.jobs.size(), jobs);
    QVector<int> seen(plan.labels.size(), 0);
    for (const S7::PlannedJob &job : plan.jobs) {
        QVERIFY(S7::readRequestBytes(job.items.size()) <= pdu);
        QVERIFY(S7::readReplyBytes(job.items) <= pdu);
        for (const QList<int> &members : job.members)
            for (int m : members)
                ++seen[m];
    }
    QCOMPARE(seen, QVector<int>(300, 1));
}

void TestS7Protocol::planMergesNeighboursAndSetsAsideBadRecords()
{
    const QList<Induction::SReadInfo> records{
        {QStringLiteral("DB1.DBW0"), Int16},  {QStringLiteral("DB1.DBW2"), Int16},
        {QStringLiteral("DB1.DBX4.3"), Bool}, {QStringLiteral("DB2.DBW0"), Int16},
        {QStringLiteral("DB1.W20"), Int16},   {QStringLiteral("M0"), string},
        {QStringLiteral("DB1.DBW0"), Int16}, // the same record twice is read once
    };
    const S7::ReadPlan plan = S7::planReads(records, 240);
    QCOMPARE(plan.jobs.size(), 1);
    const S7::PlannedJob &job = plan.jobs.first();
    QCOMPARE(job.items.size(), 2);
    QCOMPARE(job.items.at(0).dbNumber, 1);
    QCOMPARE(job.items.at(0).byteCount, 5); // DBW0, DBW2 and the bit byte 4 in one item
    QCOMPARE(job.members.at(0).size(), 3);
    QCOMPARE(job.items.at(1).dbNumber, 2);
    QCOMPARE(plan.unreadable.size(), 2);
    QCOMPARE(plan.labels.at(plan.unreadable.at(0)).status, int(LabelStatus::AddressOutOfRange));
    QCOMPARE(plan.labels.at(plan.unreadable.at(1)).status, int(LabelStatus::TypeNotSupported));
}

QTEST_GUILESS_MAIN(TestS7Protocol)
#include "tst_s7protocol.moc"
