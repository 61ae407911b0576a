// Start-up rules without a window: settings defaults and reading, instance mode and database
// name, window title, login pairs and the single-instance guard across processes.
#include "instanceguard.h"
#include "permissioncheck.h"
#include "programfolder.h"
#include "programsettings.h"
#include "windowfit.h"
#include "windowtitle.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>
#include <QUuid>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString uniqueKey()
{
    return QStringLiteral("tst_startuplogic-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// The test executable doubles as the other process that holds the segment.
int holdSegment(const char *key)
{
    InstanceGuard guard(QString::fromLocal8Bit(key));
    std::puts(guard.acquire() ? "held" : "refused");
    std::fflush(stdout);
    // Held until the test kills this process (without any clean-up of the segment).
    std::getchar();
    std::_Exit(0);
}

} // namespace

class tst_StartupLogic : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWritesDefaults();
    void savedSettingsAreRead_data();
    void savedSettingsAreRead();
    void databaseFileName_data();
    void databaseFileName();
    void qtTranslation_data();
    void qtTranslation();
    void windowFit_data();
    void windowFit();
    void columnFit_data();
    void columnFit();
    void columnFitOnEveryWidth();
    void windowTitle_data();
    void windowTitle();
    void permission_data();
    void permission();
    void secondGuardInProcessIsRefused();
    void programKeyNamesTheUser();
    void liveHolderRefusesAndCrashedHolderIsRecovered();
};

void tst_StartupLogic::firstStartWritesDefaults()
{
    QTemporaryDir dir;
    const ProgramFolder folder(dir.path());
    QCOMPARE(folder.settingsFilePath(), dir.path() + "/settings.ini");
    ProgramSettings settings(folder.settingsFilePath());
    const StartupSettings loaded = settings.load(folder.programDir());
    QVERIFY(!loaded.existed);
    QCOMPARE(loaded.language, QStringLiteral("Chinese"));
    QCOMPARE(loaded.mode, QStringLiteral("0"));

    QSettings file(folder.settingsFilePath(), QSettings::IniFormat);
    QCOMPARE(file.value("Language/language").toString(), QStringLiteral("Chinese"));
    QCOMPARE(file.value("Path/dPro").toString(), dir.path());
    QCOMPARE(file.value("Path/xlsx").toString(), dir.path());
    QCOMPARE(file.value("multiModeofAPP/Mode").toString(), QStringLiteral("0"));

    // The second start finds the file.
    ProgramSettings again(folder.settingsFilePath());
    QVERIFY(again.load(folder.programDir()).existed);
}

void tst_StartupLogic::qtTranslation_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("cancel");
    const QString cancelZh = QString::fromUtf8("\xe5\x8f\x96\xe6\xb6\x88");
    QTest::newRow("Chinese") << "Chinese" << true << cancelZh;
    // Whatever is not exactly "English" is Chinese, as for the program's own catalogue.
    QTest::newRow("lower-case english") << "english" << true << cancelZh;
    QTest::newRow("English") << "English" << false << "";
}

void tst_StartupLogic::qtTranslation()
{
    QFETCH(QString, language);
    QFETCH(bool, loaded);
    QFETCH(QString, cancel);
    QTranslator translator;
    // A Chinese catalogue loaded before is emptied by a switch to English.
    QVERIFY(ProgramSettings::loadQtTranslation(&translator, QStringLiteral("Chinese")));
    QCOMPARE(ProgramSettings::loadQtTranslation(&translator, language), loaded);
    QCOMPARE(translator.isEmpty(), !loaded);
    // The text of the standard Cancel button, as Qt's dialogs ask for it.
    QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), cancel);
}

void tst_StartupLogic::windowFit_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("maximized");
    QTest::newRow("large screen") << QRect(0, 0, 2560, 1400) << QSize(1920, 1080) << false;
    QTest::newRow("1600 x 1000 screen") << QRect(0, 0, 1600, 1000) << QSize(1600, 1000) << true;
    QTest::newRow("wide but low") << QRect(0, 40, 2560, 1000) << QSize(1920, 1000) << true;
    // The frame would push the bottom row off a screen of exactly the wanted size.
    QTest::newRow("exactly the size") << QRect(0, 0, 1920, 1080) << QSize(1920, 1080) << true;
    QTest::newRow("no screen") << QRect() << QSize(1920, 1080) << false;
}

void tst_StartupLogic::windowFit()
{
    QFETCH(QRect, available);
    QFETCH(QSize, size);
    QFETCH(bool, maximized);
    const WindowFit fit = fitWindow(QSize(1920, 1080), available);
    QCOMPARE(fit.size, size);
    QCOMPARE(fit.maximized, maximized);
}

void tst_StartupLogic::columnFit_data()
{
    QTest::addColumn<QVector<int>>("preferred");
    QTest::addColumn<QVector<int>>("minimum");
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("elastic");
    QTest::addColumn<QVector<int>>("widths");

    const QVector<int> preferred{100, 200, 100};
    const QVector<int> minimum{50, 50, 50};
    QTest::newRow("room to spare") << preferred << minimum << 1000 << 1 << preferred;
    QTest::newRow("exactly the width") << preferred << minimum << 400 << 1 << preferred;
    QTest::newRow("the others give half their room")
        << preferred << minimum << 350 << 1 << QVector<int>{75, 200, 75};
    QTest::newRow("the others down to their minimum, the free text keeps its width")
        << preferred << minimum << 300 << 1 << QVector<int>{50, 200, 50};
    QTest::newRow("then the free text gives way")
        << preferred << minimum << 200 << 1 << QVector<int>{50, 100, 50};
    QTest::newRow("not even the minimums fit")
        << preferred << minimum << 100 << 1 << QVector<int>{50, 50, 50};
    QTest::newRow("no free text: all in proportion to their room")
        << preferred << minimum << 300 << -1 << QVector<int>{80, 140, 80};
    QTest::newRow("a minimum above the preferred width keeps that")
        << preferred << QVector<int>{150, 50, 0} << 300 << 1 << QVector<int>{100, 200, 0};
    QTest::newRow("shares rounded to add up to the width")
        << QVector<int>{10, 10, 10} << QVector<int>{0, 0, 0} << 29 << -1 << QVector<int>{10, 9, 10};
    QTest::newRow("a hidden column takes no room")
        << QVector<int>{100, 0, 100} << QVector<int>{50, 0, 50} << 150 << 1
        << QVector<int>{75, 0, 75};
}

void tst_StartupLogic::columnFit()
{
    QFETCH(QVector<int>, preferred);
    QFETCH(QVector<int>, minimum);
    QFETCH(int, available);
    QFETCH(int, elastic);
    QFETCH(QVector<int>, widths);
    QCOMPARE(fitColumnWidths(preferred, minimum, available, elastic), widths);
}

void tst_StartupLogic::columnFitOnEveryWidth()
{
    // The label table's widths: from the widest window down to one narrower than the minimums,
    // the columns fill the width exactly while they can, none below its minimum or above its
    // preferred width, and the free text gives way only when the others have no room left.
    const QVector<int> preferred{280, 240, 480, 160, 80, 160};
    const QVector<int> minimum{170, 95, 90, 90, 45, 110};
    int sumMinimum = 0;
    for (int m : minimum)
        sumMinimum += m;
    for (int available = 1600; available >= 400; --available) {
        const QVector<int> widths = fitColumnWidths(preferred, minimum, available, 2);
        int sum = 0;
        bool othersAtMinimum = true;
        for (int i = 0; i < widths.size(); ++i) {
            QVERIFY(widths[i] >= minimum[i] && widths[i] <= preferred[i]);
            sum += widths[i];
            if (i != 2)
                othersAtMinimum = othersAtMinimum && widths[i] == minimum[i];
        }
        QCOMPARE(sum, std::clamp(available, sumMinimum, 1400));
        QVERIFY(widths[2] == preferred[2] || othersAtMinimum);
    }
}

void tst_StartupLogic::savedSettingsAreRead_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("loadedMode");

    QTest::newRow("English, multiple") << "English" << "1" << ":/lang_English.qm" << "1";
    QTest::newRow("lower-case english is Chinese") << "english" << "0" << ":/lang_Chinese.qm" << "0";
    QTest::newRow("mode 2 becomes single") << "Chinese" << "2" << ":/lang_Chinese.qm" << "0";
    QTest::newRow("missing keys") << QString() << QString() << ":/lang_Chinese.qm" << "0";
}

void tst_StartupLogic::savedSettingsAreRead()
{
    QFETCH(QString, language);
    QFETCH(QString, mode);
    QFETCH(QString, catalogue);
    QFETCH(QString, loadedMode);

    QTemporaryDir dir;
    const QString path = ProgramFolder(dir.path()).settingsFilePath();
    {
        QSettings file(path, QSettings::IniFormat);
        if (!language.isNull())
            file.setValue("Language/language", language);
        if (!mode.isNull())
            file.setValue("multiModeofAPP/Mode", mode);
        file.setValue("Path/dPro", "/projects");
    }
    QCOMPARE(ProgramSettings::peekMode(path), loadedMode);
    ProgramSettings settings(path);
    const StartupSettings loaded = settings.load(dir.path());
    QVERIFY(loaded.existed);
    QCOMPARE(ProgramSettings::translationResource(loaded.language), catalogue);
    QCOMPARE(loaded.mode, loadedMode);
    QCOMPARE(loaded.projectFolder, QStringLiteral("/projects"));
    QCOMPARE(loaded.reportFolder, QString());
    // Every start leaves "0" or "1" in the file.
    QCOMPARE(QSettings(path, QSettings::IniFormat).value("multiModeofAPP/Mode").toString(),
             loadedMode);
}

void tst_StartupLogic::databaseFileName_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("expected");

    QTest::newRow("single") << "0" << "/p/line1.dpro" << "HistoryData.db";
    QTest::newRow("multiple") << "1" << "/p/line1.dpro" << "line1.db";
    QTest::newRow("multiple, no project") << "1" << QString() << "HistoryData.db";
    QTest::newRow("multiple, short name") << "1" << "/p/ab" << "db";
}

void tst_StartupLogic::databaseFileName()
{
    QFETCH(QString, mode);
    QFETCH(QString, project);
    QFETCH(QString, expected);
    QCOMPARE(ProgramSettings::databaseFileName(mode, project), expected);
}

void tst_StartupLogic::windowTitle_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("monitoring");
    QTest::addColumn<QString>("expected");

    const QString sep = QString::fromUtf8(" \xe2\x80\x94\xe2\x80\x94 ");
    QTest::newRow("single, idle") << "0" << false << "Morvelin V1.8.5";
    QTest::newRow("single, monitoring") << "0" << true << "Morvelin V1.8.5" + sep + "COM3" + sep + "12";
    QTest::newRow("multiple, idle") << "1" << false << "Morvelin V1.8.5 [M]";
    QTest::newRow("multiple, monitoring")
        << "1" << true << "Morvelin V1.8.5 [M]" + sep + "COM3" + sep + "12";
    QTest::newRow("unknown mode") << "7" << true << "Morvelin V1.8.5";
}

void tst_StartupLogic::windowTitle()
{
    QFETCH(QString, mode);
    QFETCH(bool, monitoring);
    QFETCH(QString, expected);
    WindowTitleState state;
    state.mode = mode;
    state.monitoring = monitoring;
    state.linkName = "COM3";
    state.deviceText = "12";
    QCOMPARE(composeWindowTitle(state, " [M]"), expected);
}

void tst_StartupLogic::permission_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("first pair") << "tovek" << "tovek" << true;
    QTest::newRow("second pair") << "mirn" << "kavrum@4682" << true;
    QTest::newRow("crossed pairs 1") << "tovek" << "kavrum@4682" << false;
    QTest::newRow("crossed pairs 2") << "mirn" << "tovek" << false;
    QTest::newRow("letter case") << "Tovek" << "tovek" << false;
    QTest::newRow("blank not trimmed") << "tovek " << "tovek" << false;
    QTest::newRow("empty") << "" << "" << false;
}

void tst_StartupLogic::permission()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QCOMPARE(permissionAccepted(user, password), accepted);
}

void tst_StartupLogic::secondGuardInProcessIsRefused()
{
    const QString key = uniqueKey();
    InstanceGuard first(key);
    InstanceGuard second(key);
    QVERIFY(first.acquire());
    QVERIFY(first.acquire()); // holding already
    QVERIFY(!second.acquire());
    QVERIFY(!second.isHeld());
}

void tst_StartupLogic::programKeyNamesTheUser()
{
    // Two users of one machine each get a guard of their own; one user's copies share it.
    QVERIFY(InstanceGuard::keyForUser(1000) != InstanceGuard::keyForUser(1001));
    QCOMPARE(InstanceGuard::keyForUser(1000), InstanceGuard::keyForUser(1000));
    QCOMPARE(InstanceGuard().key(), InstanceGuard::programKey());
#ifdef Q_OS_UNIX
    QCOMPARE(InstanceGuard::programKey(),
             QStringLiteral("MyApplicationMemoryKey-%1").arg(uint(getuid())));
#endif
}

void tst_StartupLogic::liveHolderRefusesAndCrashedHolderIsRecovered()
{
    const QString key = uniqueKey();
    QProcess holder; // its destructor kills the process if a check below fails
    holder.start(QCoreApplication::applicationFilePath(), {"--hold", key});
    QVERIFY(holder.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine(), 10000);
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));

    {
        InstanceGuard refused(key);
        QVERIFY(!refused.acquire());
    }
    // The live segment survived the probe of the refused guard.
    {
        InstanceGuard stillRefused(key);
        QVERIFY(!stillRefused.acquire());
    }

    // A crash leaves the segment behind with nobody attached.
    holder.kill();
    QVERIFY(holder.waitForFinished(5000));
    InstanceGuard next(key);
    QVERIFY2(next.acquire(), qPrintable(next.errorString()));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0)
        return holdSegment(argv[2]);
    QCoreApplication app(argc, argv);
    tst_StartupLogic test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startuplogic.moc"
