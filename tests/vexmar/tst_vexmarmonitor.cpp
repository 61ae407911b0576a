// The real window monitoring the Vexmar simulator through LibVexmar, bound from the program
// folder's libdrive, over UDP on 127.0.0.1 and over a socat pty pair: the history database gets
// the simulator's values under the project's id, with real times, one exchange per block, and a
// value written through the write dialog is what the next tick reads and stores.
#include "customcombobox.h"
#include "dialogwritelabel.h"
#include "drivebaseclass.h"
#include "labeltypes.h"
#include "projectfile.h"
#include "sqlrows.h"
#include "ui_mainwindow.h"
#include "vexmarsimprocess.h"
#include "widgetprompt.h"
#include "windowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>
#include <cmath>
#include <cstring>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

const char timeFormat[] = "yyyy-MM-dd hh:mm:ss.zzz";
constexpr int waitMs = 15000;

// Element T at byte address of a word area as the simulator's --pattern fills it.
template<typename T>
double patternNumber(int areaCode, int byteAddress)
{
    const QByteArray bytes = simPattern(areaCode, byteAddress, int(sizeof(T)));
    T v;
    std::memcpy(&v, bytes.constData(), sizeof(T)); // this host is little-endian, as the wire
    return double(v);
}

struct Label
{
    QString address;
    QString type;     // as the project file names it
    QString expected; // the stored history value the pattern gives, as text
};

QString number(double v)
{
    return QString::number(v, 'g', 17);
}

// A float label's history value: the shortest decimal that reads back as the same float.
QString floatNumber(double widened)
{
    const float f = float(widened);
    for (int precision = 1; std::isfinite(f) && precision <= 9; ++precision) {
        const double shortest = QString::number(widened, 'g', precision).toDouble();
        if (float(shortest) == f)
            return number(shortest);
    }
    return number(widened);
}

// Labels of several areas and types with the values of the simulator's pattern. Word areas
// hold 4 bytes per index (SA 2); bit areas hold 1 at every third point from index 1.
QList<Label> patternLabels()
{
    return {
        {"DI1", "bool", "1"},
        {"DI2", "bool", "0"},
        {"DO4", "bool", "1"},
        {"AI1", "Int32", number(patternNumber<qint32>(7, 0))},
        {"AI3", "UInt16", number(patternNumber<quint16>(7, 8))},
        {"LA2", "float", floatNumber(patternNumber<float>(23, 4))},
        {"AO1", "float", floatNumber(patternNumber<float>(10, 0))},
        {"LW5", "Int32", number(patternNumber<qint32>(24, 16))},
        {"SA3", "Int16", number(patternNumber<qint16>(14, 4))},
        {"HAI1", "double", number(patternNumber<double>(21, 0))},
        {"SI2", "string", "S2"},
    };
}

} // namespace

class tst_VexmarMonitor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void links_data();
    void historyHoldsSimulatorValues_data() { links_data(); }
    void historyHoldsSimulatorValues();
    void writeReadsBackOnNextTick_data();
    void writeReadsBackOnNextTick();
    void deadControllerCostsTwoTimeOutsPerTick();
    void writesConfirmedDuringExchangeAreHeld();
    void menusHeldWhileConnecting_data();
    void menusHeldWhileConnecting();
    void unservedLabelsShownRefused();
    void warningWaitsForTheReport();
    void readCellsLockedWhileMonitoring_data();
    void readCellsLockedWhileMonitoring();

private:
    // Starts the simulator with its pattern on "udp" or "serial" (with extra options such as
    // faults) and opens a project bound to LibVexmar at it.
    MainWindow *openProject(const QString &kind, const QList<Label> &labels,
                            const QStringList &extra = {});
    // Starts, then takes the ticks over from the timer: each tick() is one tick.
    void startByHand();
    void tick();
    void writeByDialog(const QString &address, const QString &text);
    void start();
    void stop();
    QStringList dataRows(const QString &columns, const QString &where = QString()) const;
    // The value cell of the table row showing address; the table may sort its rows.
    QStandardItem *valueCell(const QString &address) const;
    Ui::MainWindow *ui() const { return m_f.window->form(); }

    WindowFixture m_f;
    std::unique_ptr<SocatPtyPair> m_pair;
    std::unique_ptr<VexmarSimProcess> m_sim;
};

void tst_VexmarMonitor::init()
{
    m_f.setUp();
    QVERIFY(m_f.linkDrivers(QStringLiteral(MORVELIN_DRIVER_DIR), {"LibVexmar.so"}));
    m_sim = std::make_unique<VexmarSimProcess>();
}

void tst_VexmarMonitor::cleanup()
{
    // A test that failed while monitoring leaves the link open: release it before its peer goes.
    if (m_f.window && m_f.window->driver())
        m_f.window->driver()->DestroyFree();
    m_f.tearDown();
    m_sim.reset();
    m_pair.reset();
    if (QSqlDatabase::contains("holder"))
        QSqlDatabase::removeDatabase("holder");
}

void tst_VexmarMonitor::links_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("udp") << "udp";
    QTest::newRow("serial 115200") << "serial";
}

MainWindow *tst_VexmarMonitor::openProject(const QString &kind, const QList<Label> &labels,
                                           const QStringList &extra)
{
    ProjectData data;
    data.name = QStringLiteral("vexmar.dpro");
    data.driveLibName = QStringLiteral("LibVexmar");
    data.hasConnect = true;
    const QStringList pattern = QStringList{QStringLiteral("--pattern")} + extra;
    if (kind == QLatin1String("udp")) {
        if (!m_sim->startUdp(pattern)) {
            qWarning() << "simulator:" << m_sim->error();
            return nullptr;
        }
        data.linkMode = QStringLiteral("net");
        data.linkParameter = QStringLiteral("127.0.0.1:%1").arg(m_sim->port());
    } else {
        m_pair = std::make_unique<SocatPtyPair>();
        if (!m_pair->start() || !m_sim->startSerial(m_pair->second(), 115200, pattern)) {
            qWarning() << "socat or simulator:" << m_sim->error();
            return nullptr;
        }
        data.linkMode = QStringLiteral("com");
        data.linkParameter = m_pair->first() + QLatin1String(",115200,8,1,N");
        m_f.ports = QStringList{m_pair->first()};
    }
    for (const Label &label : labels)
        data.labels << LabelRow{"", label.address, "", "", "", label.type};
    const QString path = m_f.path(data.name);
    if (!ProjectFile::write(path, data))
        return nullptr;
    MainWindow *window = m_f.create();
    // The polling loop's pauses are not what is tested here.
    window->setMonitorPause([](int) {});
    if (!window->openProjectFile(path))
        return nullptr;
    return window;
}

void tst_VexmarMonitor::start()
{
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    ui()->pushButton_startMonitor->click();
    QVERIFY(m_f.window->isMonitoring());
    QVERIFY(m_f.window->monitorTimer()->isActive());
}

void tst_VexmarMonitor::stop()
{
    ui()->pushButton_stopMonitor->click();
    // At once, or after the block a running tick reads.
    QTRY_VERIFY_WITH_TIMEOUT(!m_f.window->monitorTimer()->isActive(), waitMs);
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("停止监视"));
}

void tst_VexmarMonitor::startByHand()
{
    // A tick every 5 minutes: none comes by itself while the test waits.
    m_f.window->samplingSeconds = 300;
    start();
    m_f.window->monitorTimer()->stop();
}

void tst_VexmarMonitor::tick()
{
    m_f.window->onMonitorTimeout();
}

void tst_VexmarMonitor::writeByDialog(const QString &address, const QString &text)
{
    QStandardItem *cell = valueCell(address);
    QVERIFY(cell);
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->select(cell->index(), QItemSelectionModel::ClearAndSelect);
    m_f.window->labelMenu()->actions().at(1)->trigger();
    DialogWriteLabel *dialog = m_f.window->writeDialog();
    QVERIFY(dialog->isVisible());
    dialog->findChild<QLineEdit *>("lineEdit")->setText(text);
    dialog->findChild<QPushButton *>("pushButton_ok")->click();
}

QStringList tst_VexmarMonitor::dataRows(const QString &columns, const QString &where) const
{
    return sqlRows(m_f.window->databaseFileName(),
                   QStringLiteral("SELECT %1 FROM data %2 ORDER BY id").arg(columns, where));
}

QStandardItem *tst_VexmarMonitor::valueCell(const QString &address) const
{
    for (int row = 0; row < m_f.window->labelModel()->rowCount(); ++row) {
        if (m_f.window->labelItem(row, 1)->text() == address)
            return m_f.window->labelItem(row, 3);
    }
    return nullptr;
}

void tst_VexmarMonitor::historyHoldsSimulatorValues()
{
    QFETCH(QString, kind);
    const QList<Label> labels = patternLabels();
    const int n = labels.size();
    MainWindow *window = openProject(kind, labels);
    QVERIFY(window);
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    start();
    QTRY_VERIFY_WITH_TIMEOUT(dataRows("id").size() >= 2 * n, waitMs);
    stop();
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
    QCOMPARE(m_f.prompt->shown, 0);

    const QStringList rows = dataRows("projectid, label, value, datetime");
    // Every tick stores one sample per label in one transaction: whole ticks only.
    QCOMPARE(rows.size() % n, 0);
    const int ticks = rows.size() / n;
    QVERIFY(ticks >= 2);
    const QStringList projects
        = sqlRows(window->databaseFileName(), "SELECT id, name FROM project");
    QCOMPARE(projects.size(), 1);
    QCOMPARE(projects.first().section('|', 0, 0), QString::number(window->projectId()));
    QVERIFY2(projects.first().endsWith("vexmar.dpro"), qPrintable(projects.first()));

    QMap<QString, QString> expected;
    for (const Label &label : labels)
        expected.insert(label.address, label.expected);
    QDateTime previous = before;
    for (int tick = 0; tick < ticks; ++tick) {
        QMap<QString, QString> stored;
        for (const QString &row : rows.mid(tick * n, n)) {
            const QStringList f = row.split('|');
            QCOMPARE(f.at(0), QString::number(window->projectId()));
            QVERIFY2(!stored.contains(f.at(1)), qPrintable(row));
            // Numbers compared as doubles: the column is REAL, its text the shortest form.
            const QString &want = expected.value(f.at(1));
            bool numeric = false;
            const double wanted = want.toDouble(&numeric);
            stored.insert(f.at(1), numeric && f.at(2).toDouble() == wanted ? want : f.at(2));
            const QDateTime time = QDateTime::fromString(f.at(3), timeFormat);
            QVERIFY2(time.isValid() && time >= previous && time <= after, qPrintable(row));
            previous = time;
        }
        QCOMPARE(stored, expected);
    }
    // The table shows the same values, integers with every digit, floats with six, in the
    // colour of a stopped run.
    for (const Label &label : labels) {
        QStandardItem *cell = valueCell(label.address);
        QVERIFY(cell);
        const bool real = label.type == "float" || label.type == "double";
        QCOMPARE(cell->text(),
                 real ? QString::number(label.expected.toDouble(), 'g', 6) : label.expected);
        QCOMPARE(cell->foreground().color(), QColor(Qt::black));
    }

    // One exchange per block of the engine in every tick, none more.
    const int blocks = window->driver()->InductiveDrive_Read("1", window->readList()).size();
    QVERIFY(blocks > 1);
    QCOMPARE(m_sim->frameCount(), ticks * blocks);
}

void tst_VexmarMonitor::writeReadsBackOnNextTick_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");   // typed into the write dialog
    QTest::addColumn<QString>("stored"); // the history value after the write
    QTest::newRow("float to AO") << "udp" << 0 << "-2.5"
                                 << "-2.5";
    QTest::newRow("Int32 to LW") << "udp" << 1 << "-123456"
                                 << "-123456";
    QTest::newRow("bool to DO") << "udp" << 2 << "1"
                                << "1";
    QTest::newRow("serial Int32 to LW") << "serial" << 1 << "70000"
                                        << "70000";
}

void tst_VexmarMonitor::writeReadsBackOnNextTick()
{
    QFETCH(QString, kind);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    // DO2 holds 0 in the pattern, the others a value far from the one written.
    const QList<Label> labels{{"AO2", "float", ""}, {"LW2", "Int32", ""}, {"DO2", "bool", ""}};
    const QString address = labels.at(row).address;
    MainWindow *window = openProject(kind, labels);
    QVERIFY(window);
    start();
    QTRY_VERIFY_WITH_TIMEOUT(!dataRows("id").isEmpty(), waitMs);
    const QString where = QStringLiteral("WHERE label = '%1'").arg(address);
    QVERIFY(dataRows("value", where).first() != stored);

    QStandardItem *cell = valueCell(address);
    QVERIFY(cell);
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->select(cell->index(), QItemSelectionModel::ClearAndSelect);
    window->labelMenu()->actions().at(1)->trigger();
    DialogWriteLabel *dialog = window->writeDialog();
    QVERIFY(dialog->isVisible());
    dialog->findChild<QLineEdit *>("lineEdit")->setText(text);
    dialog->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(window->statusBar()->currentMessage(), zh("写值成功：%1 = %2").arg(address, stored));

    // Every sample stored from the next tick on holds the written value.
    const int written = dataRows("id").size();
    QTRY_VERIFY_WITH_TIMEOUT(dataRows("id").size() >= written + 2 * labels.size(), waitMs);
    stop();
    const QStringList after
        = dataRows("value", where + QStringLiteral(" AND id > %1").arg(written));
    QVERIFY(after.size() >= 2);
    for (const QString &value : after)
        QCOMPARE(value.toDouble(), stored.toDouble());
    QCOMPARE(cell->text(), QString::number(stored.toDouble(), 'g', 6));
    QCOMPARE(m_f.prompt->shown, 0);
}

void tst_VexmarMonitor::deadControllerCostsTwoTimeOutsPerTick()
{
    // Labels of six areas, one block each. The controller answers the handshake (request 1),
    // then nothing for four requests, then again.
    const QList<Label> labels{{"AI1", "Int16", ""}, {"LW1", "Int16", ""}, {"LA1", "float", ""},
                              {"AO1", "float", ""}, {"DI1", "bool", ""},  {"HAI1", "double", ""}};
    MainWindow *window = openProject("udp", labels, {"--fault", "drop@2-5"});
    QVERIFY(window);
    startByHand();
    QCOMPARE(window->driver()->InductiveDrive_Read("1", window->readList()).size(), labels.size());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    tick();
    // Two reply time-outs, whatever the number of blocks; every label shows the failure.
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->frameCount(), 2, waitMs);
    for (const Label &label : labels)
        QCOMPARE(valueCell(label.address)->foreground().color(), QColor(255, 165, 0));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->frameCount(), 4, waitMs);
    // The controller is back: the next tick asks every block again.
    tick();
    QCOMPARE(m_sim->frameCount(), 4 + labels.size());
    for (const Label &label : labels)
        QCOMPARE(valueCell(label.address)->foreground().color(), QColor(0, 205, 0));
    QCOMPARE(dataRows("id").size(), labels.size());
    stop();
    QCOMPARE(m_f.prompt->shown, 0); // errors before any good value stay silent
}

void tst_VexmarMonitor::writesConfirmedDuringExchangeAreHeld()
{
    // Every reply 50 ms late: a read is on the line for that long, its wait processing events.
    const QList<Label> labels{{"LW1", "Int32", ""}, {"LW2", "Int32", ""}};
    MainWindow *window = openProject("udp", labels, {"--fault", "late=50%1"});
    QVERIFY(window);
    startByHand();
    for (int i = 0; i < 5 && dataRows("id").isEmpty(); ++i)
        tick();
    QVERIFY(!dataRows("id").isEmpty());
    const int readsBefore = m_sim->frameCount();
    // Confirmed from inside the next tick's read, in this order.
    bool confirmed = false;
    QTimer::singleShot(0, window, [&] {
        writeByDialog("LW1", "11");
        writeByDialog("LW2", "22");
        writeByDialog("LW1", "12");
        confirmed = true;
    });
    tick();
    QVERIFY(confirmed);
    // Sent after the read, one by one, none refused.
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->frameCount(), readsBefore + 1 + 3, waitMs);
    // One read, then the writes in the order confirmed: LW1, LW2, LW1.
    QStringList kinds;
    QStringList addresses;
    for (const QString &line : m_sim->logLines().mid(m_sim->logLines().size() - 4)) {
        kinds << line.section(QLatin1Char(' '), 1, 1);
        addresses << line.section(QLatin1Char(' '), 3, 3);
    }
    QCOMPARE(kinds, (QStringList{"read", "write", "write", "write"}));
    QCOMPARE(addresses.at(3), addresses.at(1));
    QVERIFY(addresses.at(2) != addresses.at(1));
    QCOMPARE(window->statusBar()->currentMessage(), zh("写值成功：LW1 = 12"));
    tick();
    QCOMPARE(valueCell("LW1")->text(), QStringLiteral("12"));
    QCOMPARE(valueCell("LW2")->text(), QStringLiteral("22"));
    stop();
    QCOMPARE(m_f.prompt->shown, 0);
}

void tst_VexmarMonitor::menusHeldWhileConnecting_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<bool>("connects");
    // The handshake reply comes late so that the wait surely runs its event loop: a reply
    // already there when the wait begins is taken without one.
    QTest::newRow("connects") << QStringList{"--fault", "late=100@1"} << true;
    QTest::newRow("no handshake reply") << QStringList{"--fault", "drop@1"} << false;
}

void tst_VexmarMonitor::menusHeldWhileConnecting()
{
    QFETCH(QStringList, faults);
    QFETCH(bool, connects);
    MainWindow *window = openProject("udp", {{"LW1", "Int16", ""}}, faults);
    QVERIFY(window);
    QList<QAction *> labelActions = window->labelMenu()->actions();
    QList<QAction *> guarded = ui()->menu_file->actions() + labelActions;
    QList<bool> before;
    for (QAction *action : guarded)
        before << action->isEnabled();
    QVERIFY(before.contains(true));
    // Runs inside the handshake, whose wait processes events.
    QStringList enabledInside;
    bool ran = false;
    QTimer::singleShot(0, window, [&] {
        ran = true;
        for (QAction *action : guarded)
            if (action->isEnabled())
                enabledInside << action->text();
        if (ui()->menu_file->isEnabled())
            enabledInside << "File menu";
        if (ui()->pushButton_startMonitor->isEnabled())
            enabledInside << "Start";
    });
    if (!connects)
        m_f.prompt->expect("warning", zh("警告"), zh("监视失败(原因：握手错误)"));
    ui()->pushButton_startMonitor->click();
    QVERIFY(ran);
    QCOMPARE(enabledInside, QStringList());
    QVERIFY(ui()->menu_file->isEnabled());
    if (connects) {
        QVERIFY(window->isMonitoring());
        QVERIFY(!ui()->action_openPro->isEnabled());
        QVERIFY(ui()->action_savePro->isEnabled());
        stop();
        return;
    }
    // A failed start gives every control back as it was.
    QVERIFY(!window->isMonitoring());
    QList<bool> after;
    for (QAction *action : guarded)
        after << action->isEnabled();
    QCOMPARE(after, before);
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
}

void tst_VexmarMonitor::unservedLabelsShownRefused()
{
    const QList<Label> labels{{"LW1", "Int16", ""}, {"AI0", "Int16", ""},   {"XYZ99", "Int16", ""},
                              {"LW5", "null", ""},  {"AI320", "Int32", ""}, {"AI321", "Int32", ""}};
    MainWindow *window = openProject("udp", labels);
    QVERIFY(window);
    startByHand();
    tick();
    tick();
    QCOMPARE(valueCell("LW1")->foreground().color(), QColor(0, 205, 0));
    for (const QString &address : {QStringLiteral("AI0"), QStringLiteral("XYZ99")}) {
        QCOMPARE(valueCell(address)->foreground().color(), QColor(148, 0, 211));
        QCOMPARE(valueCell(address)->toolTip(), zh("无法识别的地址"));
    }
    // Grouped into a block, but a type the block read cannot cut out.
    QCOMPARE(valueCell("LW5")->foreground().color(), QColor(148, 0, 211));
    QCOMPARE(valueCell("LW5")->toolTip(), zh("该地址不支持此数据类型"));
    // The last register of AI reads; the next one lies past the area's end.
    QCOMPARE(valueCell("AI320")->foreground().color(), QColor(0, 205, 0));
    QCOMPARE(valueCell("AI321")->foreground().color(), QColor(148, 0, 211));
    QCOMPARE(valueCell("AI321")->toolTip(), zh("地址超出区域范围"));
    // Asking costs no exchange: one read per tick for LW1 and one for AI320.
    QCOMPARE(m_sim->frameCount(), 4);
    QCOMPARE(dataRows("label"), (QStringList{"AI320", "LW1", "AI320", "LW1"}));
    stop();
    QCOMPARE(m_f.prompt->shown, 0);
}

// A read times out, at the driver's own time-out, in a tick that runs inside a report's query
// while monitoring goes on. Its warning, the program's real message box, opens only once the
// query is done; the samples that tick read are in the file by then, and the ticks while the box
// stays open store theirs. The box is closed with the Enter key, as a user closes it.
void tst_VexmarMonitor::warningWaitsForTheReport()
{
    WidgetPrompt boxes;
    m_f.boxes = &boxes;
    const QList<Label> labels{{"AI1", "Int16", ""}, {"LW1", "Int16", ""}, {"LA1", "float", ""}};
    {
        QSettings sections(m_f.path("vexmar.ini"), QSettings::IniFormat);
        sections.setValue("Section/0", 1);
        sections.setValue("Section/1", labels.size());
        for (int i = 0; i < labels.size(); ++i)
            sections.setValue(QStringLiteral("Section1/%1").arg(i + 1), labels.at(i).address);
        sections.setValue("Section1/name", "Plant");
    }
    // Request 1 is the handshake, 2 to 4 the first tick's three blocks: the second tick's first
    // block gets no reply.
    MainWindow *window = openProject("udp", labels, {"--fault", "drop@5"});
    QVERIFY(window);
    // A tick comes only when the test asks for one after the first.
    window->samplingSeconds = 300;
    const QDateTime started = QDateTime::currentDateTime();
    start();
    QTRY_COMPARE_WITH_TIMEOUT(dataRows("id").size(), labels.size(), waitMs);
    QCOMPARE(window->driver()->InductiveDrive_Read("1", window->readList()).size(),
             labels.size());
    const auto query = [&] {
        ui()->dataClassification1->setCurrentIndex(0);
        ui()->dateTimeStart->setDateTime(started.addSecs(-60));
        ui()->dateTimeEnd->setDateTime(QDateTime::currentDateTime().addSecs(60));
        ui()->queryData->click();
    };
    query();
    QCOMPARE(ui()->reportTable->model()->rowCount(), 1);

    // Another program holds the history file until the tick inside the query is over, so that
    // the query is still reading then, as a week's report would be.
    QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
    holder.setDatabaseName(window->historyDatabase()->databaseFile());
    QVERIFY(holder.open());
    QSqlQuery hold(holder);
    QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
    bool holding = true;
    const auto release = [&] {
        if (holding)
            QVERIFY(hold.exec("ROLLBACK"));
        holding = false;
    };

    bool boxSeen = false;
    bool seenWhileQuerying = false;
    QString seenText;
    int storedWhenShown = -1;
    bool closed = false;
    QElapsedTimer open;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, window, [&] {
        // The second tick has ended: its three exchanges made, the next tick minutes away.
        if (holding && m_sim->frameCount() == 2 * labels.size()
            && window->monitorTimer()->isActive() && window->monitorTimer()->remainingTime() > 1000)
            release();
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || closed)
            return;
        if (!boxSeen) {
            boxSeen = true;
            open.start();
            seenText = box->text();
            seenWhileQuerying = !ui()->queryData->isEnabled();
            storedWhenShown = dataRows("id").size();
            // Polling goes on behind the box.
            window->monitorTimer()->start(0);
            return;
        }
        // Given up after a while: a box that holds the samples must not hold the test.
        if (dataRows("id").size() < storedWhenShown + labels.size() && open.elapsed() < waitMs / 2)
            return;
        closed = true;
        QTest::keyClick(box, Qt::Key_Enter);
    });
    user.start();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    // The second tick comes as the query starts, from the event loop the query keeps running.
    window->monitorTimer()->start(0);
    query();
    QVERIFY(!holding);
    // The query did not wait for the box.
    QVERIFY(!boxSeen);
    QCOMPARE(window->statusBar()->currentMessage(), zh("查询成功"));
    // The second tick's samples waited while the readers held the file: the report has the first.
    QCOMPARE(ui()->reportTable->model()->rowCount(), 1);
    QCOMPARE(m_sim->frameCount(), 2 * labels.size());
    QCOMPARE(valueCell("AI1")->foreground().color(), QColor(255, 165, 0));

    QTRY_VERIFY_WITH_TIMEOUT(closed, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), waitMs);
    user.stop();
    QCOMPARE(seenText, zh("连接异常：响应超时"));
    QVERIFY(!seenWhileQuerying);
    // Both samples the second tick read were in the file when the box opened.
    QCOMPARE(storedWhenShown, 2 * labels.size() - 1);
    QCOMPARE(dataRows("id").size(), 3 * labels.size() - 1);
    stop();
    release();
    hold.finish();
    holder.close();
}

void tst_VexmarMonitor::readCellsLockedWhileMonitoring_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("column"); // 1 the address, 5 the data type
    QTest::addColumn<QString>("edited");
    QTest::newRow("LA1 float to double") << "LA1" << 5 << "double";
    QTest::newRow("LW1 Int64 to UInt64") << "LW1" << 5 << "UInt64";
    QTest::newRow("LW5 to LW7") << "LW5" << 1 << "LW7";
}

// With the rights unlocked, the cells that say what a row reads (its address and type) take no
// edit while monitoring runs, so that no row keeps a value in the colour of a good read that is
// no longer read: neither a double click nor the edit key opens them, an editor left open from
// before the start closes unsaved, and the row is read and stored at every tick. Once stopped,
// they open again, and the next run reads the row as edited.
void tst_VexmarMonitor::readCellsLockedWhileMonitoring()
{
    QFETCH(QString, address);
    QFETCH(int, column);
    QFETCH(QString, edited);
    const QList<Label> labels{{"LA1", "float", ""}, {"LW1", "Int64", ""}, {"LW5", "Int32", ""}};
    MainWindow *window = openProject("udp", labels);
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->onPermissionGranted();
    QTableView *view = ui()->tableView_label;
    int row = -1;
    for (int r = 0; r < window->labelRowCount(); ++r) {
        if (window->labelItem(r, 1)->text() == address)
            row = r;
    }
    QVERIFY(row >= 0);
    const QModelIndex cell = window->labelModel()->index(row, column);
    const int type = window->labelDataType(row);
    // As a window system delivers it: a click, then the press that makes it a double click.
    auto doubleClick = [view](const QModelIndex &index) {
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };
    // A cell opened for editing before the start.
    doubleClick(cell);
    QVERIFY(view->indexWidget(cell));
    m_f.window->samplingSeconds = 300;
    start();
    m_f.window->monitorTimer()->stop();
    QVERIFY(!view->indexWidget(cell));
    QCOMPARE(window->labelItem(row, 1)->text(), address);
    QCOMPARE(window->labelDataType(row), type);

    const QString where = QStringLiteral("WHERE label = '%1'").arg(address);
    for (int i = 0; i < 2; ++i) {
        doubleClick(cell);
        QVERIFY(!view->indexWidget(cell));
        QTest::keyClick(view, Qt::Key_F2);
        QVERIFY(!view->indexWidget(cell));
        QVERIFY(!window->labelItem(row, column)->isEditable());
        // What does not change the read (the description) stays open to editing.
        QVERIFY(window->labelItem(row, 2)->isEditable());
        const int stored = dataRows("id", where).size();
        tick();
        QCOMPARE(dataRows("id", where).size(), stored + 1);
        QCOMPARE(window->labelItem(row, 0)->text(), dataRows("datetime", where).last());
        QCOMPARE(valueCell(address)->foreground().color(), QColor(0, 205, 0));
    }
    stop();

    // Stopped: the cell opens to a double click again.
    QVERIFY(window->labelItem(row, column)->isEditable());
    doubleClick(cell);
    QWidget *editor = view->indexWidget(cell);
    QVERIFY(editor);
    if (auto *selector = qobject_cast<CustomComboBox *>(editor)) {
        const int position = LabelTypes::positionOfName(edited);
        selector->setCurrentIndex(position);
        emit selector->activated(position);
    } else {
        auto *line = qobject_cast<QLineEdit *>(editor);
        QVERIFY(line);
        line->selectAll();
        QTest::keyClicks(line, edited);
        QTest::keyClick(line, Qt::Key_Return);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!view->indexWidget(cell), waitMs);
    const QString now = window->labelItem(row, 1)->text();
    const int nowType = window->labelDataType(row);
    QCOMPARE(column == 1 ? now : dataTypeName(nowType), edited);

    // The next run reads the row as it stands.
    startByHand();
    QVERIFY(window->readList().contains(Induction::SReadInfo{now, nowType}));
    const QString whereNow = QStringLiteral("WHERE label = '%1'").arg(now);
    const int before = dataRows("id", whereNow).size();
    tick();
    QCOMPARE(dataRows("id", whereNow).size(), before + 1);
    QCOMPARE(window->labelItem(row, 0)->text(), dataRows("datetime", whereNow).last());
    QCOMPARE(window->labelItem(row, 3)->foreground().color(), QColor(0, 205, 0));
    stop();
    QCOMPARE(m_f.prompt->shown, 0);
}

QTEST_MAIN(tst_VexmarMonitor)
#include "tst_vexmarmonitor.moc"
