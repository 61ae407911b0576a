// The main window on a 1024 x 768 screen of a real X server (run under Xvfb on xcb, which holds
// a window to its minimum size): every control of every page, in each state of the page and in
// both languages, lies on the screen and inside its parent, and the label table's and the series
// table's value columns lie in view while monitoring runs. Screenshots of each state go to
// MORVELIN_FIT_SHOTS when it names a folder.
#include "projectfile.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTextEdit>

namespace {

// A page of the tab widget in one of its states.
struct PageState
{
    const char *tag;
    int page;
    std::function<void(MainWindow *)> enter;
};

// Room for a window manager's title bar and borders around the client area.
const QSize frameAllowance(16, 48);

bool isControl(const QWidget *w)
{
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QComboBox *>(w)
           || qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QLineEdit *>(w)
           || qobject_cast<const QTextEdit *>(w) || qobject_cast<const QLabel *>(w)
           || qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QProgressBar *>(w)
           || qobject_cast<const QTabBar *>(w);
}

// A part of a scroll area (a table's headers and cells, the chart's items) moves with that
// area: it is reached by scrolling the area, not through the window's layout.
bool insideScrollArea(const QWidget *w, const QWidget *top)
{
    for (const QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea *>(p))
            return true;
    }
    return false;
}

QString describe(const QWidget *w, const QRect &global)
{
    return QStringLiteral("%1 (%2) at %3,%4 %5x%6")
        .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
        .arg(global.x())
        .arg(global.y())
        .arg(global.width())
        .arg(global.height());
}

// Every page, and each state in which a page shows other controls or other texts.
QVector<PageState> pageStates()
{
    return {
        {"labels", 0, nullptr},
        // Editing unlocked and a column hidden: both optional buttons of the bottom row show.
        {"labels unlocked with hidden columns", 0,
         [](MainWindow *w) {
             w->onPermissionGranted();
             w->form()->pushButton_hide->setVisible(true);
         }},
        {"trend running", 1, nullptr},
        {"trend paused", 1, [](MainWindow *w) { w->form()->StartandPause->click(); }},
        {"report", 2, nullptr},
        {"firmware over MQTT", 3, [](MainWindow *w) { w->form()->button_MQTT->click(); }},
        {"firmware over serial", 3, [](MainWindow *w) { w->form()->button_Serial->click(); }},
        {"empty page", 4, nullptr},
        {"data logger", 5, nullptr},
    };
}

} // namespace

class tst_WindowFit : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_f.setUp(); }
    void cleanup() { m_f.tearDown(); }

    void everyControlOnScreen_data();
    void everyControlOnScreen();
    void windowStaysOnTheScreen();
    void valuesInView_data();
    void valuesInView();
    void widestValuesWholeOnAWideScreen();

private:
    Ui::MainWindow *ui() const { return m_f.window->form(); }
    MainWindow *showWindow(const QString &language);
    // A project of labels with long descriptions on the test driver, open in a shown window.
    MainWindow *showProject(const QString &language, int labels);
    QStringList misplacedControls() const;
    void saveShot(const QString &name) const;

    WindowFixture m_f;
};

MainWindow *tst_WindowFit::showWindow(const QString &language)
{
    MainWindow *w = m_f.create();
    if (language == QLatin1String("English"))
        ui()->action_English->trigger();
    // As an open project leaves them: the trend and report controls usable.
    w->enableProjectActions();
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        return nullptr;
    return w;
}

QStringList tst_WindowFit::misplacedControls() const
{
    const MainWindow *w = m_f.window.get();
    const QRect screen = w->screen()->geometry();
    QStringList misplaced;
    if (!screen.contains(w->frameGeometry()))
        misplaced << QStringLiteral("window frame %1,%2 %3x%4")
                         .arg(w->frameGeometry().x())
                         .arg(w->frameGeometry().y())
                         .arg(w->frameGeometry().width())
                         .arg(w->frameGeometry().height());
    const QList<QWidget *> all = w->findChildren<QWidget *>();
    for (const QWidget *c : all) {
        if (!isControl(c) || !c->isVisible() || insideScrollArea(c, w))
            continue;
        const QRect global(c->mapToGlobal(QPoint(0, 0)), c->size());
        const QWidget *parent = c->parentWidget();
        const QRect inParent(c->mapTo(parent, QPoint(0, 0)), c->size());
        // The edge of a parent with a frame may cut a pixel; more is a control out of reach.
        if (!screen.contains(global) || !parent->rect().adjusted(-1, -1, 1, 1).contains(inParent)
            || c->width() < c->minimumSizeHint().width())
            misplaced << describe(c, global);
    }
    return misplaced;
}

void tst_WindowFit::saveShot(const QString &name) const
{
    const QString dir = qEnvironmentVariable("MORVELIN_FIT_SHOTS");
    if (!dir.isEmpty())
        m_f.window->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

void tst_WindowFit::everyControlOnScreen_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("state");
    const QVector<PageState> states = pageStates();
    for (const QString &language : {QStringLiteral("Chinese"), QStringLiteral("English")}) {
        for (int i = 0; i < states.size(); ++i)
            QTest::newRow(qPrintable(language + QLatin1Char(' ') + states[i].tag)) << language << i;
    }
}

void tst_WindowFit::everyControlOnScreen()
{
    QFETCH(QString, language);
    QFETCH(int, state);
    MainWindow *w = showWindow(language);
    QVERIFY(w);
    const PageState s = pageStates().at(state);
    ui()->tabWidget->setCurrentIndex(s.page);
    if (s.enter)
        s.enter(w);
    QCoreApplication::processEvents();
    const QRect available = w->screen()->availableGeometry();
    QCOMPARE(available.size(), QSize(1024, 768));
    // Held to its minimum size, the window still fits with a window manager's frame around it.
    const QSize room = available.size() - frameAllowance;
    const QSize minimum = w->minimumSizeHint().expandedTo(w->minimumSize());
    QVERIFY2(
        minimum.width() <= room.width() && minimum.height() <= room.height(),
        qPrintable(QStringLiteral("minimum %1 x %2").arg(minimum.width()).arg(minimum.height())));
    saveShot(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '-'));
    QTRY_COMPARE_WITH_TIMEOUT(misplacedControls().join(QLatin1Char('\n')), QString(), 5000);
}

void tst_WindowFit::windowStaysOnTheScreen()
{
    // A screen smaller than 1920 x 1080 gets the window maximized; pausing and resuming the
    // trend, which shows and hides the history controls, leaves it within the screen.
    MainWindow *w = showWindow(QStringLiteral("Chinese"));
    QVERIFY(w);
    QVERIFY(w->isMaximized());
    const QRect screen = w->screen()->geometry();
    QTRY_VERIFY_WITH_TIMEOUT(screen.contains(w->frameGeometry()), 5000);
    ui()->tabWidget->setCurrentIndex(1);
    ui()->StartandPause->click();
    QVERIFY(ui()->searchfor->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(misplacedControls().join(QLatin1Char('\n')), QString(), 5000);
    ui()->StartandPause->click();
    QVERIFY(!ui()->searchfor->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(screen.contains(w->frameGeometry()), 5000);
}

namespace {

const char longDescription[]
    = "Level of the north storage basin, measured by the radar sensor under the roof, in metres "
      "above the outlet of the basin";

// The columns of a table that lie wholly inside its viewport, without scrolling.
QList<int> columnsInView(const QTableView *view, int row)
{
    QList<int> inside;
    const QRect viewport = view->viewport()->rect();
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (viewport.contains(view->visualRect(view->model()->index(row, c))))
            inside << c;
    }
    return inside;
}

} // namespace

MainWindow *tst_WindowFit::showProject(const QString &language, int labels)
{
    if (!m_f.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                        "LibTestDriver.so"))
        return nullptr;
    ProjectData data;
    data.name = QStringLiteral("fit.dpro");
    data.driveLibName = QStringLiteral("LibTestDriver");
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = QStringLiteral("127.0.0.1:9");
    LabelRow row{"", "", QString::fromLatin1(longDescription), "", "m3/h", "Int16"};
    for (int i = 0; i < labels; ++i) {
        row[1] = QStringLiteral("LW%1").arg(i + 1);
        data.labels << row;
    }
    const QString path = m_f.path("fit.dpro");
    MainWindow *w = showWindow(language);
    if (!w || !ProjectFile::write(path, data) || !w->openProjectFile(path))
        return nullptr;
    return w;
}

void tst_WindowFit::valuesInView_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("series");
    for (const QString &language : {QStringLiteral("Chinese"), QStringLiteral("English")}) {
        QTest::newRow(qPrintable(language + " label table")) << language << false;
        QTest::newRow(qPrintable(language + " series table")) << language << true;
    }
}

void tst_WindowFit::valuesInView()
{
    QFETCH(QString, language);
    QFETCH(bool, series);
    // More rows than the table shows: the vertical scroll bar narrows the view.
    MainWindow *w = showProject(language, 40);
    QVERIFY(w);
    QStandardItemModel *labels = w->labelModel();
    if (series) {
        QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
        for (int row : {0, 1, 2})
            selection->select(labels->index(row, 1), QItemSelectionModel::Select);
        w->labelMenu()->actions().at(5)->trigger();
        QCOMPARE(ui()->tableWidget->rowCount(), 3);
        ui()->tabWidget->setCurrentIndex(1);
    }
    ui()->pushButton_startMonitor->click();
    QVERIFY(w->isMonitoring());
    // The polled values in the table, and in the series table's "PV".
    QTRY_VERIFY_WITH_TIMEOUT(!labels->item(0, 3)->text().isEmpty(), 10000);
    if (series)
        QTRY_VERIFY_WITH_TIMEOUT(!ui()->tableWidget->item(0, 12)->text().trimmed().isEmpty(),
                                 10000);
    QTableView *view
        = series ? static_cast<QTableView *>(ui()->tableWidget) : ui()->tableView_label;
    QTRY_VERIFY_WITH_TIMEOUT(view->verticalScrollBar()->isVisible() || series, 5000);
    saveShot(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), '-'));

    QCOMPARE(view->horizontalScrollBar()->value(), 0);
    // The label table: time to type, all of it; the series table: up to "PV" and its unit
    // (the two scales as far as they fit).
    const int last = series ? 13 : 5;
    auto outOfView = [view, last] {
        const QList<int> inView = columnsInView(view, 0);
        QStringList out;
        for (int c = 0; c <= last; ++c) {
            if (!inView.contains(c))
                out << QString::number(c);
        }
        return out.join(QLatin1Char(' '));
    };
    QTRY_COMPARE_WITH_TIMEOUT(outOfView(), QString(), 5000);
    // The long description is cut, not given the room: its column is narrower than its text.
    const int description = series ? 4 : 2;
    QVERIFY(view->columnWidth(description)
            < view->fontMetrics().horizontalAdvance(QString::fromLatin1(longDescription)));
    // The polled value itself is shown whole.
    const QString value
        = series ? ui()->tableWidget->item(0, 12)->text() : labels->item(0, 3)->text();
    QVERIFY(view->columnWidth(series ? 12 : 3) > view->fontMetrics().horizontalAdvance(value));

    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w->monitorRunning(), 10000);
}

void tst_WindowFit::widestValuesWholeOnAWideScreen()
{
    // Run on a 1920 x 1080 screen of its own (see tests/core/mainwindow.cmake).
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    if (screen.width() < 1920)
        QSKIP("needs a screen 1920 pixels wide");
    MainWindow *w = showProject(QStringLiteral("Chinese"), 2);
    QVERIFY(w);
    // The values a 64-bit label can show that take the most room, as the project left them.
    QStandardItemModel *labels = w->labelModel();
    labels->item(0, 3)->setText(QStringLiteral("-9223372036854775808"));
    labels->item(1, 3)->setText(QStringLiteral("18446744073709551615"));
    QTableView *view = ui()->tableView_label;
    QTRY_VERIFY_WITH_TIMEOUT(view->viewport()->width() >= 1800, 5000);
    saveShot(QStringLiteral("widest-values-1920"));
    // Shown whole, not "-9223372036854775…", the table having room to spare; every column in
    // view.
    const int needed = static_cast<QAbstractItemView *>(view)->sizeHintForColumn(3);
    QVERIFY2(view->columnWidth(3) >= needed,
             qPrintable(QStringLiteral("%1 < %2").arg(view->columnWidth(3)).arg(needed)));
    QCOMPARE(columnsInView(view, 0).size(), labels->columnCount());
}

QTEST_MAIN(tst_WindowFit)
#include "tst_windowfit.moc"
