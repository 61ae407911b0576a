#include "inductionengine.h"
#include "vexmarframes.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>

using Induction::SReadInfo;
using Induction::SWriteInfo;

Q_DECLARE_METATYPE(Induction::SReadInfo)
Q_DECLARE_METATYPE(Induction::SWriteInfo)

namespace {

SReadInfo rd(const QString &name, int type)
{
    SReadInfo item;
    item.name = name;
    item.type = type;
    return item;
}

template<typename T>
SWriteInfo wr(const QString &name, int type, const QList<T> &elements)
{
    SWriteInfo item;
    item.name = name;
    item.type = type;
    item.value = QVariant::fromValue(elements);
    return item;
}

struct Call
{
    QString key;
    QString address;
    int type = 0;
    int count = 0;
    QVariant data;
    qint64 atMs = 0;
};

// Binds recording callbacks to an engine. Reads answer through `readAnswer` (a canned record
// unless a test sets it), writes through `writeAnswer`.
struct Recorder
{
    QList<Call> reads;
    QList<Call> writes;
    QElapsedTimer clock;
    std::function<CLabelVariable(const Call &)> readAnswer;
    std::function<CLabelVariable(const Call &)> writeAnswer;

    explicit Recorder(InductionEngine &engine)
    {
        clock.start();
        engine.readCallback
            = [this](const QString &key, QString address, DataType type, int count) {
                  Call c{key, address, int(type), count, QVariant(), clock.elapsed()};
                  reads.append(c);
                  if (readAnswer)
                      return readAnswer(c);
                  CLabelVariable r;
                  r.status = LabelStatus::Ok;
                  r.name = address;
                  return r;
              };
        engine.writeCallback
            = [this](const QString &key, QString address, DataType type, QVariant data, int count) {
                  Call c{key, address, int(type), count, data, clock.elapsed()};
                  writes.append(c);
                  if (writeAnswer)
                      return writeAnswer(c);
                  CLabelVariable r;
                  r.status = LabelStatus::Ok;
                  r.name = address;
                  return r;
              };
    }
};

CLabelVariable bytesRecord(const QByteArray &bytes, int status = LabelStatus::Ok)
{
    CLabelVariable r;
    r.status = status;
    r.time = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    r.text = QStringLiteral("block");
    if (status == LabelStatus::Ok) {
        QList<char> data;
        for (char c : bytes)
            data.append(c);
        r.value = QVariant::fromValue(data);
    }
    return r;
}

CLabelVariable pointsRecord(const QList<bool> &points, int status = LabelStatus::Ok)
{
    CLabelVariable r;
    r.status = status;
    if (status == LabelStatus::Ok)
        r.value = QVariant::fromValue(points);
    return r;
}

QByteArray bytesOf(const QVariant &v)
{
    QByteArray out;
    for (char c : v.value<QList<char>>())
        out.append(c);
    return out;
}

// "type:value" of a one-element value list, for table comparisons.
QString valueText(const QVariant &v)
{
    const int t = v.userType();
    if (!v.isValid())
        return QStringLiteral("invalid");
    if (t == qMetaTypeId<QList<bool>>())
        return "bool:" + QString::number(v.value<QList<bool>>().value(0));
    if (t == qMetaTypeId<QList<char>>())
        return "char:" + QString::number(int(v.value<QList<char>>().value(0)));
    if (t == qMetaTypeId<QList<unsigned char>>())
        return "uchar:" + QString::number(v.value<QList<unsigned char>>().value(0));
    if (t == qMetaTypeId<QList<short>>())
        return "short:" + QString::number(v.value<QList<short>>().value(0));
    if (t == qMetaTypeId<QList<unsigned short>>())
        return "ushort:" + QString::number(v.value<QList<unsigned short>>().value(0));
    if (t == qMetaTypeId<QList<int>>())
        return "int:" + QString::number(v.value<QList<int>>().value(0));
    if (t == qMetaTypeId<QList<unsigned int>>())
        return "uint:" + QString::number(v.value<QList<unsigned int>>().value(0));
    if (t == qMetaTypeId<QList<float>>())
        return "float:" + QString::number(v.value<QList<float>>().value(0));
    if (t == qMetaTypeId<QList<qint64>>())
        return "int64:" + QString::number(v.value<QList<qint64>>().value(0));
    if (t == qMetaTypeId<QList<quint64>>())
        return "uint64:" + QString::number(v.value<QList<quint64>>().value(0));
    if (t == qMetaTypeId<QList<double>>())
        return "double:" + QString::number(v.value<QList<double>>().value(0));
    if (t == qMetaTypeId<QList<QString>>())
        return "string:" + v.value<QList<QString>>().value(0);
    return QStringLiteral("other");
}

// "AREA start length kind: member@offset ..." of the blocks one grouping returned.
QStringList describe(const InductionEngine &engine, const QString &key,
                     const QList<QList<SReadInfo>> &lists)
{
    QStringList out;
    for (const QList<SReadInfo> &list : lists) {
        const SReadBlock b = engine.GetInductiveDrive_Read(key, list);
        QString text = QStringLiteral("%1 %2 %3 %4:")
                           .arg(b.areaText, b.start.toString(), QString::number(b.length),
                                b.type == Induction::InductionBit ? "bit" : "word");
        for (const SReadInfo &m : list) {
            const SMemberPos pos = b.members.value(m);
            text += QStringLiteral(" %1@%2").arg(m.name).arg(pos.offset);
        }
        out.append(text);
    }
    return out;
}

QStringList describe(const QMap<QList<SWriteInfo>, SWriteBlock> &blocks)
{
    QStringList out;
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
        const SWriteBlock &b = it.value();
        QString data;
        if (b.type == Induction::InductionBit) {
            for (bool p : b.data.value<QList<bool>>())
                data += p ? '1' : '0';
        } else {
            data = QString::fromLatin1(bytesOf(b.data).toHex());
        }
        QStringList names;
        for (const SWriteInfo &m : it.key())
            names << m.name;
        out << QStringLiteral("%1 %2 %3 %4 %5 [%6]")
                   .arg(b.areaText, b.start.toString(), QString::number(b.length),
                        b.type == Induction::InductionBit ? "bit" : "byte", data, names.join(' '));
    }
    return out;
}

// Answers the engine's device reads and writes the way the driver's ReadVariable and
// WriteVariable do: upper-case area names only, byte counts rounded down to whole index units
// (nothing left: status 4), and every 256 bytes read of a string area as the slot's text.
struct FakeDevice
{
    QMap<QString, QByteArray> bytes; // per area, from index 1 on
    QMap<QString, QList<bool>> points;

    static bool parse(const QString &address, QString &area, int &index)
    {
        static const QRegularExpression re(QStringLiteral("^([A-Z_]+)(\\d+)$"));
        const QRegularExpressionMatch m = re.match(address);
        area = m.captured(1);
        index = m.captured(2).toInt();
        return m.hasMatch() && areaCodeFromName(area) != 0 && area != "SO";
    }

    CLabelVariable read(const Call &c) { return serve(c, false); }
    CLabelVariable write(const Call &c) { return serve(c, true); }

    CLabelVariable serve(const Call &c, bool write)
    {
        QString area;
        int index = 0;
        if (!parse(c.address, area, index)) {
            CLabelVariable r;
            r.status = LabelStatus::AreaNotRecognised;
            return r;
        }
        return write ? writeAt(area, index, c) : readAt(area, index, c);
    }

    CLabelVariable readAt(const QString &area, int index, const Call &c)
    {
        CLabelVariable r;
        if (c.type == DataType::Bool) {
            QList<bool> out;
            for (int i = 0; i < c.count; ++i)
                out.append(points.value(area).value(index - 1 + i));
            return pointsRecord(out);
        }
        const int unit = areaUnitBytes(areaCodeFromName(area));
        const int length = c.count / unit * unit;
        if (length < 1) {
            r.status = LabelStatus::BadCount;
            return r;
        }
        QByteArray data = bytes.value(area).mid((index - 1) * unit, length);
        data.append(QByteArray(length - data.size(), '\0'));
        if (unit == 256)
            data = Vexmar::slotsAsText(data);
        return bytesRecord(data);
    }

    CLabelVariable writeAt(const QString &area, int index, const Call &c)
    {
        CLabelVariable r;
        if (c.type == DataType::Bool) {
            QList<bool> &target = points[area];
            const QList<bool> given = c.data.value<QList<bool>>();
            for (int i = 0; i < c.count; ++i) {
                while (target.size() < index + i)
                    target.append(false);
                target[index - 1 + i] = given.value(i);
            }
        } else {
            const int unit = areaUnitBytes(areaCodeFromName(area));
            if (c.count % unit != 0) {
                r.status = LabelStatus::BadCount;
                return r;
            }
            QByteArray &target = bytes[area];
            const int at = (index - 1) * unit;
            if (target.size() < at + c.count)
                target.append(QByteArray(at + c.count - target.size(), '\0'));
            target.replace(at, c.count, bytesOf(c.data));
        }
        r.status = LabelStatus::Ok;
        return r;
    }
};

} // namespace

class tst_InductionEngine : public QObject
{
    Q_OBJECT

private slots:
    // state and parameters
    void newEngine();
    void setInductionParam_data();
    void setInductionParam();
    void deleteAndGet();

    // read grouping
    void grouping_data();
    void grouping();
    void limitsCappedAtOneFrame();
    void unparsableItemsKeptOnce();
    void shorterSecondCallKeepsEarlierBlocks();

    // block and point reading
    void wordMemberDecoding_data();
    void wordMemberDecoding();
    void blockReadCallAndMemberRecords();
    void bitBlockMembers();
    void failedReads_data();
    void failedReads();
    void blocksNotFound();
    void manualBlocks();
    void everyMemberServedByDevice();
    void stringSlotsReadWhole();
    void pointReading();
    void pointReadingList();

    // write induction, block and point writing
    void writeGrouping_data();
    void writeGrouping();
    void writeBookkeeping();
    void blockWriting();
    void blockWritingRefusesWhatCannotBeSentWhole_data();
    void blockWritingRefusesWhatCannotBeSentWhole();
    void writtenValuesReadBack();
    void pointWriting();
};

// ---- state and parameters --------------------------------------------------------------------

void tst_InductionEngine::newEngine()
{
    InductionEngine engine;
    QVERIFY(engine.GetInductiveDrive_Read("1").isEmpty());
    QVERIFY(engine.GetCannotInductiveDrive_Read("1").isEmpty());
    QVERIFY(engine.GetInductiveDrive_Write("1").isEmpty());
    QCOMPARE(engine.readBitLimit, 1280);
    QCOMPARE(engine.readByteLimit, 160);
    QCOMPARE(engine.writeBitLimit, 1280);
    QCOMPARE(engine.writeByteLimit, 160);
    // Unbound callbacks: nothing is read or written.
    QVERIFY(engine.BlockReading("1", {}).isEmpty());
    QCOMPARE(engine.PointReading("1", rd("AI1", Int16)).status, 1);
    QCOMPARE(engine.PointWriting("1", wr("AI1", Int16, QList<short>{1})).status, 1);
}

void tst_InductionEngine::setInductionParam_data()
{
    QTest::addColumn<int>("fun");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("value");
    QTest::addColumn<QList<int>>("limits"); // readBit, readByte, writeBit, writeByte

    QTest::newRow("read bytes") << 1 << 1 << 200 << QList<int>{1280, 200, 1280, 160};
    QTest::newRow("read points") << 1 << 2 << 100 << QList<int>{100, 160, 1280, 160};
    QTest::newRow("write bytes") << 2 << 1 << 8 << QList<int>{1280, 160, 1280, 8};
    QTest::newRow("write points") << 2 << 2 << 3 << QList<int>{1280, 160, 3, 160};
    QTest::newRow("negative becomes 0") << 1 << 1 << -5 << QList<int>{1280, 0, 1280, 160};
    QTest::newRow("fun 3 ignored") << 3 << 1 << 7 << QList<int>{1280, 160, 1280, 160};
    QTest::newRow("type 3 ignored") << 1 << 3 << 7 << QList<int>{1280, 160, 1280, 160};
    QTest::newRow("read bytes capped") << 1 << 1 << 5000 << QList<int>{1280, 1464, 1280, 160};
    QTest::newRow("read points capped") << 1 << 2 << 1468 << QList<int>{1467, 160, 1280, 160};
    QTest::newRow("write bytes capped") << 2 << 1 << 1465 << QList<int>{1280, 160, 1280, 1464};
    QTest::newRow("write points capped") << 2 << 2 << 99999 << QList<int>{1280, 160, 1467, 160};
}

void tst_InductionEngine::setInductionParam()
{
    QFETCH(int, fun);
    QFETCH(int, type);
    QFETCH(int, value);
    QFETCH(QList<int>, limits);
    InductionEngine engine;
    engine.SetInductionParam(static_cast<Induction::EInductionFun>(fun),
                             static_cast<Induction::EInductionType>(type), value);
    QCOMPARE((QList<int>{engine.readBitLimit, engine.readByteLimit, engine.writeBitLimit,
                         engine.writeByteLimit}),
             limits);
}

void tst_InductionEngine::deleteAndGet()
{
    InductionEngine engine;
    const auto lists = engine.InductiveDrive_Read(
        "1", {rd("DI1", Bool), rd("AI1", Int32), rd("AI2", Int32), rd("SA1", Int16)});
    QCOMPARE(lists.size(), 3);

    // Another order of the same items is another list.
    QList<SReadInfo> reversed = lists.at(1);
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(engine.GetInductiveDrive_Read("1", reversed).length, 0);
    QVERIFY(!engine.GetInductiveDrive_Read("1", reversed).start.isValid());
    QCOMPARE(engine.GetInductiveDrive_Read("2", lists.at(1)).type, 0);

    engine.DelInductiveDrive_Read("1", lists.at(1));
    QCOMPARE(engine.GetInductiveDrive_Read("1").keys(),
             (QList<QList<SReadInfo>>{lists.at(0), lists.at(2)}));
    engine.DelInductiveDrive_Read("2", lists.at(0)); // missing key: nothing happens
    QCOMPARE(engine.GetInductiveDrive_Read("1").size(), 2);

    engine.DelInductiveDrive_Read("1");
    const auto fresh = engine.InductiveDrive_Read("1", {rd("LW3", Int32)});
    QCOMPARE(engine.GetInductiveDrive_Read("1").keys(), fresh);
}

// ---- read grouping ---------------------------------------------------------------------------

void tst_InductionEngine::grouping_data()
{
    QTest::addColumn<QList<SReadInfo>>("items");
    QTest::addColumn<int>("byteLimit");
    QTest::addColumn<int>("bitLimit");
    QTest::addColumn<QStringList>("blocks");

    QTest::newRow("bit limit reached")
        << QList<SReadInfo>{rd("NDI1", Bool), rd("NDI1280", Bool)} << 160 << 1280
        << QStringList{"NDI 1 1280 bit: NDI1@0 NDI1280@1279"};
    QTest::newRow("bit limit exceeded")
        << QList<SReadInfo>{rd("NDI1", Bool), rd("NDI1281", Bool)} << 160 << 1280
        << QStringList{"NDI 1 1 bit: NDI1@0", "NDI 1281 1 bit: NDI1281@0"};
    // No block crosses the end of its area (DI has 240 points, AI 320 registers, SI 1280
    // slots): the labels past it are grouped apart, and the driver refuses only those.
    QTest::newRow("past a bit area's end")
        << QList<SReadInfo>{rd("DI239", Bool), rd("DI240", Bool), rd("DI241", Bool),
                            rd("DI300", Bool)}
        << 160 << 1280
        << QStringList{"DI 239 2 bit: DI239@0 DI240@1", "DI 241 60 bit: DI241@0 DI300@59"};
    QTest::newRow("a wide type past a word area's end")
        << QList<SReadInfo>{rd("AI319", Int32), rd("AI320", Int32), rd("AI320", Int64),
                            rd("AI321", Int16)}
        << 160 << 1280
        << QStringList{"AI 319 8 word: AI319@0 AI320@1", "AI 320 8 word: AI320@0 AI321@1"};
    QTest::newRow("past the string area's end")
        << QList<SReadInfo>{rd("SI1280", string), rd("SI1281", string)} << 1464 << 1280
        << QStringList{"SI 1280 256 word: SI1280@0", "SI 1281 256 word: SI1281@0"};
    QTest::newRow("bit limit 0: a point per block")
        << QList<SReadInfo>{rd("DO2", Bool), rd("DO1", Bool), rd("DO2", Int16)} << 160 << 0
        << QStringList{"DO 1 1 bit: DO1@0", "DO 2 1 bit: DO2@0 DO2@0"};
    QTest::newRow("one address, two types")
        << QList<SReadInfo>{rd("AI5", Int16), rd("AI5", Int32)} << 160 << 1280
        << QStringList{"AI 5 4 word: AI5@0 AI5@0"};
    QTest::newRow("leading zeros, duplicates")
        << QList<SReadInfo>{rd("AI5", Int16), rd("AI005", Int16), rd("AI5", Int16)} << 160 << 1280
        << QStringList{"AI 5 4 word: AI005@0 AI5@0"};
    QTest::newRow("AI10 AI12 AI60")
        << QList<SReadInfo>{rd("AI60", Int16), rd("AI10", Int32), rd("AI12", Float)} << 160 << 1280
        << QStringList{"AI 10 12 word: AI10@0 AI12@2", "AI 60 4 word: AI60@0"};
    QTest::newRow("byte limit 8") << QList<SReadInfo>{rd("AI1", Int32), rd("AI3", Int32)} << 8
                                  << 1280
                                  << QStringList{"AI 1 4 word: AI1@0", "AI 3 4 word: AI3@0"};
    QTest::newRow("6 bytes read as 8") << QList<SReadInfo>{rd("AI1", Int32), rd("AI2", Int16)}
                                       << 160 << 1280 << QStringList{"AI 1 8 word: AI1@0 AI2@1"};
    QTest::newRow("16-bit units in SA") << QList<SReadInfo>{rd("SA3", Int16), rd("SA4", UInt8)}
                                        << 160 << 1280 << QStringList{"SA 3 4 word: SA3@0 SA4@1"};
    QTest::newRow("bits of a word area")
        << QList<SReadInfo>{rd("AI10", Bool), rd("AI12", Bool), rd("AI12", Int16)} << 160 << 1280
        << QStringList{"AI 10 12 word: AI10@0 AI12@64 AI12@2"};
    QTest::newRow("lower case gets the area's own name")
        << QList<SReadInfo>{rd("di5", Bool), rd("DI6", Bool), rd("ai1", Int32)} << 160 << 1280
        << QStringList{"DI 5 2 bit: DI6@1 di5@0", "AI 1 4 word: ai1@0"};
    QTest::newRow("areas in code order, starts ascending")
        << QList<SReadInfo>{rd("LW9", Int32), rd("AI5", Int32), rd("DI300", Bool), rd("DI3", Bool),
                            rd("AI1", Int32)}
        << 8 << 200
        << QStringList{"DI 3 1 bit: DI3@0", "DI 300 1 bit: DI300@0", "AI 1 4 word: AI1@0",
                       "AI 5 4 word: AI5@0", "LW 9 4 word: LW9@0"};
    QTest::newRow("a slot per string block")
        << QList<SReadInfo>{rd("SI1", string), rd("SI2", string), rd("SI1", Int16)} << 1464 << 1280
        << QStringList{"SI 1 256 word: SI1@0 SI1@0", "SI 2 256 word: SI2@0"};
    QTest::newRow("no empty block before an oversize item")
        << QList<SReadInfo>{rd("AI1", Int64), rd("AI2", Int32), rd("AI3", Int32)} << 4 << 1280
        << QStringList{"AI 1 8 word: AI1@0", "AI 2 4 word: AI2@0", "AI 3 4 word: AI3@0"};
    QTest::newRow("other types in a bit area")
        << QList<SReadInfo>{rd("NDI7", Int16), rd("NDI5", Bool)} << 160 << 1280
        << QStringList{"NDI 5 3 bit: NDI5@0 NDI7@2"};
    QTest::newRow("type without a size")
        << QList<SReadInfo>{rd("AI1", null)} << 160 << 1280 << QStringList{"AI 1 0 word: AI1@0"};
}

void tst_InductionEngine::grouping()
{
    QFETCH(QList<SReadInfo>, items);
    QFETCH(int, byteLimit);
    QFETCH(int, bitLimit);
    QFETCH(QStringList, blocks);

    InductionEngine engine;
    engine.SetInductionParam(Induction::InductionRead, Induction::InductionWord, byteLimit);
    engine.SetInductionParam(Induction::InductionRead, Induction::InductionBit, bitLimit);
    const auto lists = engine.InductiveDrive_Read("1", items);
    QCOMPARE(describe(engine, "1", lists), blocks);
    // Every block is stored under its member list, and the members are in item order.
    QCOMPARE(engine.GetInductiveDrive_Read("1").size(), lists.size());
    for (const QList<SReadInfo> &list : lists) {
        QVERIFY(std::is_sorted(list.cbegin(), list.cend()));
        for (const SMemberPos &pos : engine.GetInductiveDrive_Read("1", list).members)
            QCOMPARE(pos.unitBytes, areaUnitBytes(areaCodeFromName(
                                        engine.GetInductiveDrive_Read("1", list).areaText)));
    }
    QVERIFY(engine.GetCannotInductiveDrive_Read("1").isEmpty());
}

void tst_InductionEngine::limitsCappedAtOneFrame()
{
    InductionEngine engine;
    engine.SetInductionParam(Induction::InductionRead, Induction::InductionWord, 100000);
    engine.SetInductionParam(Induction::InductionRead, Induction::InductionBit, 100000);
    QList<SReadInfo> items;
    for (int i = 1; i <= 367; ++i)
        items << rd(QStringLiteral("NAI%1").arg(i), Int32);
    items << rd("NDO1", Bool) << rd("NDO1467", Bool) << rd("NDO1468", Bool);
    const auto lists = engine.InductiveDrive_Read("1", items);
    QCOMPARE(lists.size(), 4);
    // Areas in code order: NDO (16) before NAI (17).
    QCOMPARE(engine.GetInductiveDrive_Read("1", lists.at(0)).length, 1467);
    QCOMPARE(lists.at(1), (QList<SReadInfo>{rd("NDO1468", Bool)}));
    QCOMPARE(engine.GetInductiveDrive_Read("1", lists.at(2)).length, 1464);
    QCOMPARE(lists.at(2).size(), 366);
    QCOMPARE(engine.GetInductiveDrive_Read("1", lists.at(3)).start.toString(), QString("367"));
}

void tst_InductionEngine::unparsableItemsKeptOnce()
{
    InductionEngine engine;
    const QList<SReadInfo> bad{rd("Ai5", Int16), rd("XY1", Bool), rd("DI0", Bool)};
    QVERIFY(engine.InductiveDrive_Read("1", bad).isEmpty());
    QVERIFY(engine.GetInductiveDrive_Read("1").isEmpty());
    QVERIFY(!engine.readBlocks.contains("1"));
    QCOMPARE(engine.GetCannotInductiveDrive_Read("1"), bad);

    // The polling loop repeats the same list on every tick.
    for (int tick = 0; tick < 5; ++tick)
        engine.InductiveDrive_Read("1", bad + QList<SReadInfo>{rd("AI1", Int32), bad.at(0)});
    QCOMPARE(engine.GetCannotInductiveDrive_Read("1"), bad);
    QVERIFY(engine.GetCannotInductiveDrive_Read("2").isEmpty());

    engine.InductiveDrive_Read("1", {rd("AI99999", Int16)});
    QCOMPARE(engine.GetCannotInductiveDrive_Read("1").size(), 4);
    engine.DelCannotInductiveDrive_Read("1");
    QVERIFY(engine.GetCannotInductiveDrive_Read("1").isEmpty());
    QVERIFY(engine.InductiveDrive_Read("1", QList<SReadInfo>()).isEmpty());
}

void tst_InductionEngine::shorterSecondCallKeepsEarlierBlocks()
{
    InductionEngine engine;
    const auto first
        = engine.InductiveDrive_Read("1", {rd("AI1", Int32), rd("AI2", Int32), rd("DI1", Bool)});
    const auto second = engine.InductiveDrive_Read("1", {rd("AI1", Int32), rd("DI1", Bool)});
    QCOMPARE(first.size(), 2);
    QCOMPARE(second.size(), 2);
    QCOMPARE(second.at(0), first.at(0)); // the same DI block, replaced
    // {AI1, AI2} of the first call stays beside {AI1} of the second.
    QCOMPARE(engine.GetInductiveDrive_Read("1").size(), 3);
    QVERIFY(engine.GetInductiveDrive_Read("1").contains(first.at(1)));
    QVERIFY(engine.GetInductiveDrive_Read("1").contains(second.at(1)));
}

// ---- block and point reading -----------------------------------------------------------------

void tst_InductionEngine::wordMemberDecoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("value");

    const QByteArray at12 = QByteArray(12, '\0') + QByteArray::fromHex("3412");
    QTest::newRow("Int16 at offset 3") << "AI4" << int(Int16) << 3 << at12 << "short:4660";
    QTest::newRow("int16_BA not reordered") << "AI4" << int(int16_BA) << 3 << at12 << "short:4660";
    QTest::newRow("bool at bit 13")
        << "AI1" << int(Bool) << 13 << QByteArray::fromHex("0020") << "bool:1";
    QTest::newRow("bool, other bits set")
        << "AI1" << int(Bool) << 13 << QByteArray::fromHex("ffdf") << "bool:0";
    QTest::newRow("UInt8 0xff") << "AI1" << int(UInt8) << 0 << QByteArray::fromHex("ff")
                                << "uchar:255";
    QTest::newRow("Int8 0xff") << "AI1" << int(Int8) << 0 << QByteArray::fromHex("ff") << "char:-1";
    QTest::newRow("UInt16") << "AI1" << int(uint16_BA) << 1 << QByteArray::fromHex("00000000feff")
                            << "ushort:65534";
    QTest::newRow("Int32") << "AI1" << int(Int32) << 1 << QByteArray::fromHex("00000000feffffff")
                           << "int:-2";
    QTest::newRow("uint32_DCBA") << "AI1" << int(uint32_DCBA) << 0
                                 << QByteArray::fromHex("78563412") << "uint:305419896";
    QTest::newRow("float") << "AI1" << int(Float) << 0 << QByteArray::fromHex("0000c03f")
                           << "float:1.5";
    QTest::newRow("Int64") << "AI1" << int(int64_HGFEDCBA) << 0
                           << QByteArray::fromHex("feffffffffffffff") << "int64:-2";
    QTest::newRow("UInt64") << "AI1" << int(UInt64) << 0 << QByteArray::fromHex("0000000000000080")
                            << "uint64:9223372036854775808";
    QTest::newRow("double") << "AI1" << int(double_ABCDEFGH) << 0
                            << QByteArray::fromHex("000000000000f8bf") << "double:-1.5";
    QTest::newRow("string with zero byte")
        << "LW1[8]" << int(string) << 0 << QByteArray("ABC\0defg", 8) << "string:ABC";
    QTest::newRow("string without zero byte")
        << "LW1[8]" << int(string) << 0 << QByteArray("ABCDEFGHIJ") << "string:ABCDEFGH";
    QTest::newRow("UTF-8 string") << "LW1[8]" << int(string) << 1 << QByteArray("1234\xc3\xa9")
                                  << QStringLiteral("string:\u00e9");
    QTest::newRow("short data counts as zeros")
        << "AI1" << int(Int32) << 1 << QByteArray::fromHex("000000000102") << "int:513";
    QTest::newRow("no data at all") << "AI1" << int(Double) << 5 << QByteArray() << "double:0";
    QTest::newRow("type 41 sized, not decoded") << "AI1" << 41 << 0 << QByteArray("x") << "invalid";
    // Caller-given offsets are not checked: positions must not overflow.
    QTest::newRow("huge offset") << "SI1" << int(string) << 2147483647 << QByteArray("abc")
                                 << "string:";
}

void tst_InductionEngine::wordMemberDecoding()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(int, offset);
    QFETCH(QByteArray, data);
    QFETCH(QString, value);

    InductionEngine engine;
    Recorder rec(engine);
    rec.readAnswer = [&](const Call &) { return bytesRecord(data); };
    const SReadInfo member = rd(name, type);
    const QString start = name.startsWith("SI") ? "SI1" : "AI1";
    const auto lists = engine.InductiveDrive_Read(
        "1", QList<Induction::SReadInfo_manual>{{start, 16, {{member, offset}}}});
    const auto records = engine.BlockReading("1", lists.value(0));
    QCOMPARE(records.size(), 1);
    QCOMPARE(valueText(records.value(member).value), value);
}

void tst_InductionEngine::blockReadCallAndMemberRecords()
{
    InductionEngine engine;
    Recorder rec(engine);
    rec.readAnswer = [](const Call &) { return bytesRecord(QByteArray::fromHex("0100000002")); };
    const auto lists = engine.InductiveDrive_Read("7", {rd("ai10", Int32), rd("AI11", UInt8)});
    const auto records = engine.BlockReading("7", lists.value(0));

    QCOMPARE(rec.reads.size(), 1);
    QCOMPARE(rec.reads.at(0).key, QString("7"));
    QCOMPARE(rec.reads.at(0).address, QString("AI10"));
    QCOMPARE(rec.reads.at(0).type, int(Int8));
    QCOMPARE(rec.reads.at(0).count, 8);

    QCOMPARE(records.size(), 2);
    const CLabelVariable r = records.value(rd("ai10", Int32));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.error, 1);
    QCOMPARE(r.name, QString("ai10"));
    QCOMPARE(r.count, 1);
    QCOMPARE(r.type, int(Int32));
    QCOMPARE(r.time, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    QCOMPARE(r.text, QString("block"));
    QCOMPARE(valueText(r.value), QString("int:1"));
    QCOMPARE(valueText(records.value(rd("AI11", UInt8)).value), QString("uchar:2"));
}

void tst_InductionEngine::bitBlockMembers()
{
    InductionEngine engine;
    Recorder rec(engine);
    rec.readAnswer = [](const Call &c) {
        return pointsRecord(c.count == 3 ? QList<bool>{true, false, true} : QList<bool>{true});
    };
    const auto lists
        = engine.InductiveDrive_Read("1", {rd("DO1", Bool), rd("do3", Int16), rd("DO2", Bool)});
    const auto records = engine.BlockReading("1", lists.value(0));
    QCOMPARE(rec.reads.at(0).address, QString("DO1"));
    QCOMPARE(rec.reads.at(0).type, int(Bool));
    QCOMPARE(rec.reads.at(0).count, 3);
    QCOMPARE(valueText(records.value(rd("DO1", Bool)).value), QString("bool:1"));
    QCOMPARE(valueText(records.value(rd("DO2", Bool)).value), QString("bool:0"));
    // Whatever its type, a member of a bit block is one point.
    QCOMPARE(valueText(records.value(rd("do3", Int16)).value), QString("bool:1"));
    QCOMPARE(records.value(rd("do3", Int16)).type, int(Int16));

    // Members past the points delivered, or before the block, get no record.
    const SReadInfo past = rd("DO9", Bool);
    const SReadInfo before = rd("DO8", Bool);
    const auto manual = engine.InductiveDrive_Read(
        "1", QList<Induction::SReadInfo_manual>{{"DO1", 5, {{past, 4}, {before, -1}}}});
    QVERIFY(engine.BlockReading("1", manual.value(0)).isEmpty());
}

void tst_InductionEngine::failedReads_data()
{
    QTest::addColumn<QList<SReadInfo>>("items");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("value");
    QTest::newRow("word block, time-out")
        << QList<SReadInfo>{rd("AI1", Int32), rd("AI2", Float)} << 8 << "";
    QTest::newRow("word block, offline") << QList<SReadInfo>{rd("LW1", Int16)} << 9 << "short:0";
    QTest::newRow("bit block, time-out")
        << QList<SReadInfo>{rd("DI1", Bool), rd("DI5", Bool)} << 8 << "bool:0";
    QTest::newRow("bit block, frame error") << QList<SReadInfo>{rd("HDS2", Bool)} << 7 << "bool:0";
}

// A failed device read reaches every member, bit blocks included.
void tst_InductionEngine::failedReads()
{
    QFETCH(QList<SReadInfo>, items);
    QFETCH(int, status);
    QFETCH(QString, value);
    InductionEngine engine;
    Recorder rec(engine);
    rec.readAnswer = [&](const Call &) { return bytesRecord({}, status); };
    const auto lists = engine.InductiveDrive_Read("1", items);
    QCOMPARE(lists.size(), 1);
    const auto records = engine.BlockReading("1", lists.at(0));
    QCOMPARE(records.keys(), lists.at(0));
    for (const CLabelVariable &r : records) {
        QCOMPARE(r.status, status);
        if (!value.isEmpty())
            QCOMPARE(valueText(r.value), value);
        else
            QVERIFY(valueText(r.value).endsWith(":0"));
    }
}

void tst_InductionEngine::blocksNotFound()
{
    InductionEngine engine;
    Recorder rec(engine);
    const auto lists = engine.InductiveDrive_Read("1", {rd("AI1", Int32)});
    QVERIFY(engine.BlockReading("2", lists.at(0)).isEmpty());
    QVERIFY(engine.BlockReading("1", {rd("AI2", Int32)}).isEmpty());
    // A start address no area accepts: not readable.
    const auto manual = engine.InductiveDrive_Read(
        "1", QList<Induction::SReadInfo_manual>{{"XY1", 4, {{rd("AI1", Int16), 0}}}});
    QCOMPARE(engine.GetInductiveDrive_Read("1", manual.at(0)).type, 0);
    QVERIFY(engine.BlockReading("1", manual.at(0)).isEmpty());
    QVERIFY(rec.reads.isEmpty());
}

void tst_InductionEngine::manualBlocks()
{
    InductionEngine engine;
    Recorder rec(engine);
    const SReadInfo a = rd("AI3", Int16);
    const SReadInfo b = rd("DI1", Bool);
    const auto lists = engine.InductiveDrive_Read(
        "1", QList<Induction::SReadInfo_manual>{{"ai100", 8, {{b, 5}, {a, 1}, {a, 2}}},
                                                {"AI7", 4, {{a, 0}, {b, 0}}},
                                                {"DO5", 0, {}}});
    // The second block has the first one's members and replaces it.
    QCOMPARE(lists, (QList<QList<SReadInfo>>{{a, b}, {a, b}, {}}));
    QCOMPARE(engine.GetInductiveDrive_Read("1").size(), 2);
    const SReadBlock stored = engine.GetInductiveDrive_Read("1", lists.at(0));
    QCOMPARE(stored.areaText, QString("AI"));
    QCOMPARE(stored.start.toString(), QString("7"));
    QCOMPARE(stored.length, 4);
    QCOMPARE(stored.type, 1);
    QCOMPARE(stored.members.value(b).unitBytes, 4);

    engine.InductiveDrive_Read("2",
                               QList<Induction::SReadInfo_manual>{{"ai100", 8, {{b, 5}, {a, 2}}}});
    const SReadBlock under2 = engine.GetInductiveDrive_Read("2", {a, b});
    QCOMPARE(under2.areaText, QString("AI"));
    QCOMPARE(under2.start.toString(), QString("100"));
    QCOMPARE(under2.members.value(a).offset, 2);

    // A memberless block is read once and serves nobody.
    QVERIFY(engine.BlockReading("1", {}).isEmpty());
    QCOMPARE(rec.reads.size(), 1);
    QCOMPARE(rec.reads.at(0).address, QString("DO5"));
    QCOMPARE(rec.reads.at(0).type, int(Bool));
}

// With the driver's sizing (whole units only), every member of a grouped block gets its value:
// a lone Int16 in AI, a 6-byte extent, lower-case addresses.
void tst_InductionEngine::everyMemberServedByDevice()
{
    InductionEngine engine;
    Recorder rec(engine);
    FakeDevice device;
    device.bytes["AI"] = QByteArray(40 * 4, '\0');
    device.bytes["AI"].replace(9 * 4, 4, QByteArray::fromHex("07000000"));          // AI10
    device.bytes["AI"].replace(11 * 4, 4, QByteArray::fromHex("0000c03f"));         // AI12
    device.bytes["AI"].replace(59 * 4, 4, QByteArray::fromHex("3412"));             // AI60
    device.bytes["AI"].replace(20 * 4, 8, QByteArray::fromHex("0200000005000000")); // AI21, AI22
    device.points["DI"] = {false, true, true};
    rec.readAnswer = [&](const Call &c) { return device.read(c); };

    const QList<SReadInfo> items{rd("AI10", Int32), rd("AI12", Float), rd("AI60", Int16),
                                 rd("ai21", Int32), rd("AI22", Int16), rd("di2", Bool),
                                 rd("DI3", Bool)};
    QMap<SReadInfo, CLabelVariable> all;
    for (const auto &list : engine.InductiveDrive_Read("1", items)) {
        const auto records = engine.BlockReading("1", list);
        for (auto it = records.cbegin(); it != records.cend(); ++it)
            all.insert(it.key(), it.value());
    }
    QCOMPARE(all.size(), items.size());
    for (const CLabelVariable &r : all)
        QCOMPARE(r.status, 0);
    QCOMPARE(valueText(all.value(rd("AI10", Int32)).value), QString("int:7"));
    QCOMPARE(valueText(all.value(rd("AI12", Float)).value), QString("float:1.5"));
    QCOMPARE(valueText(all.value(rd("AI60", Int16)).value), QString("short:4660"));
    QCOMPARE(valueText(all.value(rd("ai21", Int32)).value), QString("int:2"));
    QCOMPARE(valueText(all.value(rd("AI22", Int16)).value), QString("short:5"));
    QCOMPARE(valueText(all.value(rd("di2", Bool)).value), QString("bool:1"));
}

// The driver drops every slot's length byte, so a block holding several slots would shift every
// string after the first; one slot per block keeps them whole.
void tst_InductionEngine::stringSlotsReadWhole()
{
    InductionEngine engine;
    Recorder rec(engine);
    FakeDevice device;
    QByteArray slotBytes(3 * 256, '\0');
    slotBytes.replace(0, 4,
                      QByteArray("\x03"
                                 "abc"));
    slotBytes.replace(256, 6,
                      QByteArray("\x05"
                                 "hello"));
    slotBytes.replace(512, 3,
                      QByteArray("\x02"
                                 "xy"));
    device.bytes["SI"] = slotBytes;
    rec.readAnswer = [&](const Call &c) { return device.read(c); };
    engine.SetInductionParam(Induction::InductionRead, Induction::InductionWord, 1464);

    const auto lists = engine.InductiveDrive_Read(
        "1", {rd("SI1", string), rd("SI2", string), rd("si3", string)});
    QCOMPARE(lists.size(), 3);
    QStringList texts;
    for (const auto &list : lists) {
        const auto records = engine.BlockReading("1", list);
        QCOMPARE(records.size(), 1);
        texts << valueText(records.first().value);
    }
    QCOMPARE(texts, (QStringList{"string:abc", "string:hello", "string:xy"}));
    for (const Call &c : qAsConst(rec.reads))
        QCOMPARE(c.count, 256);

    // A caller's block of several slots: each slot's text lies a slot less its length byte on.
    const auto manual = engine.InductiveDrive_Read(
        "2", QList<Induction::SReadInfo_manual>{
                 {"SI1",
                  768,
                  {{rd("SI1", string), 0}, {rd("SI2", string), 1}, {rd("SI3", string), 2}}}});
    texts.clear();
    for (const CLabelVariable &r : engine.BlockReading("2", manual.value(0)))
        texts << valueText(r.value);
    QCOMPARE(texts, (QStringList{"string:abc", "string:hello", "string:xy"}));
}

void tst_InductionEngine::pointReading()
{
    InductionEngine engine;
    Recorder rec(engine);
    rec.readAnswer = [](const Call &c) {
        CLabelVariable r;
        r.status = 0;
        r.error = 0;
        r.name = c.address;
        r.count = c.count;
        r.text = "device";
        return r;
    };
    const CLabelVariable r = engine.PointReading("3", rd("di00005", Bool));
    QCOMPARE(rec.reads.size(), 1);
    QCOMPARE(rec.reads.at(0).key, QString("3"));
    QCOMPARE(rec.reads.at(0).address, QString("DI5"));
    QCOMPARE(rec.reads.at(0).type, int(Bool));
    QCOMPARE(rec.reads.at(0).count, 1);
    QCOMPARE(r.text, QString("device")); // returned unchanged
    QCOMPARE(r.error, 0);

    // An address the grammar does not know goes to the driver as written.
    engine.PointReading("3", rd("Custom7", Int16));
    QCOMPARE(rec.reads.at(1).address, QString("Custom7"));

    // Strings: one Int8 read of the label's slot, parsed once per key.
    engine.PointReading("3", rd("si5", string));
    engine.PointReading("3", rd("si5", string));
    QCOMPARE(engine.pointReads.value("3").size(), 1);
    QCOMPARE(engine.pointReads.value("3").value(rd("si5", string)).address, QString("SI5"));
    engine.pointReads["3"][rd("si5", string)].count = 99; // the stored record is what is used
    engine.PointReading("3", rd("si5", string));
    QCOMPARE(rec.reads.at(4).count, 99);
    engine.PointReading("4", rd("si5", string));
    QCOMPARE(engine.pointReads.value("4").value(rd("si5", string)).count, 256);
    for (int i = 2; i < 5; ++i) {
        QCOMPARE(rec.reads.at(i).address, QString("SI5"));
        QCOMPARE(rec.reads.at(i).type, int(Int8));
    }
    QCOMPARE(rec.reads.at(2).count, 256);

    // A string outside the string areas has no size: the driver answers it with a bad count.
    engine.PointReading("3", rd("LW3", string));
    QCOMPARE(rec.reads.last().address, QString("LW3"));
    QCOMPARE(rec.reads.last().count, -1);
}

void tst_InductionEngine::pointReadingList()
{
    InductionEngine engine;
    Recorder rec(engine);
    const QList<SReadInfo> items{rd("AI1", Int32), rd("DI2", Bool), rd("AI1", Int32)};
    const auto records = engine.PointReading("1", items, 0);
    QCOMPARE(rec.reads.size(), 3);
    QCOMPARE(records.keys(), (QList<SReadInfo>{rd("AI1", Int32), rd("DI2", Bool)}));

    // The pause follows every read, the last one too.
    rec.reads.clear();
    QElapsedTimer timer;
    timer.start();
    const qint64 begin = rec.clock.elapsed();
    engine.PointReading("1", items, 20);
    QVERIFY(timer.elapsed() >= 60);
    QCOMPARE(rec.reads.size(), 3);
    QVERIFY(rec.reads.at(1).atMs - begin >= 20);
    QVERIFY(rec.reads.at(2).atMs - begin >= 40);
    // A negative pause is no pause: the call returns.
    QCOMPARE(engine.PointReading("1", items, -1).size(), 2);
}

// ---- write side ------------------------------------------------------------------------------

void tst_InductionEngine::writeGrouping_data()
{
    QTest::addColumn<QList<SWriteInfo>>("items");
    QTest::addColumn<QStringList>("blocks");

    QTest::newRow("one Int32") << QList<SWriteInfo>{wr("AI5", Int32, QList<int>{1})}
                               << QStringList{"AI 5 4 byte 01000000 [AI5]"};
    QTest::newRow("int32_DCBA, same bytes")
        << QList<SWriteInfo>{wr("AI5", int32_DCBA, QList<int>{1})}
        << QStringList{"AI 5 4 byte 01000000 [AI5]"};
    QTest::newRow("gap splits") << QList<SWriteInfo>{wr("AI13", Int32, QList<int>{3}),
                                                     wr("AI10", Int32, QList<int>{1}),
                                                     wr("AI11", Int32, QList<int>{2})}
                                << QStringList{"AI 10 8 byte 0100000002000000 [AI10 AI11]",
                                               "AI 13 4 byte 03000000 [AI13]"};
    QTest::newRow("extra elements do not spill")
        << QList<SWriteInfo>{wr("AI10", Int32, QList<int>{1, 2, 3}),
                             wr("AI11", Int32, QList<int>{9})}
        << QStringList{"AI 10 8 byte 0100000009000000 [AI10 AI11]"};
    QTest::newRow("overlap does not join")
        << QList<SWriteInfo>{wr("AI10", Int64, QList<qint64>{1}), wr("AI11", Int32, QList<int>{2})}
        << QStringList{"AI 10 8 byte 0100000000000000 [AI10]", "AI 11 4 byte 02000000 [AI11]"};
    QTest::newRow("same index twice does not join")
        << QList<SWriteInfo>{wr("AI10", Int32, QList<int>{1}), wr("ai10", Int32, QList<int>{2})}
        << QStringList{"AI 10 4 byte 01000000 [AI10]", "AI 10 4 byte 02000000 [ai10]"};
    QTest::newRow("equal records: the last stays")
        << QList<SWriteInfo>{wr("ai5", Int32, QList<int>{1}), wr("AI5", Int32, QList<int>{1})}
        << QStringList{"AI 5 4 byte 01000000 [ai5]"};
    QTest::newRow("later equal item replaces")
        << QList<SWriteInfo>{wr("AI5", Int32, QList<int>{1}), wr("AI5", Int32, QList<int>{2})}
        << QStringList{"AI 5 4 byte 02000000 [AI5]"};
    QTest::newRow("Int16 in AI: no whole unit")
        << QList<SWriteInfo>{wr("AI10", Int16, QList<short>{1}), wr("AI11", Int16, QList<short>{2})}
        << QStringList{"AI 10 2 byte 0100 [AI10]", "AI 11 2 byte 0200 [AI11]"};
    QTest::newRow("Int16 in SA") << QList<SWriteInfo>{wr("SA2", Int16, QList<short>{2}),
                                                      wr("SA1", Int16, QList<short>{1})}
                                 << QStringList{"SA 1 4 byte 01000200 [SA1 SA2]"};
    QTest::newRow("bools in DO") << QList<SWriteInfo>{wr("DO1", Bool, QList<bool>{true}),
                                                      wr("DO2", Bool, QList<bool>{false}),
                                                      wr("do3", Bool, QList<bool>{true, true}),
                                                      wr("DO5", Bool, QList<bool>{true})}
                                 << QStringList{"DO 1 3 bit 101 [DO1 DO2 do3]",
                                                "DO 5 1 bit 1 [DO5]"};
    QTest::newRow("plain bool dropped")
        << QList<SWriteInfo>{SWriteInfo{"DO1", Bool, QVariant(true)}} << QStringList{};
    QTest::newRow("bytes before bits in one area")
        << QList<SWriteInfo>{wr("AI2", Bool, QList<bool>{true}), wr("AI1", UInt32, QList<uint>{5})}
        << QStringList{"AI 1 4 byte 05000000 [AI1]", "AI 2 1 bit 1 [AI2]"};
    QTest::newRow("member lists compare as text")
        << QList<SWriteInfo>{wr("AI2", Float, QList<float>{1.5f}),
                             wr("AI10", Double, QList<double>{-1.5})}
        << QStringList{"AI 10 8 byte 000000000000f8bf [AI10]", "AI 2 4 byte 0000c03f [AI2]"};
    QTest::newRow("string slot, the first text")
        << QList<SWriteInfo>{wr("si3", string, QList<QString>{"no", "hello"})}
        << QStringList{"SI 3 256 byte 026e6f" + QString(253 * 2, '0') + " [si3]"};
    QTest::newRow("string slot, UTF-8")
        << QList<SWriteInfo>{wr("SI4", string, QList<QString>{QStringLiteral("caf\u00e9")})}
        << QStringList{"SI 4 256 byte 05636166c3a9" + QString(250 * 2, '0') + " [SI4]"};
    QTest::newRow("dropped without trace")
        << QList<SWriteInfo>{wr("", Int32, QList<int>{1}), wr("AI1", null, QList<int>{1}),
                             wr("AI2", string, QList<QString>{}),
                             SWriteInfo{"AI3", 41, QVariant::fromValue(QList<char>{1})}}
        << QStringList{};
}

void tst_InductionEngine::writeGrouping()
{
    QFETCH(QList<SWriteInfo>, items);
    QFETCH(QStringList, blocks);
    InductionEngine engine;
    const auto lists = engine.InductiveDrive_Write("1", items);
    QCOMPARE(describe(engine.GetInductiveDrive_Write("1")), blocks);
    QCOMPARE(lists, engine.GetInductiveDrive_Write("1").keys());
    QVERIFY(engine.GetCannotInductiveDrive_Write("1").isEmpty());
}

void tst_InductionEngine::writeBookkeeping()
{
    InductionEngine engine;
    const SWriteInfo bad = wr("Ai5", Int16, QList<short>{1});
    engine.InductiveDrive_Write("1", {bad, wr("AI1", Int32, QList<int>{1})});
    QCOMPARE(engine.GetCannotInductiveDrive_Write("1"), QList<SWriteInfo>{bad});

    // Another key empties the list of every key.
    engine.InductiveDrive_Write("2", {wr("AI1", Int32, QList<int>{1})});
    QVERIFY(engine.GetCannotInductiveDrive_Write("1").isEmpty());
    QCOMPARE(engine.GetInductiveDrive_Write("1").size(), 1);

    // An empty list still creates the key, with no blocks.
    engine.InductiveDrive_Write("1", {bad});
    QVERIFY(engine.InductiveDrive_Write("1", {}).isEmpty());
    QVERIFY(engine.writeBlocks.contains("1"));
    QVERIFY(engine.GetInductiveDrive_Write("1").isEmpty());
    QVERIFY(engine.GetCannotInductiveDrive_Write("1").isEmpty());
    QCOMPARE(engine.GetInductiveDrive_Write("9", {bad}).length, 0);
    QVERIFY(engine.GetInductiveDrive_Write("9", {bad}).data.isNull());

    // Limits: 41 Int32 make 40 + 1; above one frame's bytes blocks are cut at 1464.
    QList<SWriteInfo> items;
    for (int i = 1; i <= 367; ++i)
        items << wr(QStringLiteral("LW%1").arg(i, 3, 10, QLatin1Char('0')), Int32, QList<int>{i});
    engine.InductiveDrive_Write("1", items.mid(0, 41));
    QList<int> lengths;
    for (const SWriteBlock &b : engine.GetInductiveDrive_Write("1"))
        lengths << b.length;
    QCOMPARE(lengths, (QList<int>{160, 4}));
    engine.SetInductionParam(Induction::InductionWrite, Induction::InductionWord, 9999);
    engine.InductiveDrive_Write("1", items);
    lengths.clear();
    for (const SWriteBlock &b : engine.GetInductiveDrive_Write("1"))
        lengths << b.length;
    QCOMPARE(lengths, (QList<int>{1464, 4}));
    engine.SetInductionParam(Induction::InductionWrite, Induction::InductionWord, 0);
    QCOMPARE(engine.InductiveDrive_Write("1", items.mid(0, 3)).size(), 3);
}

void tst_InductionEngine::blockWriting()
{
    InductionEngine engine;
    Recorder rec(engine);
    const auto lists = engine.InductiveDrive_Write("5", {wr("AI5", Int32, QList<int>{1}),
                                                         wr("DO1", Bool, QList<bool>{true}),
                                                         wr("DO2", Bool, QList<bool>{false})});
    QCOMPARE(lists.size(), 2);
    const QList<SWriteInfo> bytes = lists.at(0);
    const QList<SWriteInfo> bits = lists.at(1);

    rec.writeAnswer = [](const Call &) {
        CLabelVariable r;
        r.status = LabelStatus::ResponseTimeout;
        r.text = "late";
        return r;
    };
    auto result = engine.BlockWriting("5", bits);
    QCOMPARE(rec.writes.size(), 1);
    QCOMPARE(rec.writes.at(0).address, QString("DO1"));
    QCOMPARE(rec.writes.at(0).type, int(Bool));
    QCOMPARE(rec.writes.at(0).count, 2);
    QCOMPARE(rec.writes.at(0).data.value<QList<bool>>(), (QList<bool>{true, false}));
    QCOMPARE(result.keys(), (QList<SWriteInfo>{bits}));
    for (const CLabelVariable &r : result) {
        QCOMPARE(r.status, 8);
        QCOMPARE(r.text, QString("late"));
        QCOMPARE(r.error, 1);
    }
    QCOMPARE(engine.GetInductiveDrive_Write("5").size(), 2); // failed: kept for another try

    rec.writeAnswer = nullptr;
    result = engine.BlockWriting("5", bytes);
    QCOMPARE(rec.writes.at(1).key, QString("5"));
    QCOMPARE(rec.writes.at(1).address, QString("AI5"));
    QCOMPARE(rec.writes.at(1).type, int(Int8));
    QCOMPARE(rec.writes.at(1).count, 4);
    QCOMPARE(bytesOf(rec.writes.at(1).data), QByteArray::fromHex("01000000"));
    QCOMPARE(result.value(bytes.at(0)).status, 0);
    // Written: the block is gone, the key stays.
    QCOMPARE(engine.GetInductiveDrive_Write("5", bytes).type, 0);
    QVERIFY(engine.BlockWriting("5", bytes).isEmpty());
    QVERIFY(engine.BlockWriting("6", bits).isEmpty());
    QCOMPARE(rec.writes.size(), 2);

    engine.writeCallback = nullptr;
    QVERIFY(engine.BlockWriting("5", bits).isEmpty());
}

void tst_InductionEngine::blockWritingRefusesWhatCannotBeSentWhole_data()
{
    QTest::addColumn<SWriteInfo>("item");
    QTest::newRow("half a unit") << wr("AI10", Int16, QList<short>{1});
    QTest::newRow("a byte in SA") << wr("SA3", UInt8, QList<uchar>{1});
    QTest::newRow("value of another type") << wr("AI10", Int32, QList<short>{1});
    QTest::newRow("no value") << SWriteInfo{"AI10", Int32, QVariant()};
    QTest::newRow("empty bool list") << wr("DO1", Bool, QList<bool>{});
    QTest::newRow("string outside a string area") << wr("LW1", string, QList<QString>{"x"});
    QTest::newRow("text past its slot") << wr("SI1", string, QList<QString>{QString(256, 'z')});
    QTest::newRow("text with a NUL") << wr("SI1", string, QList<QString>{QStringLiteral("a\0b")});
}

void tst_InductionEngine::blockWritingRefusesWhatCannotBeSentWhole()
{
    QFETCH(SWriteInfo, item);
    InductionEngine engine;
    Recorder rec(engine);
    const auto lists = engine.InductiveDrive_Write("1", {item, wr("AI11", Int32, QList<int>{7})});
    QCOMPARE(lists.size(), 2); // never joined to a neighbour
    const QList<SWriteInfo> own
        = lists.contains({item}) ? QList<SWriteInfo>{item} : QList<SWriteInfo>();
    QVERIFY(!own.isEmpty());
    const auto result = engine.BlockWriting("1", own);
    QCOMPARE(result.value(item).status, int(LabelStatus::BadCount));
    QVERIFY(rec.writes.isEmpty());
    QCOMPARE(engine.GetInductiveDrive_Write("1").size(), 2);
}

// What the engine writes, a later grouped read returns, strings included.
void tst_InductionEngine::writtenValuesReadBack()
{
    InductionEngine engine;
    Recorder rec(engine);
    FakeDevice device;
    rec.readAnswer = [&](const Call &c) { return device.read(c); };
    rec.writeAnswer = [&](const Call &c) { return device.write(c); };

    const QList<SWriteInfo> items{wr("si2", string, QList<QString>{"hello"}),
                                  wr("SI3", string, QList<QString>{QString(255, 'z')}),
                                  wr("AI1", Int32, QList<int>{-7}),
                                  wr("AI2", Float, QList<float>{2.5f}),
                                  wr("SA4", UInt16, QList<ushort>{65000}),
                                  wr("DO4", Bool, QList<bool>{true})};
    for (const auto &list : engine.InductiveDrive_Write("1", items)) {
        for (const CLabelVariable &r : engine.BlockWriting("1", list))
            QCOMPARE(r.status, 0);
    }
    QCOMPARE(engine.PointWriting("1", wr("so1", string, QList<QString>{"x"})).status,
             int(LabelStatus::AreaNotRecognised)); // the driver has no SO area
    QCOMPARE(engine.PointWriting("1", wr("si5", string, QList<QString>{"point"})).status, 0);

    QMap<QString, QString> values;
    const QList<SReadInfo> reads{rd("SI2", string), rd("SI3", string), rd("si5", string),
                                 rd("AI1", Int32),  rd("AI2", Float),  rd("SA4", UInt16),
                                 rd("DO4", Bool),   rd("DO3", Bool)};
    for (const auto &list : engine.InductiveDrive_Read("1", reads)) {
        const auto records = engine.BlockReading("1", list);
        for (auto it = records.cbegin(); it != records.cend(); ++it)
            values.insert(it.key().name, valueText(it.value().value));
    }
    QCOMPARE(values.value("SI2"), QString("string:hello"));
    QCOMPARE(values.value("SI3"), "string:" + QString(255, 'z')); // what a slot can hold
    QCOMPARE(values.value("si5"), QString("string:point"));
    QCOMPARE(values.value("AI1"), QString("int:-7"));
    QCOMPARE(values.value("AI2"), QString("float:2.5"));
    QCOMPARE(values.value("SA4"), QString("ushort:65000"));
    QCOMPARE(values.value("DO4"), QString("bool:1"));
    QCOMPARE(values.value("DO3"), QString("bool:0"));
}

void tst_InductionEngine::pointWriting()
{
    InductionEngine engine;
    Recorder rec(engine);
    CLabelVariable r = engine.PointWriting("2", wr("SO2", string, QList<QString>{"abc"}));
    QCOMPARE(rec.writes.size(), 1);
    QCOMPARE(rec.writes.at(0).key, QString("2"));
    QCOMPARE(rec.writes.at(0).address, QString("SO2"));
    QCOMPARE(rec.writes.at(0).type, int(Int8));
    QCOMPARE(rec.writes.at(0).count, 256);
    QCOMPARE(bytesOf(rec.writes.at(0).data), QByteArray("\x03"
                                                        "abc")
                                                 + QByteArray(252, '\0'));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.error, 1);

    // One text, the first, as the driver's write of one string takes it; its outcome counts.
    rec.writeAnswer = [&](const Call &) {
        CLabelVariable v;
        v.status = 9;
        return v;
    };
    r = engine.PointWriting("2", wr("si3", string, QList<QString>{"a", "b"}));
    QCOMPARE(rec.writes.size(), 2);
    QCOMPARE(rec.writes.at(1).address, QString("SI3"));
    QCOMPARE(bytesOf(rec.writes.at(1).data), QByteArray("\x01"
                                                        "a")
                                                 + QByteArray(254, '\0'));
    QCOMPARE(r.status, 9);
    // No text, or one the slot cannot carry whole, is refused as the driver refuses it, unsent.
    const QList<QList<QString>> refused{{}, {QString(256, 'a')}, {QStringLiteral("a\0b")}};
    for (const QList<QString> &texts : refused) {
        r = engine.PointWriting("2", wr("si3", string, texts));
        QCOMPARE(r.status, int(LabelStatus::BadCount));
        QCOMPARE(r.name, QString("SI3"));
    }
    QCOMPARE(rec.writes.size(), 2);

    // Other types: the value as given, one element, at the driver's spelling of the address.
    rec.writeAnswer = nullptr;
    const SWriteInfo value = wr("lw007", Int32, QList<int>{5, 6});
    engine.PointWriting("2", value);
    QCOMPARE(rec.writes.at(2).address, QString("LW7"));
    QCOMPARE(rec.writes.at(2).type, int(Int32));
    QCOMPARE(rec.writes.at(2).count, 1);
    QCOMPARE(rec.writes.at(2).data.value<QList<int>>(), (QList<int>{5, 6}));

    const auto results
        = engine.PointWriting("2", {value, wr("DO1", Bool, QList<bool>{true}), value}, 0);
    QCOMPARE(rec.writes.size(), 6); // a repeated item is written again
    QCOMPARE(results.size(), 2);
    QElapsedTimer timer;
    timer.start();
    engine.PointWriting("2", {value, value}, 15);
    QVERIFY(timer.elapsed() >= 30);
}

QTEST_GUILESS_MAIN(tst_InductionEngine)
#include "tst_inductionengine.moc"
