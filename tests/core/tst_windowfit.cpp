// The main window on a 1024 x 768 screen of a real X server (run under Xvfb on xcb, which holds
// a window to its minimum size): every control of every page, in each state of the page and in
// both languages, lies on the screen and inside its parent. Screenshots of each state go to
// MORVELIN_FIT_SHOTS when it names a folder.
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
#include <QScreen>
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

private:
    Ui::MainWindow *ui() const { return m_f.window->form(); }
    MainWindow *showWindow(const QString &language);
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

QTEST_MAIN(tst_WindowFit)
#include "tst_windowfit.moc"
