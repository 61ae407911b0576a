#include "driverloader.h"
#include "testdrivercontrol.h"

#include <QtTest>

// The interface as the program uses it: a library built apart, opened from libdrive by QLibrary.
class tst_DriverInterface : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void twoCallsGiveTwoObjects();
    void everySlotReachesItsOperation();
    void debugCommands();
    void readsAndWritesThroughTheTable();
    void missingLibraryFailsToLoad();

private:
    LoadedDriver m_loaded;
    TestDriverControl *m_control = nullptr;
};

void tst_DriverInterface::initTestCase()
{
    m_loaded
        = loadDriver(QStringLiteral("LibTestDriver"), QStringLiteral(MORVELIN_TEST_DRIVER_DIR));
    QVERIFY2(m_loaded.driver, qPrintable(m_loaded.error));
    auto controlFn = reinterpret_cast<TestDriverControlFn>(
        m_loaded.library->resolve(testDriverControlSymbol));
    QVERIFY(controlFn);
    m_control = controlFn();
    QVERIFY(m_control);
}

void tst_DriverInterface::init()
{
    m_control->reset();
}

void tst_DriverInterface::twoCallsGiveTwoObjects()
{
    auto entry = reinterpret_cast<GetSharedLibraryFn>(
        m_loaded.library->resolve(getSharedLibrarySymbol));
    CDriveBaseClass *first = entry();
    CDriveBaseClass *second = entry();
    QVERIFY(first && second);
    QVERIFY(first != second);
    first->getDriveName();
    second->getDriveName();
    QCOMPARE(m_control->calls.size(), 2);
    QVERIFY(m_control->calls.at(0).driver != m_control->calls.at(1).driver);
}

void tst_DriverInterface::everySlotReachesItsOperation()
{
    QCOMPARE(callEverySlot(m_loaded.driver), 31);
    QList<int> expected;
    for (int slot = 0; slot <= 30; ++slot)
        expected.append(slot);
    QCOMPARE(m_control->slotList(), expected);
    const QStringList names = {
        "getDriveName", "getversion_number", "DebugCmd", "ConnectDrive", "SetConnectPar",
        "DisConnectDrive", "ReadVariable", "ReadVariable", "WriteVariable", "WriteVariable",
        "DestroyFree", "SetInductionParam", "InductiveDrive_Read", "InductiveDrive_Read",
        "DelInductiveDrive_Read", "DelInductiveDrive_Read", "DelCannotInductiveDrive_Read",
        "GetInductiveDrive_Read", "GetInductiveDrive_Read", "GetCannotInductiveDrive_Read",
        "BlockReading", "PointReading", "PointReading", "InductiveDrive_Write",
        "GetInductiveDrive_Write", "GetInductiveDrive_Write", "GetCannotInductiveDrive_Write",
        "BlockWriting", "PointWriting", "PointWriting", "SetDataInfo"};
    for (int slot = 0; slot <= 30; ++slot)
        QCOMPARE(m_control->calls.at(slot).operation, names.at(slot));
}

void tst_DriverInterface::debugCommands()
{
    CDriveBaseClass *d = m_loaded.driver;
    QCOMPARE(d->DebugCmd(DriveName), QStringLiteral("TestDriver"));
    QCOMPARE(d->DebugCmd(StopDebug), QStringLiteral("StopDebug"));
    QCOMPARE(d->DebugCmd(StartDebug), QStringLiteral("StartDebug"));
    QCOMPARE(d->DebugCmd(static_cast<EDebugCmdType>(7)), QString());
}

void tst_DriverInterface::readsAndWritesThroughTheTable()
{
    CDriveBaseClass *d = m_loaded.driver;
    m_control->connectResult = -2;
    QCOMPARE(d->ConnectDrive(QStringLiteral("127.0.0.1:9000")), -2);
    QCOMPARE(m_control->calls.last().args, QStringList{"127.0.0.1:9000"});

    m_control->valueByAddress.insert("AI1", QVariant::fromValue(QList<int>{1234567}));
    m_control->statusByAddress.insert("AI2", 8);
    m_control->omitted.insert("AI3");
    m_control->blockSize = 2;
    const QList<Induction::SReadInfo> items{{"AI1", Int32}, {"AI2", Int32}, {"AI3", Float}};
    const auto blocks = d->InductiveDrive_Read(QStringLiteral("1"), items);
    QCOMPARE(blocks.size(), 2);
    auto first = d->BlockReading(QStringLiteral("1"), blocks.at(0));
    QCOMPARE(first.size(), 2);
    QCOMPARE(first[items.at(0)].get_Int32(0), 1234567);
    QCOMPARE(first[items.at(1)].status, 8);
    QVERIFY(first[items.at(1)].time.isNull());
    QVERIFY(d->BlockReading(QStringLiteral("1"), blocks.at(1)).isEmpty());

    CLabelVariable v;
    v.value = QVariant::fromValue(QList<short>{-3});
    v.count = 1;
    v.type = Int16;
    const CLabelVariable r = d->WriteVariable(QStringLiteral("AI7"), Int16, v, 1);
    QCOMPARE(r.status, 0);
    QCOMPARE(m_control->written.value("AI7").value.value<QList<short>>(), QList<short>{-3});
}

void tst_DriverInterface::missingLibraryFailsToLoad()
{
    const LoadedDriver missing = loadDriver(QStringLiteral("NoSuchDriver"));
    QVERIFY(!missing.driver);
    QVERIFY(!missing.error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_DriverInterface)
#include "tst_driverinterface.moc"
