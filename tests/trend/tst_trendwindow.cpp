// The live trend page of the main window offscreen: the trend view's set-up, the time line on a
// clock of the test's own, the colour schemes, series panels added and deleted, the live tick,
// the scaled view of a selected row, and the colour button.
#include "chartdrawer.h"
#include "labeltypes.h"
#include "trendrules.h"
#include "trendtest.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

using namespace QtCharts;

namespace {

struct Label
{
    QString name;
    QString description;
    QString value;
    QString unit;
};

} // namespace

class tst_TrendWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void viewSetUp();
    void timeLineFollowsTheClock();
    void schemes_data();
    void schemes();
    void addPanels();
    void paletteWrapsAndOnePanelPerRow();
    void deleteExactRowsAndBoxesFollow();
    void tickWidensTheSharedRange();
    void tickWithoutValue_data();
    void tickWithoutValue();
    void tickTakesTheWholeValue();
    void nonFiniteValueGivesNoPoint_data();
    void nonFiniteValueGivesNoPoint();
    void panelAddedWhilePausedWaits();
    void curvesFedWithTheirWindow();
    void steadyDayFedByItsEnds();
    void scaledViewOnMoveOff();
    void scaledViewZeroEqualsFull();
    void tickWritesRebuildNothing();
    void colourButton();

private:
    Ui::MainWindow *ui() const { return m_window->form(); }
    ChartDrawer *view() const { return m_window->trendView(); }
    void addLabels(const QList<Label> &labels);
    // Adds panels for the given label rows through the label menu.
    void addPanels(const QList<int> &labelRows);
    void selectSeriesCells(const QList<QPair<int, int>> &cells);
    QLineSeries *seriesOf(int row, int column = 0) const
    {
        return ChartDrawer::seriesAt(ui()->dataTableWidget, row, column);
    }
    QTimer *timerOf(int row) const { return m_window->seriesTimers.value(seriesOf(row)); }
    QCheckBox *boxOf(int row, int column) const
    {
        QWidget *cell = ui()->tableWidget->cellWidget(row, column);
        return cell ? cell->findChild<QCheckBox *>() : nullptr;
    }
    QString cellText(int row, int column) const
    {
        QTableWidgetItem *item = ui()->tableWidget->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    // The label's polled value as the polling loop leaves it: six-digit text, whole value.
    void setLabelValue(int labelRow, double value);
    // One tick of a row's timer, with every row timer stopped so that only the test ticks.
    void tick(int row);
    void step(int seconds);
    void click(int row)
    {
        QMetaObject::invokeMethod(m_window, "onCellClicked", Q_ARG(int, row), Q_ARG(int, 0));
    }
    QPair<double, double> valueRange() const
    {
        return {view()->valueAxis()->min(), view()->valueAxis()->max()};
    }

    WindowFixture m_f;
    MainWindow *m_window = nullptr;
    QDateTime m_now;
};

void tst_TrendWindow::init()
{
    m_f.setUp();
    m_window = m_f.create();
    m_now = clockStart;
    m_window->setTrendClock([this] { return m_now; });
}

void tst_TrendWindow::cleanup()
{
    m_window = nullptr;
    m_f.tearDown();
}

void tst_TrendWindow::addLabels(const QList<Label> &labels)
{
    for (const Label &label : labels)
        m_window->addLabelRow(
            {"", label.name, label.description, label.value, label.unit, "float"});
}

void tst_TrendWindow::addPanels(const QList<int> &labelRows)
{
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->clear();
    for (int row : labelRows)
        selection->select(m_window->labelModel()->index(row, 1), QItemSelectionModel::Select);
    m_window->labelMenu()->actions().at(toTrendEntry)->trigger();
}

void tst_TrendWindow::selectSeriesCells(const QList<QPair<int, int>> &cells)
{
    QItemSelectionModel *selection = ui()->tableWidget->selectionModel();
    selection->clear();
    for (const auto &cell : cells)
        selection->select(ui()->tableWidget->model()->index(cell.first, cell.second),
                          QItemSelectionModel::Select);
}

void tst_TrendWindow::setLabelValue(int labelRow, double value)
{
    QStandardItem *cell = m_window->labelItem(labelRow, LabelColumnValue);
    cell->setText(QString::number(value, 'g', 6));
    cell->setData(value, Qt::UserRole);
}

void tst_TrendWindow::tick(int row)
{
    for (QTimer *timer : m_window->seriesTimers)
        timer->stop();
    QTimer *timer = timerOf(row);
    QVERIFY(timer);
    QMetaObject::invokeMethod(timer, "timeout");
}

void tst_TrendWindow::step(int seconds)
{
    m_now = m_now.addSecs(seconds);
    QMetaObject::invokeMethod(m_window, "updateTimeLine");
}

void tst_TrendWindow::viewSetUp()
{
    QChart *chart = view()->chart();
    QVERIFY(!chart->legend()->isVisible());
    QCOMPARE(view()->timeAxis()->format(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(view()->timeAxis()->tickCount(), 6);
    QCOMPARE(view()->valueAxis()->tickCount(), 6);
    QCOMPARE(valueRange(), qMakePair(0.0, 10.0));
    QCOMPARE(view()->valueAxis()->labelFormat(), QStringLiteral("%.3f"));
    QCOMPARE(view()->valueAxis()->titleFont().pointSize(), 12);
    QVERIFY(view()->valueAxis()->titleFont().bold());
    // The empty "line0" is the chart's first series, on both axes.
    QCOMPARE(chart->series().size(), 1);
    auto *line0 = qobject_cast<QLineSeries *>(chart->series().first());
    QVERIFY(line0);
    QCOMPARE(line0->name(), QStringLiteral("line0"));
    QCOMPARE(line0->count(), 0);
    QCOMPARE(line0->attachedAxes().size(), 2);
    QCOMPARE(view()->registeredSeries("line0"), line0);

    for (int i : {0, 1}) {
        QGraphicsLineItem *line = view()->guideLineItem(i);
        QVERIFY(line);
        QVERIFY(!line->isVisible());
        QCOMPARE(line->zValue(), 3.0);
        QCOMPARE(line->scene(), view()->scene());
    }
    QCOMPARE(view()->guideLineItem(0)->line().x1(), 56.0);
    QCOMPARE(view()->guideLineItem(1)->line().x1(), m_window->width() - 92.0);
    for (int i : {0, 1, 3, 4}) {
        QVERIFY(view()->guideLabel(i));
        QVERIFY(!view()->guideLabel(i)->isVisible());
    }
    QCOMPARE(view()->guideLabel(3)->toPlainText(), QStringLiteral("1"));
    QCOMPARE(view()->guideLabel(4)->font().pointSize(), 15);
    QCOMPARE(view()->guideLabel(0)->font().pointSize(), 8);
    for (int i : {2, 5, -1})
        QVERIFY(!view()->guideLabel(i));
    QVERIFY(!view()->guideLineItem(2));
    for (QTimer *timer : {view()->guideTimer1(), view()->guideTimer2()}) {
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(!timer->isActive());
        QCOMPARE(timer->parent(), view());
    }
    QCOMPARE(m_window->chartFlag(), 0);
    QCOMPARE(m_window->chartOption(), false);
    QCOMPARE(m_window->seriesMenu()->actions().size(), 1);
    QCOMPARE(m_window->seriesMenu()->actions().first()->text(), zh("删除数据"));
    // The report tab's "current time" button sets only its end time.
    ui()->dateTimeEnd->setDateTime(clockStart.addYears(-20));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    ui()->pushButton_currentTime->click();
    QVERIFY(ui()->dateTimeEnd->dateTime() >= before);

    // Series registry: a name used twice keeps both series in the chart, the last in the map.
    view()->addSeries(7, "twice");
    view()->addSeries(0, "twice");
    view()->addSeries(3, "bar");
    QCOMPARE(chart->series().size(), 3);
    QCOMPARE(view()->registeredSeries("twice")->type(), QAbstractSeries::SeriesTypeLine);
    QVERIFY(!view()->registeredSeries("bar"));
    view()->appendPoints("twice", {QPointF(1, 2)});
    view()->appendPoints("nobody", {QPointF(1, 2)});
    QCOMPARE(view()->registeredSeries("twice")->count(), 1);

    // The time of a guide finds the point of its second.
    QLineSeries points;
    const QDateTime t = clockStart;
    QCOMPARE(ChartDrawer::findNearestPoint(&points, t), -1);
    const qint64 ms = t.toMSecsSinceEpoch();
    points.append(ms - 1, 1);
    points.append(ms + 500, 2);
    points.append(ms + 999, 3);
    QCOMPARE(ChartDrawer::findNearestPoint(&points, t), 1);

    // A reset clears the guides' positions and times.
    view()->resetGuides();
    double x1 = -1, x2 = -1;
    QDateTime t1, t2;
    view()->guideState(&x1, &x2, &t1, &t2);
    QCOMPARE(x1, 0.0);
    QVERIFY(t1.isNull() && t2.isNull());
}

void tst_TrendWindow::timeLineFollowsTheClock()
{
    QCOMPARE(ui()->StartandPause->text(), zh("暂停"));
    // The window at start follows the selector's first entry, one minute.
    step(0);
    QCOMPARE(view()->timeAxis()->min(), clockStart.addSecs(-60));
    QCOMPARE(view()->timeAxis()->max(), clockStart);

    step(1);
    QCOMPARE(view()->timeAxis()->max(), clockStart.addSecs(1));
    ui()->rangeTime->setCurrentIndex(13);
    QCOMPARE(view()->timeAxis()->min(), m_now.addDays(-7));
    QCOMPARE(view()->timeAxis()->max(), m_now);
    // A pixel column of a week is minutes long: the axis waits for the window to move one.
    step(5);
    QCOMPARE(view()->timeAxis()->max(), clockStart.addSecs(1));
    step(600);
    QCOMPARE(view()->timeAxis()->max(), clockStart.addSecs(606));

    // Paused (either language): the axis stands, a new length waits for the run.
    for (const QString &paused : {zh("开始"), QStringLiteral("Start")}) {
        ui()->StartandPause->setText(paused);
        view()->guideLabel(0)->show();
        ui()->rangeTime->setCurrentIndex(3);
        step(30);
        QCOMPARE(view()->timeAxis()->max(), clockStart.addSecs(606));
        QVERIFY(!view()->guideLabel(0)->isVisible());
        ui()->rangeTime->setCurrentIndex(13);
    }
    ui()->rangeTime->setCurrentIndex(3);
    ui()->StartandPause->setText("Pause");
    step(0);
    QCOMPARE(view()->timeAxis()->min(), m_now.addSecs(-600));
    QCOMPARE(view()->timeAxis()->max(), m_now);
}

void tst_TrendWindow::schemes_data()
{
    QTest::addColumn<int>("scheme");
    QTest::addColumn<QColor>("foreground");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("guide1");
    QTest::addColumn<QColor>("guide2");
    QTest::addColumn<QString>("selector");
    QTest::newRow("white") << 0 << QColor(0, 0, 0) << QColor(255, 255, 255) << QColor(0, 0, 255)
                           << QColor(170, 0, 0) << "background-color: white; color: black;";
    QTest::newRow("black") << 1 << QColor(255, 255, 255) << QColor(0, 0, 0) << QColor(255, 0, 0)
                           << QColor(0, 255, 0) << "background-color: black; color: white;";
    QTest::newRow("gray") << 2 << QColor(255, 255, 255) << QColor(128, 128, 128)
                          << QColor(255, 0, 0) << QColor(255, 255, 0)
                          << "background-color: gray; color: white;";
}

void tst_TrendWindow::schemes()
{
    QFETCH(int, scheme);
    QFETCH(QColor, foreground);
    QFETCH(QColor, background);
    QFETCH(QColor, guide1);
    QFETCH(QColor, guide2);
    QFETCH(QString, selector);
    // From another scheme, so that every value must change.
    QMetaObject::invokeMethod(m_window, "on_backgroundColorSelect_activated",
                              Q_ARG(int, scheme == 1 ? 2 : 1));
    QMetaObject::invokeMethod(m_window, "on_backgroundColorSelect_activated", Q_ARG(int, scheme));
    QVERIFY(ui()->backgroundColorSelect->styleSheet().endsWith("QComboBox { " + selector + " }"));
    QCOMPARE(view()->palette().color(QPalette::Window), background);
    QCOMPARE(view()->chart()->backgroundBrush().color(), background);
    for (QAbstractAxis *axis : {static_cast<QAbstractAxis *>(view()->timeAxis()),
                                static_cast<QAbstractAxis *>(view()->valueAxis())}) {
        QCOMPARE(axis->linePenColor(), foreground);
        QCOMPARE(axis->labelsColor(), foreground);
    }
    QCOMPARE(view()->guideLineItem(0)->pen(), QPen(guide1));
    QCOMPARE(view()->guideLineItem(1)->pen(), QPen(guide2));
    for (int label : {0, 1, 3, 4})
        QCOMPARE(view()->guideLabel(label)->defaultTextColor(), foreground);

    // Any other scheme changes nothing.
    QMetaObject::invokeMethod(m_window, "on_backgroundColorSelect_activated", Q_ARG(int, 3));
    QCOMPARE(view()->chart()->backgroundBrush().color(), background);
    QCOMPARE(view()->guideLineItem(1)->pen(), QPen(guide2));
}

void tst_TrendWindow::addPanels()
{
    addLabels({{"D100", "tank level", "12", "m"}, {"D102", "pressure", "3.25", "kPa"}});
    addPanels({1});
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    QCOMPARE(ui()->dataTableWidget->rowCount(), 1);
    QCOMPARE(cellText(0, 0), QStringLiteral("1"));
    QCOMPARE(cellText(0, 3), QStringLiteral("D102"));
    QCOMPARE(cellText(0, 4), QStringLiteral("pressure"));
    QCOMPARE(cellText(0, 13), QStringLiteral("kPa"));
    // The value as an integer, less one and plus one.
    QCOMPARE(cellText(0, 14), QStringLiteral("2"));
    QCOMPARE(cellText(0, 15), QStringLiteral("4"));
    addPanels({0});
    QCOMPARE(cellText(1, 0), QStringLiteral("2"));
    QCOMPARE(cellText(1, 14), QStringLiteral("11"));
    QCOMPARE(cellText(1, 15), QStringLiteral("13"));
    QVERIFY(boxOf(1, 1)->isChecked());
    QVERIFY(!boxOf(1, 16)->isChecked());
    QCOMPARE(ui()->tableWidget->cellWidget(1, 2)->findChild<QLabel *>()->text(),
             QStringLiteral("#00ff00"));
    QVERIFY(ui()->tableWidget->cellWidget(1, 2)->findChild<QPushButton *>()->styleSheet().contains(
        "#00ff00"));

    // Flags: the number, label, comment and unit are fixed; the scales editable; the readouts
    // inert.
    for (int column : {0, 3, 4, 13})
        QVERIFY(!(ui()->tableWidget->item(1, column)->flags() & Qt::ItemIsEditable));
    for (int column : {14, 15})
        QVERIFY(ui()->tableWidget->item(1, column)->flags() & Qt::ItemIsEditable);
    for (int column = 5; column <= 12; ++column) {
        const Qt::ItemFlags flags = ui()->tableWidget->item(1, column)->flags();
        QVERIFY(!(flags & Qt::ItemIsEditable) && !(flags & Qt::ItemIsSelectable));
    }

    // The series in the chart on both axes, in the row's colour, fed by a parented timer.
    QLineSeries *series = seriesOf(1);
    QVERIFY(series);
    QCOMPARE(series->chart(), view()->chart());
    QCOMPARE(series->attachedAxes().size(), 2);
    QCOMPARE(series->color(), QColor(Qt::green));
    QCOMPARE(m_window->seriesTimers.size(), 2);
    QTimer *timer = timerOf(1);
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(timer->parent(), m_window);
    for (int column : {2, 3}) {
        QGraphicsTextItem *text = ChartDrawer::textItemAt(ui()->dataTableWidget, 1, column);
        QVERIFY(text);
        QCOMPARE(text->scene(), view()->scene());
    }

    // A later sampling time reaches new panels only.
    ui()->samplingTime->setCurrentIndex(2);
    addPanels({0});
    QCOMPARE(timerOf(2)->interval(), 5000);
    QCOMPARE(timerOf(1)->interval(), 1000);
    ui()->samplingTime->setCurrentIndex(9);
    addPanels({0});
    QCOMPARE(timerOf(3)->interval(), 5000);
}

void tst_TrendWindow::paletteWrapsAndOnePanelPerRow()
{
    addLabels({{"A", "", "1", ""}, {"B", "", "2", ""}});
    // A whole selected label row gives one panel, not one per cell.
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    for (int column = 0; column < LabelColumnCount; ++column)
        selection->select(m_window->labelModel()->index(0, column), QItemSelectionModel::Select);
    m_window->labelMenu()->actions().at(toTrendEntry)->trigger();
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    // Nothing selected: nothing added.
    selection->clear();
    m_window->labelMenu()->actions().at(toTrendEntry)->trigger();
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    for (int i = 0; i < 16; ++i)
        addPanels({1});
    QCOMPARE(ui()->tableWidget->rowCount(), 17);
    auto colourName = [this](int row) {
        return ui()->tableWidget->cellWidget(row, 2)->findChild<QLabel *>()->text();
    };
    QCOMPARE(colourName(6), QStringLiteral("#a0a0a4"));
    QCOMPARE(colourName(14), QStringLiteral("#c0c0c0"));
    QCOMPARE(colourName(15), QStringLiteral("#ff0000"));
    QCOMPARE(colourName(16), QStringLiteral("#00ff00"));
}

void tst_TrendWindow::deleteExactRowsAndBoxesFollow()
{
    addLabels({{"A", "", "0", ""},
               {"B", "", "0", ""},
               {"C", "", "0", ""},
               {"D", "", "0", ""},
               {"E", "", "0", ""}});
    addPanels({0, 1, 2, 3, 4});
    QCOMPARE(ui()->tableWidget->rowCount(), 5);
    QLineSeries *b = seriesOf(1);
    QLineSeries *e = seriesOf(4);
    QGraphicsTextItem *bText = ChartDrawer::textItemAt(ui()->dataTableWidget, 1, 2);

    // Cells of rows 3 and 1, the later first: exactly those two go.
    selectSeriesCells({{3, 13}, {1, 3}});
    m_window->seriesMenu()->actions().first()->trigger();
    QCOMPARE(ui()->tableWidget->rowCount(), 3);
    QCOMPARE(ui()->dataTableWidget->rowCount(), 3);
    QStringList names, numbers;
    for (int r = 0; r < 3; ++r) {
        names << cellText(r, 3);
        numbers << cellText(r, 0);
    }
    QCOMPARE(names, (QStringList{"A", "C", "E"}));
    QCOMPARE(numbers, (QStringList{"1", "2", "3"}));
    QCOMPARE(m_window->seriesTimers.size(), 3);
    QVERIFY(!m_window->seriesTimers.contains(b));
    QVERIFY(!view()->chart()->series().contains(b));
    QVERIFY(!view()->scene()->items().contains(bText));
    QCOMPARE(seriesOf(2), e);

    // The boxes of E, moved from row 4 to row 2, act on E's own series and scale cells.
    boxOf(2, 1)->setChecked(false);
    QVERIFY(!e->isVisible());
    QVERIFY(seriesOf(0)->isVisible() && seriesOf(1)->isVisible());
    boxOf(2, 1)->setChecked(true);
    QVERIFY(e->isVisible());
    boxOf(2, 16)->setChecked(true);
    QVERIFY(!(ui()->tableWidget->item(2, 14)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(ui()->tableWidget->item(2, 15)->flags() & Qt::ItemIsEditable));
    QVERIFY(ui()->tableWidget->item(1, 14)->flags() & Qt::ItemIsEditable);
    boxOf(2, 16)->setChecked(false);
    QVERIFY(ui()->tableWidget->item(2, 14)->flags() & Qt::ItemIsEditable);

    // Nothing selected: nothing removed.
    ui()->tableWidget->selectionModel()->clear();
    m_window->seriesMenu()->actions().first()->trigger();
    QCOMPARE(ui()->tableWidget->rowCount(), 3);
}

void tst_TrendWindow::tickWidensTheSharedRange()
{
    addLabels({{"A", "", "0", ""}});
    addPanels({0});
    m_window->connectionGood = true;
    setLabelValue(0, 5.0);
    tick(0);
    QCOMPARE(valueRange(), qMakePair(-0.625, 5.625));
    QCOMPARE(cellText(0, 12), QStringLiteral("5"));
    setLabelValue(0, -2.0);
    tick(0);
    QCOMPARE(valueRange(), qMakePair(-2.875, 5.875));
    // The box clear: the scale cells stay; checked: they follow the data.
    QCOMPARE(cellText(0, 14), QStringLiteral("-1"));
    boxOf(0, 16)->setChecked(true);
    setLabelValue(0, -1.0);
    tick(0);
    QCOMPARE(cellText(0, 14), QStringLiteral("-1"));
    QCOMPARE(cellText(0, 15), QStringLiteral("1"));
    setLabelValue(0, 7.5);
    tick(0);
    QCOMPARE(cellText(0, 15), QStringLiteral("7.5"));
    QCOMPARE(cellText(0, 14), QStringLiteral("-1"));
    // Still locked while the box is on.
    QVERIFY(!(ui()->tableWidget->item(0, 15)->flags() & Qt::ItemIsEditable));
}

void tst_TrendWindow::tickWithoutValue_data()
{
    QTest::addColumn<bool>("connection");
    QTest::addColumn<bool>("removeLabel");
    QTest::addColumn<QString>("text");
    QTest::newRow("connection bad") << false << false << "3";
    QTest::newRow("label deleted") << true << true << "3";
    QTest::newRow("nothing read yet") << true << false << "";
    QTest::newRow("text value") << true << false << "open";
}

void tst_TrendWindow::tickWithoutValue()
{
    QFETCH(bool, connection);
    QFETCH(bool, removeLabel);
    QFETCH(QString, text);
    addLabels({{"A", "", "", ""}, {"B", "", "", ""}});
    addPanels({1});
    m_window->labelItem(1, LabelColumnValue)->setText(text);
    if (removeLabel)
        m_window->labelModel()->removeRow(1);
    m_window->connectionGood = connection;
    tick(0);
    QCOMPARE(cellText(0, 12), QStringLiteral(" "));
    QVERIFY(m_window->drawnCurve(seriesOf(0)).curve);
    QCOMPARE(m_window->drawnCurve(seriesOf(0)).curve->size(), 0);
    QCOMPARE(valueRange(), qMakePair(0.0, 10.0));
}

void tst_TrendWindow::tickTakesTheWholeValue()
{
    addLabels({{"A", "", "", ""}});
    addPanels({0});
    m_window->connectionGood = true;
    m_now = clockStart.addMSecs(740);
    setLabelValue(0, 1.23456789);
    tick(0);
    QCOMPARE(cellText(0, 12), QStringLiteral("1.23457"));
    const TrendCurve *curve = m_window->drawnCurve(seriesOf(0)).curve;
    QCOMPARE(curve->size(), 1);
    QCOMPARE(curve->valueAt(0), 1.23456789);
    // Stamped with the whole second.
    QCOMPARE(curve->timeAt(0), clockStart.toMSecsSinceEpoch());
}

void tst_TrendWindow::nonFiniteValueGivesNoPoint_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("+inf") << std::numeric_limits<double>::infinity();
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity();
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
}

void tst_TrendWindow::nonFiniteValueGivesNoPoint()
{
    QFETCH(double, value);
    addLabels({{"A", "", "", ""}, {"B", "", "", ""}});
    addPanels({0, 1});
    m_window->connectionGood = true;
    setLabelValue(0, 5.0);
    tick(0);
    QCOMPARE(valueRange(), qMakePair(-0.625, 5.625));

    // Read once: no point, no bound moved, the value cell as for no number.
    m_now = m_now.addSecs(1);
    setLabelValue(0, value);
    tick(0);
    QCOMPARE(m_window->drawnCurve(seriesOf(0)).curve->size(), 1);
    QCOMPARE(cellText(0, 12), QStringLiteral(" "));
    QCOMPARE(valueRange(), qMakePair(-0.625, 5.625));

    // Later values of every curve still widen the shared range.
    m_now = m_now.addSecs(1);
    setLabelValue(0, 999.0);
    tick(0);
    QCOMPARE(valueRange(), qMakePair(-124.875, 1123.875));
    setLabelValue(1, -400.0);
    tick(1);
    QCOMPARE(valueRange(), qMakePair(-574.875, 1173.875));
    QCOMPARE(m_window->drawnCurve(seriesOf(0)).curve->size(), 2);
}

void tst_TrendWindow::panelAddedWhilePausedWaits()
{
    addLabels({{"A", "", "", ""}, {"B", "", "", ""}});
    addPanels({0});
    m_window->connectionGood = true;
    QMetaObject::invokeMethod(m_window, "on_StartandPause_clicked");
    QVERIFY(TrendRules::trendPaused(ui()->StartandPause->text()));
    view()->valueAxis()->setRange(0.0, 10.0);

    // Built as a switched section's row: no curve and no timer until the resume.
    addPanels({1});
    QCOMPARE(ui()->tableWidget->rowCount(), 2);
    QVERIFY(!seriesOf(1));
    QCOMPARE(m_window->seriesTimers.size(), 1);
    for (QTimer *timer : m_window->seriesTimers)
        QVERIFY(!timer->isActive());
    setLabelValue(1, 50.0);
    m_now = m_now.addSecs(5);
    QCoreApplication::processEvents();
    QCOMPARE(valueRange(), qMakePair(0.0, 10.0));

    // The resume gives it its curve and starts its timer.
    QMetaObject::invokeMethod(m_window, "on_StartandPause_clicked");
    QVERIFY(seriesOf(1));
    QVERIFY(timerOf(1) && timerOf(1)->isActive());
    QCOMPARE(m_window->seriesTimers.size(), 2);
}

void tst_TrendWindow::curvesFedWithTheirWindow()
{
    addLabels({{"A", "", "", ""}});
    addPanels({0});
    m_window->connectionGood = true;
    QLineSeries *series = seriesOf(0);
    for (int s = 0; s < 120; ++s) {
        m_now = clockStart.addSecs(s);
        setLabelValue(0, s);
        tick(0);
    }
    // The series draws the last minute (and the sample before it), not what is held.
    step(0);
    QCOMPARE(m_window->drawnCurve(series).curve->size(), 120);
    QCOMPARE(series->count(), 62);
    QCOMPARE(series->at(0).y(), 58.0);
    QCOMPARE(series->at(61).y(), 119.0);
    // Hidden, it is not fed; shown again, it is.
    boxOf(0, 1)->setChecked(false);
    m_now = m_now.addSecs(30);
    step(0);
    QCOMPARE(series->at(0).y(), 58.0);
    boxOf(0, 1)->setChecked(true);
    QCOMPARE(series->at(0).y(), 88.0);
}

void tst_TrendWindow::steadyDayFedByItsEnds()
{
    addLabels({{"A", "", "", ""}});
    addPanels({0});
    QLineSeries *series = seriesOf(0);
    TrendCurve *curve = m_window->trendCurve(series);
    QVERIFY(curve);
    // A day at one sample a second that holds 5, but for one second at 9.
    const qint64 end = clockStart.toMSecsSinceEpoch();
    const qint64 spike = end - 3600 * 1000;
    for (qint64 ms = end - qint64(86400) * 1000; ms <= end; ms += 1000)
        curve->append(ms, ms == spike ? 9 : 5);
    m_now = clockStart;
    ui()->rangeTime->setCurrentIndex(11);
    step(0);
    // The steady stretches are drawn by their ends, the spike stays.
    const QVector<QPointF> points = series->pointsVector();
    QVERIFY2(points.size() <= 6, qPrintable(QString::number(points.size())));
    QVERIFY(std::any_of(points.begin(), points.end(),
                        [spike](const QPointF &p) { return p.x() == spike && p.y() == 9; }));
    QCOMPARE(points.first().y(), 5.0);
    // From the left edge to the last column (of more than a thousand).
    QVERIFY(points.first().x() <= double(view()->timeAxis()->min().toMSecsSinceEpoch()));
    QCOMPARE(points.last().y(), 5.0);
    QVERIFY(points.last().x() > double(end - 86400));
}

void tst_TrendWindow::scaledViewOnMoveOff()
{
    addLabels({{"A", "", "", "m"}, {"B", "", "", "bar"}, {"C", "", "", "K"}});
    addPanels({0, 1, 2});
    auto setScale = [this](int row, const QString &zero, const QString &full) {
        ui()->tableWidget->item(row, 14)->setText(zero);
        ui()->tableWidget->item(row, 15)->setText(full);
    };
    setScale(0, "0", "100");
    setScale(1, "0", "10");
    setScale(2, "20", "30");
    m_window->connectionGood = true;
    setLabelValue(1, 5.0);
    tick(1);
    step(0);
    const int timers = m_window->seriesTimers.size();

    click(0);
    QCOMPARE(m_window->chartFlag(), 1);
    QCOMPARE(m_window->chartIndex(), 0);
    QCOMPARE(valueRange(), qMakePair(-12.5, 112.5));
    QCOMPARE(view()->valueAxis()->titleText(), QStringLiteral("m"));
    QCOMPARE(view()->valueAxis()->linePenColor(), QColor(Qt::red));
    QCOMPARE(seriesOf(0)->pen().width(), 3);
    QLineSeries *copyB = seriesOf(1, 1);
    QVERIFY(copyB && copyB->isVisible());
    QVERIFY(!seriesOf(1)->isVisible());
    QCOMPARE(copyB->pen().width(), 1);
    QCOMPARE(copyB->pen().color(), QColor(Qt::green));
    QCOMPARE(copyB->count(), 1);
    QCOMPARE(copyB->at(0).y(), 50.0);
    QVERIFY(!seriesOf(0, 1));
    // No timer of its own: the copy follows its row's curve.
    QCOMPARE(m_window->seriesTimers.size(), timers);
    setLabelValue(1, 2.5);
    m_now = m_now.addSecs(1);
    tick(1);
    step(0);
    QCOMPARE(copyB->count(), 2);
    QCOMPARE(copyB->at(1).y(), 25.0);
    // B's box hides and shows its copy while the view is on.
    boxOf(1, 1)->setChecked(false);
    QVERIFY(!copyB->isVisible() && !seriesOf(1)->isVisible());
    boxOf(1, 1)->setChecked(true);
    QVERIFY(copyB->isVisible() && !seriesOf(1)->isVisible());

    // Moving to C: A back to 1 pixel, C 3 pixels, the copies against C's scale.
    click(2);
    QCOMPARE(m_window->chartIndex(), 2);
    QCOMPARE(seriesOf(0)->pen().width(), 1);
    QCOMPARE(seriesOf(2)->pen().width(), 3);
    QCOMPARE(view()->valueAxis()->titleText(), QStringLiteral("K"));
    QCOMPARE(valueRange(), qMakePair(18.75, 31.25));
    QVERIFY(!view()->chart()->series().contains(copyB));
    QCOMPARE(seriesOf(1, 1)->at(0).y(), 25.0);
    QVERIFY(seriesOf(0, 1)->isVisible());
    QVERIFY(!seriesOf(2, 1));

    // Off: every own series back, copies gone, the extremes with 5 % around them.
    click(2);
    QCOMPARE(m_window->chartFlag(), 0);
    for (int r = 0; r < 3; ++r) {
        QVERIFY(seriesOf(r)->isVisible());
        QVERIFY(!seriesOf(r, 1));
        QCOMPARE(seriesOf(r)->pen().width(), 1);
    }
    QCOMPARE(view()->chart()->series().size(), 4);
    QCOMPARE(valueRange(), qMakePair(-0.25, 5.25));
    QVERIFY(view()->valueAxis()->titleText().isEmpty());
    QCOMPARE(view()->valueAxis()->linePenColor(), QColor(Qt::black));
    QCOMPARE(seriesOf(1)->at(0).y(), 5.0);

    // A row without a series changes nothing.
    click(7);
    QCOMPARE(m_window->chartFlag(), 0);
}

void tst_TrendWindow::scaledViewZeroEqualsFull()
{
    addLabels({{"A", "", "", ""}, {"B", "", "", ""}});
    addPanels({0, 1});
    ui()->tableWidget->item(0, 14)->setText("20");
    ui()->tableWidget->item(0, 15)->setText("20");
    ui()->tableWidget->item(1, 14)->setText("4");
    ui()->tableWidget->item(1, 15)->setText("4");
    m_window->connectionGood = true;
    setLabelValue(1, 9.0);
    tick(1);
    step(0);
    click(0);
    QCOMPARE(valueRange(), qMakePair(19.0, 21.0));
    // B has no span of its own: drawn at the middle of A's scale.
    QCOMPARE(seriesOf(1, 1)->at(0).y(), 20.0);
    click(0);
    // Zero above full: the axis still shows the row's span with its margins.
    ui()->tableWidget->item(0, 14)->setText("100");
    ui()->tableWidget->item(0, 15)->setText("0");
    click(0);
    QCOMPARE(valueRange(), qMakePair(-12.5, 112.5));
}

void tst_TrendWindow::tickWritesRebuildNothing()
{
    addLabels({{"A", "", "", ""}, {"B", "", "", ""}});
    addPanels({0, 1});
    ui()->tableWidget->item(0, 14)->setText("0");
    ui()->tableWidget->item(0, 15)->setText("100");
    boxOf(1, 16)->setChecked(true);
    m_window->connectionGood = true;
    step(0);
    click(0);
    // Null once deleted: a copy built again may take the freed address, a pointer that went
    // null cannot be mistaken for it.
    const QPointer<QLineSeries> copy = seriesOf(1, 1);
    QVERIFY(copy);
    // The tick rewrites B's scale cells: the view stays as it was built.
    setLabelValue(1, 50.0);
    tick(1);
    QCOMPARE(cellText(1, 15), QStringLiteral("50"));
    QVERIFY(copy);
    QCOMPARE(seriesOf(1, 1), copy.data());
    // A user's edit of a scale rebuilds it against the new scale.
    ui()->tableWidget->item(0, 15)->setText("200");
    QVERIFY(copy.isNull());
    QVERIFY(seriesOf(1, 1));
    QCOMPARE(m_window->chartFlag(), 1);
    QCOMPARE(valueRange(), qMakePair(-25.0, 225.0));
}

void tst_TrendWindow::colourButton()
{
    addLabels({{"A", "", "", ""}});
    addPanels({0});
    QList<QColor> answers;
    int asked = 0;
    m_window->setColourChooser([&](QWidget *, const QColor &initial) {
        ++asked;
        [&] { QCOMPARE(initial, QColor(Qt::white)); }();
        return answers.isEmpty() ? QColor() : answers.takeFirst();
    });
    QPushButton *button = ui()->tableWidget->cellWidget(0, 2)->findChild<QPushButton *>();
    QLabel *name = ui()->tableWidget->cellWidget(0, 2)->findChild<QLabel *>();

    // Cancelled: nothing changes.
    button->click();
    QCOMPARE(asked, 1);
    QCOMPARE(name->text(), QStringLiteral("#ff0000"));
    QCOMPARE(seriesOf(0)->color(), QColor(Qt::red));

    // Near the white background: asked again; then taken.
    answers = {QColor(250, 245, 255), QColor(0, 0, 128)};
    button->click();
    QCOMPARE(asked, 3);
    QCOMPARE(name->text(), QStringLiteral("#000080"));
    QCOMPARE(seriesOf(0)->color(), QColor(0, 0, 128));
    QVERIFY(button->styleSheet().contains("#000080"));

    // On the black scheme a cancel is still a cancel, not a black that must be refused.
    QMetaObject::invokeMethod(m_window, "on_backgroundColorSelect_activated", Q_ARG(int, 1));
    button->click();
    QCOMPARE(asked, 4);
    QCOMPARE(name->text(), QStringLiteral("#000080"));
    answers = {QColor(Qt::white)};
    button->click();
    QCOMPARE(name->text(), QStringLiteral("#ffffff"));
}

QTEST_MAIN(tst_TrendWindow)
#include "tst_trendwindow.moc"
