// The demo project in examples/: it reads as a project file, names the LibVexmar module the
// program finds, every one of its labels is polled successfully from the simulator with
// changing values, as scripts/run.sh starts it, and its outputs keep what is written to them.
#include "driverloader.h"
#include "elementtype.h"
#include "labeltypes.h"
#include "projectfile.h"
#include "vexmarsimprocess.h"
#include "vexmartick.h"

#include <QSet>
#include <QtTest>
#include <cmath>

class tst_LibVexmarDemo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void projectNamesTheDriverAndEveryType();
    void everyLabelPollsAndValuesChange();
    void outputsKeepWhatIsWritten();
    void sixtyFourBitLabelKeepsWhatIsWritten();

private:
    // The demo project's driver connected to the simulator in demo mode; null, with error, when
    // either fails.
    CDriveBaseClass *connectDemo(VexmarSimProcess *sim, QString *error);

    QList<Induction::SReadInfo> m_records;
    ProjectData m_project;
};

void tst_LibVexmarDemo::initTestCase()
{
    const ProjectReadResult r
        = ProjectFile::read(QStringLiteral(MORVELIN_SOURCE_DIR "/examples/vexmar-demo.dpro"));
    QCOMPARE(r.status, ProjectReadResult::Ok);
    m_project = r.data;
    for (const LabelRow &row : m_project.labels) {
        const int position = LabelTypes::positionOfName(row.value(LabelColumnType));
        QVERIFY2(position >= 0, qPrintable(row.join(QLatin1Char(' '))));
        m_records.append({row.value(LabelColumnLabel), LabelTypes::dataTypeAt(position)});
    }
}

void tst_LibVexmarDemo::projectNamesTheDriverAndEveryType()
{
    QCOMPARE(m_project.driveLibName, QStringLiteral("LibVexmar"));
    QVERIFY(
        !ProjectFile::driverLibraryPath(QStringLiteral(MORVELIN_DRIVER_DIR), m_project.driveLibName)
             .isEmpty());
    QVERIFY(m_project.hasConnect);
    QCOMPARE(m_project.linkMode, QStringLiteral("net"));
    // The simulator's default port, on which scripts/run.sh starts it.
    QCOMPARE(m_project.linkParameter, QStringLiteral("127.0.0.1:5000"));
    QVERIFY(m_records.size() >= 30);
    QSet<int> types;
    for (const Induction::SReadInfo &r : m_records)
        types.insert(r.type);
    for (int t = Bool; t <= string; ++t)
        QVERIFY2(types.contains(t), qPrintable(dataTypeName(t)));
}

void tst_LibVexmarDemo::everyLabelPollsAndValuesChange()
{
    VexmarSimProcess sim;
    QString error;
    CDriveBaseClass *d = connectDemo(&sim, &error);
    QVERIFY2(d, qPrintable(error));

    const VexmarTick first = runTick(d, m_records);
    QCOMPARE(first.values.size(), m_records.size());
    for (const Induction::SReadInfo &r : m_records) {
        const CLabelVariable &v = first.values.value(r);
        QVERIFY2(v.status == LabelStatus::Ok, qPrintable(r.name));
        // What a plant shows: no memory noise such as -4.81452e+17 or 3.22013e-20.
        if (r.type != string) {
            double x = 0;
            CLabelVariable copy = v;
            withNumericType(r.type,
                            [&](auto tag) { x = double(copy.elementAt<decltype(tag)>(0)); });
            QVERIFY2(std::isfinite(x) && std::fabs(x) < 1e7 && (x == 0 || std::fabs(x) >= 0.01),
                     qPrintable(r.name + " " + valueText(v.value)));
        } else {
            QVERIFY2(!v.value.value<QList<QString>>().value(0).isEmpty(), qPrintable(r.name));
        }
    }
    QCOMPARE(sim.requestCount(), 1 + first.blocks.size());

    // A counter counts and a temperature drifts.
    for (const Induction::SReadInfo &changing :
         {Induction::SReadInfo{QStringLiteral("AI1"), Int32},
          Induction::SReadInfo{QStringLiteral("AI17"), Float}}) {
        const QString before = valueText(first.values.value(changing).value);
        QTRY_VERIFY_WITH_TIMEOUT(
            valueText(runTick(d, m_records).values.value(changing).value) != before, 5000);
    }
    QCOMPARE(d->DestroyFree(), 0);
}

CDriveBaseClass *tst_LibVexmarDemo::connectDemo(VexmarSimProcess *sim, QString *error)
{
    const LoadedDriver loaded = loadDriver(m_project.driveLibName);
    // As scripts/run.sh starts it, with a quicker step.
    if (!loaded.driver
        || !sim->startUdp({QStringLiteral("--demo"),
                           QStringLiteral(MORVELIN_SOURCE_DIR "/examples/vexmar-demo.dpro"),
                           QStringLiteral("--interval"), QStringLiteral("50")})) {
        *error = loaded.driver ? sim->error() : loaded.error;
        return nullptr;
    }
    const int connected
        = loaded.driver->ConnectDrive(QStringLiteral("127.0.0.1:%1").arg(sim->port()));
    *error = QStringLiteral("ConnectDrive gave %1").arg(connected);
    return connected == 0 ? loaded.driver : nullptr;
}

void tst_LibVexmarDemo::outputsKeepWhatIsWritten()
{
    VexmarSimProcess sim;
    QString error;
    CDriveBaseClass *d = connectDemo(&sim, &error);
    QVERIFY2(d, qPrintable(error));
    auto numberOf = [](CLabelVariable v) {
        double x = v.value.value<QList<bool>>().value(0) ? 1.0 : 0.0;
        withNumericType(v.type, [&](auto tag) { x = double(v.elementAt<decltype(tag)>(0)); });
        return x;
    };

    // Every output of the demo, written as a user writes it from the label table.
    QMap<QString, double> written;
    for (const Induction::SReadInfo &r : qAsConst(m_records)) {
        if (!QRegularExpression(QStringLiteral("^N?(AO|DO)")).match(r.name).hasMatch())
            continue;
        const CLabelVariable now = d->ReadVariable(r.name, DataType(r.type), 1);
        QVERIFY2(now.status == LabelStatus::Ok, qPrintable(r.name));
        const double x = numberOf(now);
        const double want = r.type == Bool ? 1.0 - x : std::round(x) + 2.0;
        CLabelVariable value;
        value.value = oneElementList(r.type, want);
        value.count = 1;
        value.type = r.type;
        const CLabelVariable answer = d->WriteVariable(r.name, DataType(r.type), value, 1);
        QVERIFY2(answer.status == LabelStatus::Ok, qPrintable(QStringLiteral("%1 %2: status %3")
                                                                  .arg(r.name, dataTypeName(r.type))
                                                                  .arg(answer.status)));
        written.insert(r.name, want);
    }
    QVERIFY(written.size() >= 6);

    // Still there while the inputs move on.
    const QString before = valueText(d->ReadVariable(QStringLiteral("AI1"), Int32, 1).value);
    QTRY_VERIFY_WITH_TIMEOUT(
        valueText(d->ReadVariable(QStringLiteral("AI1"), Int32, 1).value) != before, 5000);
    for (const Induction::SReadInfo &r : qAsConst(m_records)) {
        if (written.contains(r.name))
            QCOMPARE(numberOf(d->ReadVariable(r.name, DataType(r.type), 1)), written.value(r.name));
    }
    QCOMPARE(d->DestroyFree(), 0);
}

void tst_LibVexmarDemo::sixtyFourBitLabelKeepsWhatIsWritten()
{
    VexmarSimProcess sim;
    QString error;
    CDriveBaseClass *d = connectDemo(&sim, &error);
    QVERIFY2(d, qPrintable(error));
    // A value a double cannot carry, to every 64-bit label of the demo.
    const qint64 want = 9007199254740993;
    QStringList written;
    for (const Induction::SReadInfo &r : qAsConst(m_records)) {
        if (r.type != Int64 && r.type != UInt64)
            continue;
        CLabelVariable value;
        value.value = r.type == Int64 ? QVariant::fromValue(QList<qint64>{want})
                                      : QVariant::fromValue(QList<quint64>{quint64(want)});
        value.count = 1;
        value.type = r.type;
        QCOMPARE(d->WriteVariable(r.name, DataType(r.type), value, 1).status, int(LabelStatus::Ok));
        written << r.name;
    }
    // After the inputs have moved on, one of them at least still holds it, every digit.
    const QString before = valueText(d->ReadVariable(QStringLiteral("AI1"), Int32, 1).value);
    QTRY_VERIFY_WITH_TIMEOUT(
        valueText(d->ReadVariable(QStringLiteral("AI1"), Int32, 1).value) != before, 5000);
    QStringList kept;
    for (const Induction::SReadInfo &r : qAsConst(m_records)) {
        if (!written.contains(r.name))
            continue;
        const CLabelVariable back = d->ReadVariable(r.name, DataType(r.type), 1);
        const qint64 x = r.type == Int64 ? back.value.value<QList<qint64>>().value(0)
                                         : qint64(back.value.value<QList<quint64>>().value(0));
        if (back.status == LabelStatus::Ok && x == want)
            kept << r.name;
    }
    QVERIFY2(!kept.isEmpty(), qPrintable(written.join(QLatin1Char(' '))));
    QCOMPARE(d->DestroyFree(), 0);
}

QTEST_GUILESS_MAIN(tst_LibVexmarDemo)
#include "tst_libvexmardemo.moc"
