// The guide lines of the trend view offscreen, driven by mouse events at the positions of the
// chart's own mapping: showing, selecting, releasing, dragging and hiding the two lines, the
// readout cells and texts of every series row, the timer refresh, the main window's full
// refresh after the rows or their scale changed, and the window's forwarding of its own presses.
#include "chartdrawer.h"
#include "labeltypes.h"
#include "trendtest.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QGraphicsLineItem>
#include <QGraphicsTextItem>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

// Columns of the series table.
const int pv1 = 5, time1 = 6, pv2 = 7, time2 = 8, p1p2 = 9, t1t2 = 10, v1v2 = 11;
const int zeroScale = 14, fullScale = 15;

} // namespace

class tst_TrendGuides : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void doubleClickSequence();
    void pressOffTheLinesDoesNothing();
    void windowHandsOnItsOwnEvents();
    void equalXTogglesGuide1();
    void dragOffTheRange_data();
    void dragOffTheRange();
    void readoutsAtBothGuides();
    void readoutAcrossMidnight();
    void noSampleInTheSecond();
    void readoutHoldsBetweenSamples();
    void timeLabelsBackAfterNewWindow();
    void textHeightAndZeroExtent();
    void scaledCopyReadsUnscaledValue();
    void fullRefreshAfterRowsChanged();
    void guide1HiddenChangesNothing();
    void historyAndPause_data();
    void historyAndPause();
    void timerRefreshFollowsTheClock();

private:
    Ui::MainWindow *ui() const { return m_window->form(); }
    ChartDrawer *view() const { return m_window->trendView(); }
    QWidget *viewport() const { return view()->viewport(); }
    // Series rows for labels named L0, L1, … with the comments C0, C1, …
    void addRows(int count);
    // The curve of series row `row` gets `value` at the second `t`.
    void sample(int row, const QDateTime &t, double value);
    // The curve of `row` gets v1 at t1 and v2 at t2.
    void samples(int row, const QDateTime &t1, double v1, const QDateTime &t2, double v2)
    {
        sample(row, t1, v1);
        sample(row, t2, v2);
    }
    // The time line at `now`.
    void showTime(const QDateTime &now);
    // The view position of the middle of second t at value v.
    QPoint at(const QDateTime &t, double v = 5.0) const;
    void doubleClick(const QPoint &pos);
    void press(const QPoint &pos);
    void move(const QPoint &pos, Qt::MouseButtons buttons = Qt::NoButton);
    // Shows guide 1 at t1 and guide 2 at t2, both released.
    void placeGuides(const QDateTime &t1, const QDateTime &t2);
    void placeGuides(const QPoint &p1, const QPoint &p2);
    // On a wide axis a pixel spans seconds: the second a view column shows.
    QDateTime secondOf(int x) const { return view()->timeAt(QPoint(x, 200)); }
    int plotX(double fraction) const
    {
        const QRectF plot = view()->chart()->plotArea();
        return int(plot.left() + fraction * plot.width());
    }
    QString cell(int row, int column) const
    {
        QTableWidgetItem *item = ui()->tableWidget->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QStringList cells(int row, std::initializer_list<int> columns) const
    {
        QStringList texts;
        for (int column : columns)
            texts << cell(row, column);
        return texts;
    }
    QGraphicsTextItem *text(int row, int guide) const
    {
        return ChartDrawer::textItemAt(ui()->dataTableWidget, row, guide + 1);
    }
    QPoint onGuide(int guide) const { return QPoint(lineX(guide), 200); }
    int lineX(int guide) const { return int(view()->guideLineItem(guide - 1)->line().x1()); }
    QString status() const { return ui()->statusbar->currentMessage(); }
    void pause()
    {
        QMetaObject::invokeMethod(m_window, "on_StartandPause_clicked");
        QCOMPARE(ui()->StartandPause->text(), zh("开始"));
    }

    WindowFixture m_f;
    MainWindow *m_window = nullptr;
    QDateTime m_now;
};

void tst_TrendGuides::init()
{
    m_f.setUp();
    m_window = m_f.create();
    m_now = clockStart;
    m_window->setTrendClock([this] { return m_now; });
    m_window->connectionGood = true;
    ui()->tabWidget->setCurrentWidget(ui()->tab_3);
    // A view of a known height: the readout texts are placed by it.
    view()->setFixedHeight(483);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTRY_VERIFY_WITH_TIMEOUT(view()->chart()->plotArea().width() > 400, 10000);
    showTime(clockStart);
}

void tst_TrendGuides::cleanup()
{
    m_window = nullptr;
    m_f.tearDown();
}

void tst_TrendGuides::addRows(int count)
{
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->clear();
    const int first = m_window->labelModel()->rowCount();
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(first + i);
        m_window->addLabelRow({"", "L" + n, "C" + n, "1", "", "float"});
        selection->select(m_window->labelModel()->index(first + i, 1), QItemSelectionModel::Select);
    }
    m_window->labelMenu()->actions().at(toTrendEntry)->trigger();
    // Only the test adds samples.
    for (QTimer *timer : m_window->seriesTimers)
        timer->stop();
}

void tst_TrendGuides::sample(int row, const QDateTime &t, double value)
{
    const QString label = cell(row, 3);
    int labelRow = -1;
    for (int r = 0; r < m_window->labelModel()->rowCount(); ++r) {
        if (m_window->labelItem(r, LabelColumnLabel)->text() == label)
            labelRow = r;
    }
    QVERIFY(labelRow >= 0);
    QStandardItem *valueCell = m_window->labelItem(labelRow, LabelColumnValue);
    valueCell->setText(QString::number(value, 'g', 6));
    valueCell->setData(value, Qt::UserRole);
    const QDateTime keep = m_now;
    m_now = t;
    QTimer *timer
        = m_window->seriesTimers.value(ChartDrawer::seriesAt(ui()->dataTableWidget, row, 0));
    QVERIFY(timer);
    QMetaObject::invokeMethod(timer, "timeout");
    m_now = keep;
}

void tst_TrendGuides::showTime(const QDateTime &now)
{
    m_now = now;
    QMetaObject::invokeMethod(m_window, "updateTimeLine");
    view()->valueAxis()->setRange(0.0, 10.0);
}

QPoint tst_TrendGuides::at(const QDateTime &t, double v) const
{
    QChart *chart = view()->chart();
    const QPointF p = chart->mapToPosition(QPointF(double(t.toMSecsSinceEpoch() + 500), v));
    return view()->mapFromScene(chart->mapToScene(p));
}

void tst_TrendGuides::doubleClick(const QPoint &pos)
{
    // As the platform delivers it: the second press comes before the double-click.
    QTest::mousePress(viewport(), Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, pos);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, pos);
}

void tst_TrendGuides::press(const QPoint &pos)
{
    QTest::mousePress(viewport(), Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, pos);
}

void tst_TrendGuides::move(const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(QEvent::MouseMove, pos, viewport()->mapToGlobal(pos), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport(), &event);
}

void tst_TrendGuides::placeGuides(const QDateTime &t1, const QDateTime &t2)
{
    placeGuides(at(t1), at(t2));
    double x1 = 0, x2 = 0;
    QDateTime g1, g2;
    view()->guideState(&x1, &x2, &g1, &g2);
    QCOMPARE(g1, t1);
    QCOMPARE(g2, t2);
}

void tst_TrendGuides::placeGuides(const QPoint &p1, const QPoint &p2)
{
    doubleClick(p1);
    press(onGuide(1)); // released where it stands
    doubleClick(p2);
    press(onGuide(2));
    QVERIFY(view()->guideLineItem(0)->isVisible() && view()->guideLineItem(1)->isVisible());
    QVERIFY(!view()->guideSelected(1) && !view()->guideSelected(2));
    // Only the test refreshes.
    view()->guideTimer1()->stop();
    view()->guideTimer2()->stop();
}

void tst_TrendGuides::doubleClickSequence()
{
    QVERIFY(viewport()->hasMouseTracking());
    const QDateTime a = clockStart.addSecs(-40);
    const QDateTime b = clockStart.addSecs(-20);
    const QDateTime c = clockStart.addSecs(-10);

    // Both hidden: guide 1 shows at the cursor, selected, with its labels and its timer.
    doubleClick(at(a));
    QVERIFY(view()->guideLineItem(0)->isVisible());
    QVERIFY(!view()->guideLineItem(1)->isVisible());
    QVERIFY(view()->guideSelected(1));
    QCOMPARE(lineX(1), at(a).x());
    QCOMPARE(view()->guideLineItem(0)->line().y2(), double(view()->height()));
    QCOMPARE(view()->guideLineItem(0)->pen().width(), 3);
    QVERIFY(view()->guideLabel(0)->isVisible() && view()->guideLabel(3)->isVisible());
    QCOMPARE(view()->guideLabel(0)->toPlainText(), a.toString("hh:mm:ss"));
    QVERIFY(view()->guideTimer1()->isActive());
    QVERIFY(!view()->guideTimer2()->isActive());
    QCOMPARE(status(), zh("垂直辅助线1被选中"));

    // A selected guide follows the mouse.
    move(at(b));
    QCOMPARE(lineX(1), at(b).x());

    // Again on guide 1: its press releases it where it stands, guide 2 shows at the cursor.
    doubleClick(at(b));
    QCOMPARE(lineX(1), at(b).x());
    QVERIFY(!view()->guideSelected(1));
    QVERIFY(view()->guideSelected(2));
    QVERIFY(view()->guideLineItem(1)->isVisible());
    QCOMPARE(lineX(2), at(b).x());
    QCOMPARE(view()->guideLineItem(1)->zValue(), 5.0);
    QVERIFY(view()->guideTimer2()->isActive());
    QCOMPARE(status(), zh("垂直辅助线2被选中"));

    // Both shown: only the move runs, dragging the selected guide 2.
    ui()->statusbar->clearMessage();
    doubleClick(at(c));
    QCOMPARE(lineX(1), at(b).x());
    QCOMPARE(lineX(2), at(c).x());
    QVERIFY(view()->guideSelected(2));
    QVERIFY(status().isEmpty());

    // A press on the selected guide 2 releases it; moves leave both where they are.
    press(onGuide(2));
    QVERIFY(!view()->guideSelected(2));
    QCOMPARE(status(), zh("垂直辅助线2被释放"));
    move(at(a));
    QCOMPARE(lineX(1), at(b).x());
    QCOMPARE(lineX(2), at(c).x());

    // A press selects guide 1 again and hides the cursor over the chart.
    press(QPoint(lineX(1), at(b, 2.0).y()));
    QVERIFY(view()->guideSelected(1));
    QCOMPARE(view()->chart()->cursor().shape(), Qt::BlankCursor);
    QCOMPARE(status(), zh("垂直辅助线1被选中"));
    press(QPoint(lineX(1), at(b, 2.0).y()));
    QCOMPARE(view()->chart()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(status(), zh("垂直辅助线1被释放"));
}

void tst_TrendGuides::pressOffTheLinesDoesNothing()
{
    const QDateTime a = clockStart.addSecs(-40);
    addRows(1);
    for (int s = -60; s <= 0; ++s)
        sample(0, clockStart.addSecs(s), 5.0);
    showTime(clockStart);
    placeGuides(a, clockStart.addSecs(-20));
    ui()->statusbar->clearMessage();

    // Empty chart area, the curve itself, and a number label.
    press(at(clockStart.addSecs(-30), 8.0));
    press(at(clockStart.addSecs(-30), 5.0));
    const QPointF label = view()->mapFromScene(view()->guideLabel(3)->sceneBoundingRect().center());
    press(label.toPoint());
    QVERIFY(!view()->guideSelected(1) && !view()->guideSelected(2));
    QVERIFY(status().isEmpty());
}

void tst_TrendGuides::windowHandsOnItsOwnEvents()
{
    const QDateTime a = clockStart.addSecs(-40);
    placeGuides(a, clockStart.addSecs(-20));
    ui()->statusbar->clearMessage();
    const QPoint offset = viewport()->mapTo(m_window, QPoint(0, 0));
    QVERIFY(offset.x() != 0 && offset.y() > 2);

    // A press of the window elsewhere whose window position, taken as a view position, would
    // lie on guide 1: handed on at its own place, it finds no line.
    const QPoint onLine = at(a);
    const QPoint elsewhere(onLine.x(), 2);
    QVERIFY(m_window->childAt(elsewhere) != viewport());
    QTest::mousePress(m_window, Qt::LeftButton, {}, elsewhere);
    QVERIFY(!view()->guideSelected(1));
    QVERIFY(status().isEmpty());

    // A press of the view, once: the window does not hand it on a second time.
    press(onLine);
    QVERIFY(view()->guideSelected(1));

    // A move of the window below the view drags the guide to the same x in the view.
    const QPoint below(viewport()->mapTo(m_window, at(clockStart.addSecs(-30))).x(),
                       offset.y() + viewport()->height() + 20);
    QVERIFY(!viewport()->rect().contains(viewport()->mapFrom(m_window, below)));
    QMouseEvent windowMove(QEvent::MouseMove, below, m_window->mapToGlobal(below), Qt::NoButton,
                           Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window, &windowMove);
    QCOMPARE(lineX(1), below.x() - offset.x());

    // A drag with the button held inside the view, which the view passes up: the guide stays
    // at the cursor, not at the cursor's window position.
    const QPoint inView = at(clockStart.addSecs(-35));
    move(inView, Qt::LeftButton);
    QCOMPARE(lineX(1), inView.x());
}

void tst_TrendGuides::equalXTogglesGuide1()
{
    const QDateTime a = clockStart.addSecs(-30);
    doubleClick(at(a));
    doubleClick(at(a)); // guide 2 on the same x, above guide 1, selected
    QVERIFY(view()->guideSelected(2));
    QCOMPARE(lineX(1), lineX(2));
    QCOMPARE(view()->itemAt(onGuide(1)), view()->guideLineItem(1));
    press(onGuide(1));
    QVERIFY(view()->guideSelected(1));
    QVERIFY(!view()->guideSelected(2));
    QCOMPARE(status(), zh("垂直辅助线1被选中"));
    press(onGuide(1));
    QVERIFY(!view()->guideSelected(1));
    QVERIFY(!view()->guideSelected(2));
    QCOMPARE(status(), zh("垂直辅助线1被释放"));
}

void tst_TrendGuides::dragOffTheRange_data()
{
    QTest::addColumn<int>("rangeSeconds");
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("kept");

    // On a 5 s axis the first 40 pixels still lie within a second of its start.
    QTest::newRow("x = 30, time inside the range") << 5 << 30 << true;
    QTest::newRow("x = 30, time before the range") << 3600 << 30 << false;
    QTest::newRow("x = 45 before the range: not at the edge") << 3600 << 45 << true;
}

void tst_TrendGuides::dragOffTheRange()
{
    QFETCH(int, rangeSeconds);
    QFETCH(int, x);
    QFETCH(bool, kept);

    addRows(2);
    pause();
    view()->timeAxis()->setRange(clockStart.addSecs(-rangeSeconds), clockStart);
    const QDateTime a = secondOf(plotX(0.3));
    const QDateTime b = secondOf(plotX(0.6));
    // Values within the shared range, so that the axis and its labels stay as they are.
    for (const QDateTime &t : {a, b}) {
        sample(0, t, 1.0);
        sample(1, t, 0.5);
    }
    placeGuides(QPoint(plotX(0.3), 200), QPoint(plotX(0.6), 200));
    QCOMPARE(cell(0, pv2), QStringLiteral("1"));
    QVERIFY(view()->chart()->plotArea().left() > 45);

    const QDateTime t = view()->timeAt(QPoint(x, 200));
    QCOMPARE(t.addSecs(1) >= view()->timeAxis()->min(), rangeSeconds == 5);

    press(onGuide(2));
    QVERIFY(view()->guideSelected(2));
    ui()->statusbar->clearMessage();
    move(QPoint(x, 200));
    QCOMPARE(view()->guideLineItem(1)->isVisible(), kept);
    QCOMPARE(view()->guideLabel(1)->isVisible(), kept);
    QCOMPARE(view()->guideLabel(4)->isVisible(), kept);
    QCOMPARE(view()->guideSelected(2), kept);
    if (kept) {
        QCOMPARE(lineX(2), x);
        QVERIFY(status().isEmpty());
        return;
    }
    QCOMPARE(status(), zh("垂直辅助线2被释放和隐藏"));
    for (int row : {0, 1}) {
        QCOMPARE(cells(row, {pv2, time2, p1p2, t1t2, v1v2}), (QStringList{"", "", "", "", ""}));
        QVERIFY(!(ui()->tableWidget->item(row, pv2)->flags() & Qt::ItemIsSelectable));
        QVERIFY(!text(row, 2)->isVisible());
        QCOMPARE(cell(row, time1), a.toString("hh:mm:ss")); // guide 1 keeps its cells
    }
    QVERIFY(view()->guideLineItem(0)->isVisible());
}

void tst_TrendGuides::readoutsAtBothGuides()
{
    const QDateTime t1 = clockStart.addSecs(-25);
    const QDateTime t2 = clockStart.addSecs(-30);
    addRows(3);
    // Row 0: 3 at guide 1, 0 at guide 2; row 1: 0 and 4; row 2: 2.5 and -2.
    samples(0, t1, 3.0, t2, 0.0);
    samples(1, t1, 0.0, t2, 4.0);
    samples(2, t1, 2.5, t2, -2.0);
    showTime(clockStart);
    placeGuides(t1, t2);

    const QList<QStringList> expected{
        {"3", "09:59:35", "0", "09:59:30", "3", "00:00:05", "-"},
        {"0", "09:59:35", "4", "09:59:30", "-4", "00:00:05", "0"},
        {"2.5", "09:59:35", "-2", "09:59:30", "4.5", "00:00:05", "-1.25"},
    };
    for (int row = 0; row < 3; ++row)
        QCOMPARE(cells(row, {pv1, time1, pv2, time2, p1p2, t1t2, v1v2}), expected.at(row));

    // The sign stays PV_1 - PV_2 whichever guide moved last.
    press(onGuide(1));
    move(at(t1));
    QCOMPARE(cell(0, p1p2), QStringLiteral("3"));
    press(onGuide(1));
    press(onGuide(2));
    move(at(t2));
    QCOMPARE(cell(0, p1p2), QStringLiteral("3"));
    QCOMPARE(cell(1, p1p2), QStringLiteral("-4"));

    // Guide 1's cells are read-only, guide 2's neither editable nor selectable; all centred.
    const QTableWidgetItem *own1 = ui()->tableWidget->item(0, pv1);
    QVERIFY(!(own1->flags() & Qt::ItemIsEditable) && (own1->flags() & Qt::ItemIsSelectable));
    const QTableWidgetItem *own2 = ui()->tableWidget->item(0, pv2);
    QVERIFY(!(own2->flags() & (Qt::ItemIsEditable | Qt::ItemIsSelectable)));
    QCOMPARE(own2->textAlignment(), int(Qt::AlignCenter));

    // The texts: value and comment in the row's colour, at the guide's x.
    QCOMPARE(text(2, 1)->toPlainText(), QStringLiteral("2.5, C2"));
    QCOMPARE(text(2, 2)->toPlainText(), QStringLiteral("-2, C2"));
    QCOMPARE(text(2, 1)->pos().x(), double(lineX(1)));
    QCOMPARE(text(2, 2)->pos().x(), double(lineX(2)));
    QVERIFY(text(2, 1)->isVisible());
    QCOMPARE(text(0, 1)->defaultTextColor(), QColor(Qt::red));
    QCOMPARE(text(1, 1)->defaultTextColor(), QColor(Qt::green));
}

void tst_TrendGuides::readoutAcrossMidnight()
{
    const QDateTime midnight = QDateTime::fromString("2026-12-11T00:00:00", Qt::ISODate);
    const QDateTime t1 = midnight.addSecs(-10);
    const QDateTime t2 = midnight.addSecs(10);
    addRows(1);
    samples(0, t1, 1.0, t2, 2.0);
    showTime(midnight.addSecs(30));
    placeGuides(t1, t2);
    QCOMPARE(cells(0, {time1, time2, t1t2}), (QStringList{"23:59:50", "00:00:10", "00:00:20"}));
}

void tst_TrendGuides::noSampleInTheSecond()
{
    const QDateTime t1 = clockStart.addSecs(-25);
    const QDateTime t2 = clockStart.addSecs(-30);
    addRows(2);
    // Row 0, sampled every second from t2, has a gap at t1: two seconds after its sample at
    // t1 - 2, with the next one at t1 + 1; row 1 has both.
    for (int s = -5; s <= 2; ++s) {
        if (s < -1 || s > 0)
            sample(0, t1.addSecs(s), 7.0);
    }
    samples(1, t1, 1.0, t2, 2.0);
    showTime(clockStart);
    placeGuides(t1, t2);
    QCOMPARE(cells(0, {pv1, time1, pv2, time2, p1p2, t1t2, v1v2}),
             (QStringList{"", "", "7", "09:59:30", "", "", ""}));
    QVERIFY(!text(0, 1)->isVisible());
    QVERIFY(text(0, 2)->isVisible());
    QCOMPARE(cell(1, v1v2), QStringLiteral("0.5"));
}

void tst_TrendGuides::readoutHoldsBetweenSamples()
{
    // Sampled every 5 s: a guide between two samples reads the one before it; 6 s after the
    // last sample, a gap, it reads nothing.
    ui()->samplingTime->setCurrentIndex(2); // 5 s
    addRows(1);
    QCOMPARE(m_window->seriesTimers.first()->interval(), 5000);
    const QDateTime t = clockStart.addSecs(-40);
    for (int s : {0, 5, 10})
        sample(0, t.addSecs(s), 10.0 + s);
    showTime(clockStart);
    placeGuides(t.addSecs(8), t.addSecs(16));
    QCOMPARE(cells(0, {pv1, time1, pv2, time2}), (QStringList{"15", "09:59:28", "", ""}));
    QVERIFY(text(0, 1)->isVisible());
    QVERIFY(!text(0, 2)->isVisible());

    // At 60 guide seconds of a minute sampled every 5 s, every readout shows a value.
    for (int s = 15; s < 60; s += 5)
        sample(0, t.addSecs(s), 10.0 + s);
    showTime(clockStart.addSecs(30));
    int shown = 0;
    for (int s = 0; s < 60; ++s) {
        m_window->trendView()->setGuideTime(t.addSecs(s), t.addSecs(s));
        m_window->updateGuideReadouts(0);
        shown += cell(0, pv1) == QString::number(10 + s - s % 5);
    }
    QCOMPARE(shown, 60);
}

void tst_TrendGuides::timeLabelsBackAfterNewWindow()
{
    addRows(1);
    const QDateTime t1 = clockStart.addSecs(-25);
    const QDateTime t2 = clockStart.addSecs(-20);
    samples(0, t1, 1.0, t2, 2.0);
    showTime(clockStart);
    placeGuides(t1, t2);
    QVERIFY(view()->guideLabel(0)->isVisible() && view()->guideLabel(1)->isVisible());

    // A new time window hides both time labels; each guide's next refresh shows its own again.
    ui()->rangeTime->setCurrentIndex(1);
    QVERIFY(!view()->guideLabel(0)->isVisible() && !view()->guideLabel(1)->isVisible());
    QVERIFY(view()->guideLineItem(0)->isVisible());
    QMetaObject::invokeMethod(view()->guideTimer1(), "timeout");
    QVERIFY(view()->guideLabel(0)->isVisible());
    QVERIFY(!view()->guideLabel(1)->isVisible());
    // On the wider axis the line stands on another second, which its label names.
    double x1 = 0, x2 = 0;
    QDateTime g1, g2;
    view()->guideState(&x1, &x2, &g1, &g2);
    QCOMPARE(view()->guideLabel(0)->toPlainText(), g1.toString("hh:mm:ss"));
    // A drag is a refresh too.
    press(onGuide(2));
    move(onGuide(2));
    QVERIFY(view()->guideLabel(1)->isVisible());

    // Hidden guides keep their labels hidden.
    ui()->rangeTime->setCurrentIndex(0);
    view()->guideLineItem(0)->hide();
    QMetaObject::invokeMethod(view()->guideTimer1(), "timeout");
    QVERIFY(!view()->guideLabel(0)->isVisible());
}

void tst_TrendGuides::textHeightAndZeroExtent()
{
    const QDateTime t1 = clockStart.addSecs(-25);
    addRows(1);
    sample(0, t1, 5.0);
    showTime(clockStart);
    QCOMPARE(view()->height(), 483);
    doubleClick(at(t1));
    QCOMPARE(text(0, 1)->pos().y(), 236.0);
    QVERIFY(text(0, 1)->isVisible());

    // An unticked visibility box: placed and retexted, but hidden.
    ui()->tableWidget->cellWidget(0, 1)->findChild<QCheckBox *>()->setChecked(false);
    view()->valueAxis()->setRange(0.0, 20.0);
    m_window->updateGuideReadouts(0);
    QCOMPARE(text(0, 1)->pos().y(), 336.0);
    QVERIFY(!text(0, 1)->isVisible());
    ui()->tableWidget->cellWidget(0, 1)->findChild<QCheckBox *>()->setChecked(true);

    // No extent: the cells are written, the text has no height and stays hidden.
    view()->valueAxis()->setRange(5.0, 5.0);
    QCOMPARE(view()->valueAxis()->min(), view()->valueAxis()->max());
    ui()->tableWidget->setItem(0, pv1, new QTableWidgetItem("stale"));
    m_window->updateGuideReadouts(0);
    QCOMPARE(cell(0, pv1), QStringLiteral("5"));
    QVERIFY(!text(0, 1)->isVisible());
}

void tst_TrendGuides::scaledCopyReadsUnscaledValue()
{
    const QDateTime t1 = clockStart.addSecs(-25);
    addRows(2);
    sample(0, t1, 5.0);
    sample(1, t1, 50.0);
    // Row 0 on [0, 10], row 1 on [0, 100]: selecting row 0 draws row 1 at 5 on row 0's scale.
    ui()->tableWidget->item(0, zeroScale)->setText("0");
    ui()->tableWidget->item(0, fullScale)->setText("10");
    ui()->tableWidget->item(1, zeroScale)->setText("0");
    ui()->tableWidget->item(1, fullScale)->setText("100");
    showTime(clockStart);
    doubleClick(at(t1));
    press(onGuide(1));
    QMetaObject::invokeMethod(m_window, "onCellClicked", Q_ARG(int, 0), Q_ARG(int, 0));
    QCOMPARE(m_window->chartFlag(), 1);
    // The axis [-1.25, 11.25] puts 5 at the middle of 400 pixels again.
    QCOMPARE(view()->valueAxis()->min(), -1.25);
    QCOMPARE(text(1, 1)->pos().y(), 236.0);
    QCOMPARE(text(1, 1)->toPlainText(), QStringLiteral("50, C1"));
    QCOMPARE(cell(1, pv1), QStringLiteral("50"));
    QVERIFY(text(0, 1)->font().bold());
    QVERIFY(!text(1, 1)->font().bold());
    QCOMPARE(text(0, 1)->pos().y(), 236.0);

    // Ending the scaled view places row 1 on the shared axis again.
    QMetaObject::invokeMethod(m_window, "onCellClicked", Q_ARG(int, 0), Q_ARG(int, 0));
    QCOMPARE(m_window->chartFlag(), 0);
    int y = 0;
    QVERIFY(GuideReadout::textTop(50.0, view()->valueAxis()->min(), view()->valueAxis()->max(), 483,
                                  &y));
    QCOMPARE(text(1, 1)->pos().y(), double(y));
    QVERIFY(!text(1, 1)->font().bold());
}

void tst_TrendGuides::fullRefreshAfterRowsChanged()
{
    const QDateTime t1 = clockStart.addSecs(-25);
    const QDateTime t2 = clockStart.addSecs(-20);
    addRows(2);
    placeGuides(t1, t2);
    // The rows are rebuilt: the old ones go, new ones come with their own samples.
    ui()->tableWidget->selectAll();
    QMetaObject::invokeMethod(m_window, "onMenuDeleteChartClicked");
    QCOMPARE(ui()->tableWidget->rowCount(), 0);
    addRows(2);
    samples(0, t1, 6.0, t2, 3.0);
    sample(1, t1, 1.0);
    m_window->updateGuideReadouts(0);
    QCOMPARE(cells(0, {pv1, pv2, p1p2, v1v2}), (QStringList{"6", "3", "3", "2"}));
    QVERIFY(text(0, 1)->isVisible() && text(0, 2)->isVisible());
    QCOMPARE(cells(1, {pv1, pv2, p1p2}), (QStringList{"1", "", ""}));
    QVERIFY(text(1, 1)->isVisible() && !text(1, 2)->isVisible());

    // Moving both guide times by a number of seconds reads the samples there.
    m_window->updateGuideReadouts(-5);
    QCOMPARE(cells(0, {time1, pv1, time2, pv2}), (QStringList{"", "", "09:59:35", "6"}));

    // A row without its curve stops the refresh there: later rows keep their cells.
    QCOMPARE(cell(1, pv1), QString());
    sample(1, t1.addSecs(-5), 9.0);
    delete ui()->dataTableWidget->takeItem(0, 0);
    m_window->updateGuideReadouts(0);
    QCOMPARE(cell(1, pv1), QString());
    // With its curve back, the refresh reaches it.
    ui()->tableWidget->removeRow(0);
    ui()->dataTableWidget->removeRow(0);
    m_window->updateGuideReadouts(0);
    QCOMPARE(cell(0, pv1), QStringLiteral("9"));
}

void tst_TrendGuides::guide1HiddenChangesNothing()
{
    addRows(1);
    pause();
    view()->timeAxis()->setRange(clockStart.addSecs(-3600), clockStart);
    samples(0, secondOf(plotX(0.3)), 0.6, secondOf(plotX(0.6)), 0.3);
    placeGuides(QPoint(plotX(0.3), 200), QPoint(plotX(0.6), 200));
    // Guide 1 pushed off at the left edge; guide 2 stays.
    press(onGuide(1));
    move(QPoint(10, 200));
    QVERIFY(!view()->guideLineItem(0)->isVisible());
    QVERIFY(view()->guideLineItem(1)->isVisible());
    const QStringList before = cells(0, {pv1, time1, pv2, time2, p1p2, t1t2, v1v2});
    const QPointF textAt = text(0, 2)->pos();
    QCOMPARE(before.at(2), QStringLiteral("0.3"));

    view()->valueAxis()->setRange(0.0, 100.0);
    m_window->updateGuideReadouts(0);
    QCOMPARE(cells(0, {pv1, time1, pv2, time2, p1p2, t1t2, v1v2}), before);
    QCOMPARE(text(0, 2)->pos(), textAt);
}

void tst_TrendGuides::historyAndPause_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<bool>("scaled");
    QTest::addColumn<QStringList>("expected"); // PV_1, PV_2 of row 0 and row 1

    QTest::newRow("search shown: history columns")
        << true << false << QStringList{"40", "30", "4", "3"};
    QTest::newRow("search shown, scaled: history copy height, history value")
        << true << true << QStringList{"40", "30", "4", "3"};
    QTest::newRow("plain pause: live columns") << false << false << QStringList{"6", "5", "2", "1"};
}

void tst_TrendGuides::historyAndPause()
{
    QFETCH(bool, search);
    QFETCH(bool, scaled);
    QFETCH(QStringList, expected);

    const QDateTime t1 = clockStart.addSecs(-25);
    const QDateTime t2 = clockStart.addSecs(-20);
    addRows(2);
    samples(0, t1, 6.0, t2, 5.0);
    samples(1, t1, 2.0, t2, 1.0);
    showTime(clockStart);
    placeGuides(t1, t2);
    pause();
    // History curves put in by hand, as a search leaves them, with other values than the live
    // curves and a point before t1 that the live curves lack.
    for (int row : {0, 1}) {
        auto *history = new QLineSeries;
        history->append(double(clockStart.addSecs(-60).toMSecsSinceEpoch()), 0.0);
        history->append(double(t1.toMSecsSinceEpoch()), row == 0 ? 40.0 : 4.0);
        history->append(double(t2.toMSecsSinceEpoch()), row == 0 ? 30.0 : 3.0);
        view()->chart()->addSeries(history);
        history->attachAxis(view()->timeAxis());
        history->attachAxis(view()->valueAxis());
        auto *item = new QTableWidgetItem;
        item->setData(Qt::UserRole, QVariant::fromValue<QObject *>(history));
        ui()->dataTableWidget->setItem(row, 4, item);
    }
    m_window->setHistoryShown(search);
    if (scaled) {
        ui()->tableWidget->item(0, zeroScale)->setText("0");
        ui()->tableWidget->item(0, fullScale)->setText("100");
        ui()->tableWidget->item(1, zeroScale)->setText("0");
        ui()->tableWidget->item(1, fullScale)->setText("10");
        QMetaObject::invokeMethod(m_window, "onCellClicked", Q_ARG(int, 0), Q_ARG(int, 0));
        QVERIFY(ChartDrawer::seriesAt(ui()->dataTableWidget, 1, 5));
    } else {
        m_window->updateGuideReadouts(0);
    }
    QCOMPARE((QStringList{cell(0, pv1), cell(0, pv2), cell(1, pv1), cell(1, pv2)}), expected);
    if (scaled) {
        // Row 1's history 4 on [0, 10] is drawn at 40 on row 0's [0, 100].
        int y = 0;
        QVERIFY(GuideReadout::textTop(40.0, view()->valueAxis()->min(), view()->valueAxis()->max(),
                                      483, &y));
        QCOMPARE(text(1, 1)->pos().y(), double(y));
        QCOMPARE(text(1, 1)->toPlainText(), QStringLiteral("4, C1"));
    }

    // A drag while paused reads the same columns.
    // The axis labels took another width: the guide is pressed where it stands.
    press(onGuide(2));
    move(at(t1));
    QCOMPARE(cell(0, pv2), expected.at(0));
}

void tst_TrendGuides::timerRefreshFollowsTheClock()
{
    addRows(1);
    for (int s = -60; s <= 10; ++s)
        sample(0, clockStart.addSecs(s), 100.0 + s);
    showTime(clockStart);
    const QDateTime t1 = clockStart.addSecs(-30);
    const QDateTime t2 = clockStart.addSecs(-10);
    placeGuides(t1, t2);
    QCOMPARE(cells(0, {pv1, pv2, p1p2, t1t2}), (QStringList{"70", "90", "-20", "00:00:20"}));

    // Running: the lines stand, the curves scroll; each refresh reads the second under its line.
    showTime(clockStart.addSecs(5));
    QMetaObject::invokeMethod(view()->guideTimer1(), "timeout");
    QCOMPARE(cells(0, {time1, pv1, p1p2}), (QStringList{"09:59:35", "75", "-15"}));
    QCOMPARE(view()->guideLabel(0)->toPlainText(), QStringLiteral("09:59:35"));
    QMetaObject::invokeMethod(view()->guideTimer2(), "timeout");
    QCOMPARE(cells(0, {time2, pv2, p1p2, t1t2}),
             (QStringList{"09:59:55", "95", "-20", "00:00:20"}));
    // The full refresh reads the same seconds the timers showed.
    m_window->updateGuideReadouts(0);
    QCOMPARE(cells(0, {time1, pv1, time2, pv2}), (QStringList{"09:59:35", "75", "09:59:55", "95"}));

    // Paused: the refresh does nothing.
    pause();
    showTime(clockStart.addSecs(8));
    view()->timeAxis()->setRange(clockStart.addSecs(-52), clockStart.addSecs(8));
    QMetaObject::invokeMethod(view()->guideTimer1(), "timeout");
    QCOMPARE(cells(0, {time1, pv1}), (QStringList{"09:59:35", "75"}));
}

QTEST_MAIN(tst_TrendGuides)
#include "tst_trendguides.moc"
