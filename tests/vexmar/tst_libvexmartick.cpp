// LibVexmar loaded as the program loads it, against the simulator over UDP on 127.0.0.1 and over
// a socat pty pair: polling ticks over every area kind and type, stale serial replies, the ends
// of the areas, and writes that read back, strings through both roads: slots planted byte by byte
// read alike by every read, and texts leave as the bytes of UTF-8 by every write. The refusals and
// the silent peer every driver shares are tst_vexmarcontract's.
#include "addressgrammar.h"
#include "driverloader.h"
#include "vexmarsimprocess.h"
#include "vexmartick.h"

#include <QtTest>
#include <cstring>

using Induction::SReadInfo;

namespace {

struct Area
{
    const char *name;
    int code;
    int unitBytes; // bytes per element index; 0 in a bit area
};

const Area wordAreas[]
    = {{"AI", 7, 4},   {"AI_F", 8, 4}, {"AI_S", 9, 4}, {"AO", 10, 4}, {"NAI", 17, 4},
       {"NAO", 18, 4}, {"HAI", 21, 4}, {"LA", 23, 4},  {"LW", 24, 4}, {"SA", 14, 2}};
const Area bitAreas[] = {{"DI", 1, 0},   {"DI_F", 2, 0}, {"DI_S", 3, 0}, {"DO", 4, 0},
                         {"DO_F", 5, 0}, {"DO_S", 6, 0}, {"SD", 13, 0},  {"NDI", 15, 0},
                         {"NDO", 16, 0}, {"HDS", 19, 0}, {"HDP", 20, 0}, {"LD", 22, 0}};
const DataType numericTypes[]
    = {Int8, UInt8, Int16, UInt16, Int32, UInt32, Float, Int64, UInt64, Double};

template<typename T>
QVariant one(const QByteArray &littleEndian)
{
    T v;
    std::memcpy(&v, littleEndian.constData(), sizeof(T));
    return QVariant::fromValue(QList<T>{v});
}

// One element of a numeric type from its little-endian bytes (this host is little-endian).
QVariant numberOf(DataType type, const QByteArray &b)
{
    switch (type) {
    case Int8:
        return one<char>(b);
    case UInt8:
        return one<uchar>(b);
    case Int16:
        return one<short>(b);
    case UInt16:
        return one<ushort>(b);
    case Int32:
        return one<int>(b);
    case UInt32:
        return one<uint>(b);
    case Float:
        return one<float>(b);
    case Int64:
        return one<qlonglong>(b);
    case UInt64:
        return one<qulonglong>(b);
    default:
        return one<double>(b);
    }
}

template<typename T>
QVariant listOf(const QList<T> &list)
{
    return QVariant::fromValue(list);
}

CLabelVariable record(const QVariant &value)
{
    CLabelVariable v;
    v.value = value;
    return v;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// One slot of the string area as the device keeps it: the given bytes, then zeros.
QByteArray slot(const QByteArray &bytes)
{
    return bytes + QByteArray(256 - bytes.size(), '\0');
}

// Labels of every area kind and base type, each with the value the simulator's pattern holds.
QMap<SReadInfo, QString> patternLabels()
{
    QMap<SReadInfo, QString> labels;
    for (const Area &a : wordAreas) {
        for (int k = 0; k < int(std::size(numericTypes)); ++k) {
            const DataType type = numericTypes[k];
            const int index = 1 + 2 * k;
            const QByteArray bytes
                = simPattern(a.code, (index - 1) * a.unitBytes, elementSizeOfType(type));
            labels.insert({QStringLiteral("%1%2").arg(a.name).arg(index), type},
                          valueText(numberOf(type, bytes)));
        }
    }
    for (const Area &a : bitAreas) {
        for (int index : {1, 2, 4, 9}) {
            labels.insert({QStringLiteral("%1%2").arg(a.name).arg(index), Bool},
                          valueText(listOf(QList<bool>{(index - 1) % 3 == 0})));
        }
    }
    for (int index : {1, 2, 7}) {
        labels.insert({QStringLiteral("SI%1").arg(index), string},
                      valueText(listOf(QList<QString>{QStringLiteral("S%1").arg(index)})));
    }
    return labels;
}

// What the simulator's pattern holds for a label of one element, as valueText shows it.
QString patternText(const SReadInfo &r)
{
    const auto indexAfter = [&r](const char *name) {
        const QString rest = r.name.mid(int(std::strlen(name)));
        bool ok = false;
        const int index = rest.toInt(&ok);
        return r.name.startsWith(QLatin1String(name)) && ok ? index : 0;
    };
    for (const Area &a : wordAreas) {
        if (const int index = indexAfter(a.name)) {
            const QByteArray bytes
                = simPattern(a.code, (index - 1) * a.unitBytes, elementSizeOfType(r.type));
            return valueText(numberOf(DataType(r.type), bytes));
        }
    }
    for (const Area &a : bitAreas) {
        if (const int index = indexAfter(a.name))
            return valueText(listOf(QList<bool>{(index - 1) % 3 == 0}));
    }
    if (const int index = indexAfter("SI"))
        return valueText(listOf(QList<QString>{QStringLiteral("S%1").arg(index)}));
    return QString();
}

} // namespace

class tst_LibVexmarTick : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void links_data();
    void tickReadsEveryKind_data() { links_data(); }
    void tickReadsEveryKind();
    void staleRepliesNeverGood_data();
    void staleRepliesNeverGood();
    void areaEnds_data();
    void areaEnds();
    void releasedLink_data() { links_data(); }
    void releasedLink();
    void engineBlocksTheDriverRefuses();
    void writesReadBack_data();
    void writesReadBack();
    void multiByteNumbersInBitAreas();
    void stringsAgreeEndToEnd();
    void stringSlotsReadAlike_data();
    void stringSlotsReadAlike();
    void stringBytesOnTheWire_data();
    void stringBytesOnTheWire();

private:
    // Starts the simulator with its pattern and the faults, and connects a new driver to it
    // over "udp" or "serial".
    bool link(const QString &kind, const QStringList &faults = {}, int baud = 115200);

    LoadedDriver m_loaded;
    GetSharedLibraryFn m_entry = nullptr;
    CDriveBaseClass *m_driver = nullptr;
    SocatPtyPair *m_pair = nullptr;
    VexmarSimProcess *m_sim = nullptr;
};

void tst_LibVexmarTick::initTestCase()
{
    m_loaded = loadDriver(QStringLiteral("LibVexmar"));
    QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
    m_entry
        = reinterpret_cast<GetSharedLibraryFn>(m_loaded.library->resolve(getSharedLibrarySymbol));
}

void tst_LibVexmarTick::init()
{
    m_driver = m_entry();
    m_sim = new VexmarSimProcess;
}

void tst_LibVexmarTick::cleanup()
{
    // Drivers live on by design; only their link is released, before its peer goes.
    m_driver->DestroyFree();
    delete m_sim;
    delete m_pair;
    m_sim = nullptr;
    m_pair = nullptr;
}

bool tst_LibVexmarTick::link(const QString &kind, const QStringList &faults, int baud)
{
    QStringList args{QStringLiteral("--pattern")};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    if (kind == QLatin1String("udp")) {
        if (!m_sim->startUdp(args)) {
            qWarning() << "simulator:" << m_sim->error();
            return false;
        }
        return m_driver->ConnectDrive(QStringLiteral("127.0.0.1:%1").arg(m_sim->port())) == 0;
    }
    m_pair = new SocatPtyPair;
    if (!m_pair->start() || !m_sim->startSerial(m_pair->second(), baud, args)) {
        qWarning() << "socat or simulator:" << m_sim->error();
        return false;
    }
    return m_driver->ConnectDrive(m_pair->first() + QStringLiteral(",%1,8,1,N").arg(baud)) == 0;
}

void tst_LibVexmarTick::links_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("udp") << "udp";
    QTest::newRow("serial") << "serial";
}

void tst_LibVexmarTick::tickReadsEveryKind()
{
    QFETCH(QString, kind);
    QVERIFY(link(kind));
    const QMap<SReadInfo, QString> labels = patternLabels();
    const VexmarTick tick = runTick(m_driver, labels.keys());
    QVERIFY(!tick.blocks.isEmpty());
    QCOMPARE(tick.values.size(), labels.size());
    for (auto it = labels.cbegin(); it != labels.cend(); ++it) {
        const CLabelVariable v = tick.values.value(it.key());
        QVERIFY2(v.status == LabelStatus::Ok, qPrintable(it.key().name));
        QVERIFY(v.time.isValid());
        QCOMPARE(v.name, it.key().name);
        QCOMPARE(v.type, it.key().type);
        QCOMPARE(valueText(v.value), it.value());
    }
    // One exchange per block, none more.
    QCOMPARE(m_sim->frameCount(), tick.blocks.size());
    // A second tick repeats the blocks.
    const VexmarTick again = runTick(m_driver, labels.keys());
    QCOMPARE(again.blocks, tick.blocks);
    QCOMPARE(m_sim->frameCount(), 2 * tick.blocks.size());
}

void tst_LibVexmarTick::staleRepliesNeverGood_data()
{
    QTest::addColumn<QString>("fault");
    // A controller that sends every reply a second time, the copy landing anywhere in the
    // exchanges that follow: just before a request, merged with its reply, or on its own.
    for (int gap : {0, 50, 110, 250, 500})
        QTest::addRow("repeated after %d ms", gap)
            << QStringLiteral("repeat=%1").arg(gap) + QLatin1String("%1");
    // The previous reply of the same command just before the reply, or apart from it.
    QTest::newRow("stale reply just before") << "stale=0%1";
    QTest::newRow("stale reply 50 ms before") << "stale=50%1";
    QTest::newRow("bit tail before every other reply") << "tail=6%2";
}

void tst_LibVexmarTick::staleRepliesNeverGood()
{
    QFETCH(QString, fault);
    // At 9600 baud an exchange lasts long enough for a copy sent 110 ms after a reply to land
    // in the next exchange, past the program's 100 ms pause.
    QVERIFY(link(QStringLiteral("serial"), {fault}, 9600));
    // Three blocks whose replies differ in length (16, 8 and 13 bytes), a bit area among them.
    const QList<SReadInfo> records{{QStringLiteral("AI1"), Int32}, {QStringLiteral("AI3"), Float},
                                   {QStringLiteral("AO1"), Int32}, {QStringLiteral("DI1"), Bool},
                                   {QStringLiteral("DI2"), Bool},  {QStringLiteral("DI4"), Bool},
                                   {QStringLiteral("DI9"), Bool}};
    const QString key = QStringLiteral("1");
    const QList<QList<SReadInfo>> blocks = m_driver->InductiveDrive_Read(key, records);
    QCOMPARE(blocks.size(), 3);
    int good = 0;
    for (int tick = 0; tick < 3; ++tick) {
        for (const QList<SReadInfo> &block : blocks) {
            const QMap<SReadInfo, CLabelVariable> read = m_driver->BlockReading(key, block);
            QCOMPARE(read.size(), block.size());
            for (auto it = read.cbegin(); it != read.cend(); ++it) {
                const int status = it->status;
                QVERIFY2(status == LabelStatus::Ok || status == LabelStatus::ReplyFrameError
                             || status == LabelStatus::ResponseTimeout,
                         qPrintable(QStringLiteral("%1: %2").arg(it.key().name).arg(status)));
                if (status == LabelStatus::Ok) {
                    QCOMPARE(valueText(it->value), patternText(it.key()));
                    ++good;
                }
            }
            // The program's pause after a block that made an exchange.
            QTest::qWait(100);
        }
    }
    // Only a copy sent back to back with its reply spoils every exchange.
    if (fault != QLatin1String("repeat=0%1"))
        QVERIFY(good > 0);
}

void tst_LibVexmarTick::areaEnds_data()
{
    QTest::addColumn<QString>("area");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("wide");  // a type that reaches past the end from the last index
    QTest::addColumn<bool>("tick"); // through the engine's blocks, else read directly
    const struct
    {
        const char *area;
        int last;
    } bitEnds[]
        = {{"DI", 240}, {"DI_F", 240}, {"DI_S", 240}, {"DO", 160},  {"DO_F", 160}, {"DO_S", 160},
           {"SD", 320}, {"NDI", 2000}, {"NDO", 2000}, {"HDS", 500}, {"HDP", 500},  {"LD", 2000}},
        wordEnds[] = {{"AI", 320},   {"AI_F", 320}, {"AI_S", 80}, {"AO", 320}, {"NAI", 8000},
                      {"NAO", 8000}, {"HAI", 2000}, {"LA", 2000}, {"LW", 8000}};
    for (const auto &e : bitEnds)
        QTest::newRow(e.area) << e.area << e.last << int(Bool) << 0 << true;
    for (const auto &e : wordEnds)
        QTest::newRow(e.area) << e.area << e.last << int(Int32) << int(Int64) << true;
    QTest::newRow("SA") << "SA" << 640 << int(Int16) << int(Int32) << true;
    QTest::newRow("SI") << "SI" << 1280 << int(string) << 0 << true;
    // Areas the engine does not read in blocks.
    QTest::newRow("AO_F") << "AO_F" << 320 << int(Int16) << 0 << false;
    QTest::newRow("AO_S") << "AO_S" << 80 << int(Int16) << 0 << false;
    QTest::newRow("Custom") << "Custom" << 2097152 << int(Int16) << int(Int32) << false;
}

void tst_LibVexmarTick::areaEnds()
{
    QFETCH(QString, area);
    QFETCH(int, last);
    QFETCH(int, type);
    QFETCH(int, wide);
    QFETCH(bool, tick);
    QVERIFY(link(QStringLiteral("udp")));
    const SReadInfo atEnd{area + QString::number(last), type};
    QList<SReadInfo> past{{area + QString::number(last + 1), type}};
    if (wide != 0)
        past.append({atEnd.name, wide});

    QMap<SReadInfo, CLabelVariable> values;
    if (tick) {
        const VexmarTick t = runTick(m_driver, QList<SReadInfo>{atEnd} + past);
        values = t.values;
        // The labels past the end are a block of their own, refused without a frame.
        QCOMPARE(t.blocks.size(), 2);
    } else {
        for (const SReadInfo &r : QList<SReadInfo>{atEnd} + past)
            values.insert(r, m_driver->ReadVariable(r.name, DataType(r.type), 1));
    }
    const CLabelVariable end = values.value(atEnd);
    QCOMPARE(end.status, int(LabelStatus::Ok));
    if (tick) {
        QCOMPARE(valueText(end.value), patternText(atEnd));
    } else {
        // These areas are addressed by byte on the wire.
        const int code = area == QLatin1String("AO_F")   ? 11
                         : area == QLatin1String("AO_S") ? 12
                                                         : 29;
        QCOMPARE(valueText(end.value), valueText(numberOf(Int16, simPattern(code, last - 1, 2))));
    }
    for (const SReadInfo &r : qAsConst(past)) {
        QVERIFY2(values.contains(r), qPrintable(r.name));
        QCOMPARE(values.value(r).status, int(LabelStatus::AddressOutOfRange));
    }
    QCOMPARE(m_sim->frameCount(), 1);
}

void tst_LibVexmarTick::releasedLink()
{
    QFETCH(QString, kind);
    const QList<SReadInfo> records{{QStringLiteral("AI3"), UInt16}, {QStringLiteral("DO1"), Bool}};
    // Before any link every member reports the device offline, and nothing is sent.
    for (const CLabelVariable &v : runTick(m_driver, records).values)
        QCOMPARE(v.status, int(LabelStatus::DeviceOffline));

    QVERIFY(link(kind));
    QCOMPARE(m_driver->DestroyFree(), 0);
    // Let the deferred deletion of the socket or port run: a later close must not touch it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_driver->DisConnectDrive(), -1);
    QCOMPARE(m_driver->DestroyFree(), 1);
    for (const CLabelVariable &v : runTick(m_driver, records).values)
        QCOMPARE(v.status, int(LabelStatus::DeviceOffline));
    QCOMPARE(m_sim->frameCount(), 0);

    // The same object links again.
    const QString linkText = kind == QLatin1String("udp")
                                 ? QStringLiteral("127.0.0.1:%1").arg(m_sim->port())
                                 : m_pair->first() + QLatin1String(",115200,8,1,N");
    QCOMPARE(m_driver->ConnectDrive(linkText), 0);
    for (const CLabelVariable &v : runTick(m_driver, records).values)
        QCOMPARE(v.status, int(LabelStatus::Ok));
    QCOMPARE(m_driver->DisConnectDrive(), 0);
}

void tst_LibVexmarTick::engineBlocksTheDriverRefuses()
{
    QVERIFY(link(QStringLiteral("udp")));
    // The engine groups SO and AO_F like other word areas; the wire has no code for SO and no
    // byte reads in AO_F, so those blocks end in the driver without a frame.
    const QList<SReadInfo> records{{QStringLiteral("SO1"), string},
                                   {QStringLiteral("AO_F1"), Int16},
                                   {QStringLiteral("AI1"), Int32}};
    const VexmarTick tick = runTick(m_driver, records);
    QCOMPARE(tick.blocks.size(), 3);
    QCOMPARE(tick.values.value(records.at(0)).status, int(LabelStatus::AreaNotRecognised));
    QCOMPARE(tick.values.value(records.at(1)).status, int(LabelStatus::BadCount));
    QCOMPARE(tick.values.value(records.at(2)).status, int(LabelStatus::Ok));
    QCOMPARE(m_sim->frameCount(), 1);
}

void tst_LibVexmarTick::writesReadBack_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("float to AO") << "udp"
                                 << "AO3" << int(Float) << listOf(QList<float>{-2.25f});
    QTest::newRow("float to LA") << "udp"
                                 << "LA9" << int(Float) << listOf(QList<float>{1e6f});
    QTest::newRow("Int32 to LW") << "udp"
                                 << "LW3" << int(Int32) << listOf(QList<int>{-7, 9});
    QTest::newRow("UInt32 to LW") << "udp"
                                  << "LW8" << int(UInt32) << listOf(QList<uint>{4000000000u});
    QTest::newRow("Int16 to AI") << "udp"
                                 << "AI4" << int(Int16) << listOf(QList<short>{-300});
    QTest::newRow("UInt16 to SA") << "udp"
                                  << "SA5" << int(UInt16) << listOf(QList<ushort>{65000, 2});
    QTest::newRow("UInt8 to NAO") << "udp"
                                  << "NAO2" << int(UInt8) << listOf(QList<uchar>{1, 2, 3, 250});
    QTest::newRow("Int64 to NAI") << "udp"
                                  << "NAI7" << int(Int64) << listOf(QList<qlonglong>{-(1LL << 40)});
    QTest::newRow("double to HAI")
        << "udp"
        << "HAI2" << int(Double) << listOf(QList<double>{3.141592653589793});
    QTest::newRow("bits to DO") << "udp"
                                << "DO5" << int(Bool) << listOf(QList<bool>{true, false, true});
    QTest::newRow("string to SI") << "udp"
                                  << "SI4" << int(string)
                                  << listOf(QList<QString>{QStringLiteral("pump 4")});
    QTest::newRow("serial Int32 to LW") << "serial"
                                        << "LW1" << int(Int32) << listOf(QList<int>{123456});
    QTest::newRow("serial bits to NDO") << "serial"
                                        << "NDO20" << int(Bool) << listOf(QList<bool>{false, true});
}

void tst_LibVexmarTick::writesReadBack()
{
    QFETCH(QString, kind);
    QFETCH(QString, address);
    QFETCH(int, type);
    QFETCH(QVariant, value);
    QVERIFY(link(kind));
    const int count = value.value<QSequentialIterable>().size();
    const DataType t = DataType(type);
    const CLabelVariable w = m_driver->WriteVariable(address, t, record(value), count);
    QCOMPARE(w.status, int(LabelStatus::Ok));
    QVERIFY(w.time.isValid());
    const CLabelVariable r = m_driver->ReadVariable(address, t, count);
    QCOMPARE(r.status, int(LabelStatus::Ok));
    QCOMPARE(valueText(r.value), valueText(value));
    QCOMPARE(m_sim->frameCount(), 2);
}

void tst_LibVexmarTick::multiByteNumbersInBitAreas()
{
    QVERIFY(link(QStringLiteral("udp")));
    // A 16-bit number in a bit area is 16 points, least significant first.
    const CLabelVariable w = m_driver->WriteVariable(QStringLiteral("DO17"), UInt16,
                                                     record(listOf(QList<ushort>{0x8421})), 1);
    QCOMPARE(w.status, int(LabelStatus::Ok));
    const CLabelVariable points = m_driver->ReadVariable(QStringLiteral("DO17"), Bool, 16);
    QList<bool> expected;
    for (int bit = 0; bit < 16; ++bit)
        expected << (((0x8421 >> bit) & 1) != 0);
    QCOMPARE(valueText(points.value), valueText(listOf(expected)));
    QCOMPARE(valueText(m_driver->ReadVariable(QStringLiteral("DO17"), UInt16, 1).value),
             valueText(listOf(QList<ushort>{0x8421})));
    // 32 and 64 bits alike: DI1 onwards holds 1 at every third point.
    quint64 every3rd = 0;
    for (int bit = 0; bit < 64; bit += 3)
        every3rd |= quint64(1) << bit;
    QCOMPARE(valueText(m_driver->ReadVariable(QStringLiteral("DI1"), UInt32, 1).value),
             valueText(listOf(QList<uint>{uint(every3rd)})));
    QCOMPARE(valueText(m_driver->ReadVariable(QStringLiteral("DI1"), UInt64, 1).value),
             valueText(listOf(QList<qulonglong>{every3rd})));
}

void tst_LibVexmarTick::stringsAgreeEndToEnd()
{
    QVERIFY(link(QStringLiteral("udp")));
    const QString key = QStringLiteral("1");
    const auto text = [](const QString &s) { return listOf(QList<QString>{s}); };
    // Written by the engine (a slot of bytes), read by the driver as a string.
    const CLabelVariable e = m_driver->PointWriting(
        key, Induction::SWriteInfo{QStringLiteral("SI3"), string, text(QStringLiteral("hello"))});
    QCOMPARE(e.status, int(LabelStatus::Ok));
    QCOMPARE(valueText(m_driver->ReadVariable(QStringLiteral("SI3"), string).value),
             valueText(text(QStringLiteral("hello"))));
    // Written by the driver as a string, read by a tick and by a point read of the engine.
    const CLabelVariable w = m_driver->WriteVariable(QStringLiteral("SI6"), string,
                                                     record(text(QStringLiteral("world"))));
    QCOMPARE(w.status, int(LabelStatus::Ok));
    const SReadInfo si6{QStringLiteral("SI6"), string};
    QCOMPARE(valueText(runTick(m_driver, {si6}).values.value(si6).value),
             valueText(text(QStringLiteral("world"))));
    // A point read of a string hands back the slot's bytes, as a block read of them does.
    const CLabelVariable point = m_driver->PointReading(key, si6);
    QCOMPARE(point.status, int(LabelStatus::Ok));
    QCOMPARE(valueText(point.value).left(26), QStringLiteral("char:119,111,114,108,100,0"));
    // The slot as bytes: its length byte is left out, the text follows.
    const CLabelVariable bytes = m_driver->ReadVariable(QStringLiteral("SI6"), Int8, 256);
    const QList<char> slot = bytes.value.value<QList<char>>();
    QCOMPARE(slot.size(), 255);
    QCOMPARE(QByteArray(slot.mid(0, 6).toVector().constData(), 6), QByteArray("world\0", 6));
}

void tst_LibVexmarTick::stringSlotsReadAlike_data()
{
    QTest::addColumn<QByteArray>("planted"); // slots from SI1 on
    QTest::addColumn<QList<QString>>("texts");
    const auto x = [](int n) { return QByteArray(n, 'x'); };
    QTest::newRow("200 characters, then abc") << slot(hex("c8") + x(200)) + slot(hex("03616263"))
                                              << QList<QString>{QString(200, 'x'), "abc"};
    QTest::newRow("a single full slot")
        << slot(hex("ff") + x(255)) << QList<QString>{QString(255, 'x')};
    QTest::newRow("bytes past the length are no text")
        << slot(hex("03616263646566")) << QList<QString>{"abc"};
    QTest::newRow("a zero byte ends a text") << slot(hex("0561620063")) << QList<QString>{"ab"};
    QTest::newRow("UTF-8, then an empty slot")
        << slot(hex("05636166c3a9")) + slot({}) << QList<QString>{QStringLiteral("caf\u00e9"), ""};
}

// Slots planted as raw bytes read the same whether read as a run, one by one or by a tick, and a
// slot's length byte counts up to 255.
void tst_LibVexmarTick::stringSlotsReadAlike()
{
    QFETCH(QByteArray, planted);
    QFETCH(QList<QString>, texts);
    QVERIFY(link(QStringLiteral("udp")));
    QList<char> bytes;
    for (char c : planted)
        bytes.append(c);
    // Bytes into the string area go as they are, with no text rule between.
    QCOMPARE(
        m_driver->WriteVariable(QStringLiteral("SI1"), Int8, record(listOf(bytes)), bytes.size())
            .status,
        int(LabelStatus::Ok));

    const CLabelVariable run = m_driver->ReadVariable(QStringLiteral("SI1"), string, texts.size());
    QCOMPARE(run.status, int(LabelStatus::Ok));
    QCOMPARE(run.value.value<QList<QString>>(), texts);
    QList<SReadInfo> labels;
    for (int i = 0; i < texts.size(); ++i)
        labels.append({QStringLiteral("SI%1").arg(i + 1), string});
    const VexmarTick tick = runTick(m_driver, labels);
    for (int i = 0; i < texts.size(); ++i) {
        const QList<QString> text{texts.at(i)};
        QCOMPARE(m_driver->ReadVariable(labels.at(i).name, string).value.value<QList<QString>>(),
                 text);
        const CLabelVariable ticked = tick.values.value(labels.at(i));
        QCOMPARE(ticked.status, int(LabelStatus::Ok));
        QCOMPARE(ticked.value.value<QList<QString>>(), text);
    }
}

void tst_LibVexmarTick::stringBytesOnTheWire_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // of the slot, up to its zeros
    const struct
    {
        const char *tag;
        QString text;
        QByteArray bytes;
    } rows[] = {
        {"ASCII", "abc", hex("03616263")},
        {"empty", "", hex("00")},
        {"accented Latin", QStringLiteral("caf\u00e9"), hex("05636166c3a9")},
        {"Chinese", QStringLiteral("\u4e2d\u6587"), hex("06e4b8ade69687")},
    };
    for (const auto &row : rows) {
        for (const char *path : {"WriteVariable", "PointWriting"})
            QTest::addRow("%s, %s", row.tag, path) << path << row.text << row.bytes;
    }
}

// What reaches the controller: the slot's length byte counts the bytes of UTF-8, which follow it;
// ASCII keeps one byte per character.
void tst_LibVexmarTick::stringBytesOnTheWire()
{
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QVERIFY(link(QStringLiteral("udp")));
    const QVariant value = listOf(QList<QString>{text});
    const CLabelVariable written
        = path == QLatin1String("PointWriting")
              ? m_driver->PointWriting(QStringLiteral("1"),
                                       Induction::SWriteInfo{QStringLiteral("SI2"), string, value})
              : m_driver->WriteVariable(QStringLiteral("SI2"), string, record(value));
    QCOMPARE(written.status, int(LabelStatus::Ok));
    // The simulator logs each request with its bytes: "<n> write area=28 addr=256 ... <hex>".
    const QStringList lines = m_sim->logLines();
    QVERIFY(!lines.isEmpty());
    const QString last = lines.last();
    QCOMPARE(last.section(QLatin1Char(' '), 1, 3), QStringLiteral("write area=28 addr=256"));
    const QByteArray frame = QByteArray::fromHex(last.section(QLatin1Char(' '), 5, 5).toLatin1());
    QCOMPARE(frame.mid(11).toHex(), slot(bytes).toHex());
}

QTEST_GUILESS_MAIN(tst_LibVexmarTick)
#include "tst_libvexmartick.moc"
