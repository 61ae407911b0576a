// The LibVexmar driver class without a device: the debug commands, the build date, the connect
// parameter, and the engine's road into the driver's own operations. What every driver does
// through the loaded module is tst_vexmarcontract's.
#include "driverloader.h"
#include "libvexmar.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// Records what the engine's callbacks hand to the driver's interface operations.
class RecordingVexmar : public LibVexmar
{
public:
    QStringList calls;

    int SetConnectPar(QString par) override
    {
        calls << QStringLiteral("SetConnectPar %1").arg(par);
        return LibVexmar::SetConnectPar(par);
    }
    CLabelVariable ReadVariable(QString address, DataType type, int count) override
    {
        calls << QStringLiteral("ReadVariable %1 %2 %3").arg(address).arg(type).arg(count);
        return LibVexmar::ReadVariable(address, type, count);
    }
    CLabelVariable WriteVariable(QString address, DataType type, CLabelVariable value,
                                 int count) override
    {
        calls << QStringLiteral("WriteVariable %1 %2 %3 status %4")
                     .arg(address)
                     .arg(type)
                     .arg(count)
                     .arg(value.status);
        return LibVexmar::WriteVariable(address, type, value, count);
    }
};

CDriveBaseClass *newDriver(const LoadedDriver &loaded)
{
    auto entry
        = reinterpret_cast<GetSharedLibraryFn>(loaded.library->resolve(getSharedLibrarySymbol));
    return entry ? entry() : nullptr;
}

} // namespace

class tst_LibVexmar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void debugCommands();
    void buildDate_data();
    void buildDate();
    void connectParameter_data();
    void connectParameter();
    void engineReadsThroughTheInterface();
    void engineWritesThroughTheInterface();

private:
    LoadedDriver m_loaded;
};

void tst_LibVexmar::initTestCase()
{
    m_loaded = loadDriver(QStringLiteral("LibVexmar"));
    QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
}

void tst_LibVexmar::debugCommands()
{
    CDriveBaseClass *d = newDriver(m_loaded);
    QCOMPARE(d->DebugCmd(StartDebug), QStringLiteral("StartDebug"));
    QCOMPARE(d->DebugCmd(StartDebug), QStringLiteral("StartDebug"));
    QCOMPARE(d->DebugCmd(StopDebug), QStringLiteral("StopDebug"));
    QCOMPARE(d->DebugCmd(DriveName), QStringLiteral("Vexmar"));
    QCOMPARE(d->DebugCmd(EDebugCmdType(4)), QString());
    QCOMPARE(d->DebugCmd(EDebugCmdType(-1)), QString());
    const QString build = d->DebugCmd(BuildInfo);
    const QRegularExpression form(
        QStringLiteral("^v2\\.1\\.0 \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    QVERIFY2(form.match(build).hasMatch(), qPrintable(build));

    LibVexmar direct;
    QVERIFY(!direct.transport().debugEnabled);
    direct.DebugCmd(StartDebug);
    QVERIFY(direct.transport().debugEnabled);
    direct.DebugCmd(StopDebug);
    QVERIFY(!direct.transport().debugEnabled);
}

void tst_LibVexmar::buildDate_data()
{
    QTest::addColumn<QString>("compilerDate");
    QTest::addColumn<QString>("printed");
    // The compiler pads days 1 to 9 with a space; those days must not come out empty.
    QTest::newRow("day 9") << "Aug  9 2024"
                           << "2024-08-09";
    QTest::newRow("day 1") << "Jan  1 2025"
                           << "2025-01-01";
    QTest::newRow("day 19") << "Aug 19 2024"
                            << "2024-08-19";
    QTest::newRow("day 31") << "Dec 31 1999"
                            << "1999-12-31";
    QTest::newRow("not a date") << "Foo 40 2024"
                                << "";
}

void tst_LibVexmar::buildDate()
{
    QFETCH(QString, compilerDate);
    QFETCH(QString, printed);
    QCOMPARE(LibVexmar::buildDate(compilerDate), printed);
}

void tst_LibVexmar::connectParameter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");
    QTest::newRow("list key") << "1" << 1;
    QTest::newRow("decimal") << "42" << 42;
    QTest::newRow("not a number") << "x1" << 0;
    QTest::newRow("negative") << "-3" << 0;
}

void tst_LibVexmar::connectParameter()
{
    QFETCH(QString, text);
    QFETCH(int, stored);
    CDriveBaseClass *d = newDriver(m_loaded);
    QCOMPARE(d->SetConnectPar(text), stored);
}

void tst_LibVexmar::engineReadsThroughTheInterface()
{
    RecordingVexmar d;
    const QList<Induction::SReadInfo> items{{QStringLiteral("AI1"), Int32},
                                            {QStringLiteral("AI2"), Int16},
                                            {QStringLiteral("DI3"), Bool}};
    const auto blocks = d.InductiveDrive_Read(QStringLiteral("7"), items);
    QCOMPARE(blocks.size(), 2);
    for (const auto &block : blocks) {
        const auto values = d.BlockReading(QStringLiteral("7"), block);
        QCOMPARE(values.size(), block.size());
        for (const CLabelVariable &v : values)
            QCOMPARE(v.status, int(LabelStatus::DeviceOffline));
    }
    // Each block: the list key to SetConnectPar, then one read of the whole block as bytes
    // (word areas) or points (bit areas). The engine's block order is its own.
    QCOMPARE(d.calls.size(), 4);
    QStringList pairs;
    for (int i = 0; i + 1 < d.calls.size(); i += 2)
        pairs << d.calls.at(i) + QLatin1String(" / ") + d.calls.at(i + 1);
    pairs.sort();
    QCOMPARE(pairs, QStringList({QStringLiteral("SetConnectPar 7 / ReadVariable AI1 2 8"),
                                 QStringLiteral("SetConnectPar 7 / ReadVariable DI3 1 1")}));
}

void tst_LibVexmar::engineWritesThroughTheInterface()
{
    RecordingVexmar d;
    const CLabelVariable v = d.PointWriting(
        QStringLiteral("3"),
        Induction::SWriteInfo{QStringLiteral("SA2"), Int16, QVariant::fromValue(QList<short>{5})});
    // The record the callback builds starts "not done"; with no link the write finds the
    // device offline.
    QCOMPARE(d.calls, QStringList({QStringLiteral("SetConnectPar 3"),
                                   QStringLiteral("WriteVariable SA2 4 1 status 1")}));
    QCOMPARE(v.status, int(LabelStatus::DeviceOffline));
    QCOMPARE(v.name, QStringLiteral("SA2"));
}

QTEST_GUILESS_MAIN(tst_LibVexmar)
#include "tst_libvexmar.moc"
