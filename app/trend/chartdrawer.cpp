#include "chartdrawer.h"

#include "mainwindow.h"
#include "seriestable.h"
#include "trendrules.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

// The chart's font for the axis title and the guide labels ("SimSun").
QFont songFont(int points, bool bold)
{
    QFont font(QStringLiteral("\u5B8B\u4F53"), points);
    font.setBold(bold);
    return font;
}

QColor colourOf(const TrendRules::Rgb &rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// The object a table cell keeps as its user data, when it is a T.
template<typename T>
T *objectAt(QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? qobject_cast<T *>(item->data(Qt::UserRole).value<QObject *>()) : nullptr;
}

// The guide readouts follow the scrolling curves once a second.
constexpr int guideIntervalMs = 1000;

using namespace SeriesTable;

// The readout columns of the series table: "PV_1", "Time_1", "PV_2", "Time_2", "P1-P2",
// "T1-T2", "V1/V2".
constexpr int ColumnPv1 = SeriesFirstReadout;     // "Time_1" follows
constexpr int ColumnPv2 = SeriesFirstReadout + 2; // "Time_2" follows
constexpr int ColumnP1P2 = SeriesFirstReadout + 4;
constexpr int ColumnT1T2 = SeriesFirstReadout + 5;
constexpr int ColumnV1V2 = SeriesFirstReadout + 6;

// The readout text of guide 1 or 2 in the companion table.
int textColumn(int guide)
{
    return guide == 1 ? CompanionText1 : CompanionText2;
}

Qt::ItemFlags defaultFlags()
{
    return QTableWidgetItem().flags();
}

// Guide 1's cells are read-only; guide 2's, and those a hidden guide leaves, can be neither
// edited nor selected.
Qt::ItemFlags guideFlags(int guide)
{
    Qt::ItemFlags flags = defaultFlags() & ~Qt::ItemIsEditable;
    if (guide != 1)
        flags &= ~Qt::ItemIsSelectable;
    return flags;
}

QTableWidgetItem *cellItem(const QString &text, Qt::ItemFlags flags, bool centred)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(flags);
    if (centred)
        item->setTextAlignment(Qt::AlignCenter);
    return item;
}

} // namespace

ChartDrawer::ChartDrawer(QWidget *parent, MainWindow *mainWindow, Ui_MainWindow *ui)
    : QChartView(parent)
    , m_mainWindow(mainWindow)
    , m_ui(ui)
{
}

ChartDrawer::~ChartDrawer() = default;

void ChartDrawer::initChart()
{
    m_chart = new QChart;
    setChart(m_chart);
    setRenderHint(QPainter::Antialiasing);
    setContentsMargins(0, 0, 0, 0);
    setPalette(QPalette(Qt::white));
    m_chart->setBackgroundBrush(QBrush(Qt::white, Qt::SolidPattern));
    m_chart->legend()->hide();

    m_timeAxis = new QDateTimeAxis;
    m_valueAxis = new QValueAxis;
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (QAbstractAxis *axis :
         {static_cast<QAbstractAxis *>(m_timeAxis), static_cast<QAbstractAxis *>(m_valueAxis)}) {
        axis->setLinePenColor(Qt::black);
        axis->setLabelsColor(Qt::black);
    }
    m_timeAxis->setTickCount(6);
    m_valueAxis->setTickCount(6);
    m_timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    m_valueAxis->setTitleFont(songFont(12, true));

    m_guideLine1 = new QGraphicsLineItem;
    m_guideLine1->setPen(QPen(QColor(0, 0, 255)));
    m_guideLine2 = new QGraphicsLineItem;
    m_guideLine2->setPen(QPen(QColor(0, 100, 255)));

    m_timeLabel1 = new QGraphicsTextItem;
    m_timeLabel2 = new QGraphicsTextItem;
    for (QGraphicsTextItem *label : {m_timeLabel1, m_timeLabel2}) {
        label->setFont(songFont(8, true));
        label->hide();
    }
    m_numberLabel1 = new QGraphicsTextItem(QStringLiteral("1"));
    m_numberLabel2 = new QGraphicsTextItem(QStringLiteral("2"));
    for (QGraphicsTextItem *label : {m_numberLabel1, m_numberLabel2}) {
        label->setFont(songFont(15, true));
        label->hide();
    }
    scene()->addItem(m_guideLine1);
    scene()->addItem(m_guideLine2);
    for (QGraphicsTextItem *label : {m_timeLabel1, m_timeLabel2, m_numberLabel1, m_numberLabel2})
        scene()->addItem(label);

    m_valueAxis->setRange(0.0, 10.0);
    m_valueAxis->setLabelFormat(QStringLiteral("%.3f"));

    // Where the hidden lines wait; the first double-click places them anew.
    const QWidget *window = parentWidget() ? parentWidget()->window() : this;
    const int width = window->width();
    const int height = window->height();
    m_guideLine1->setLine(56, 0, 56, height);
    m_guideLine2->setLine(width - 92, 0, width - 92, height);
    for (QGraphicsLineItem *line : {m_guideLine1, m_guideLine2}) {
        line->setZValue(3.0);
        line->hide();
    }

    // Parented to the view, so they end with it.
    m_guideTimer1 = new QTimer(this);
    m_guideTimer2 = new QTimer(this);
    m_guideTimer1->setInterval(guideIntervalMs);
    m_guideTimer2->setInterval(guideIntervalMs);
    connect(m_guideTimer1, &QTimer::timeout, this, [this] { refreshGuideReadout(m_guideLine1); });
    connect(m_guideTimer2, &QTimer::timeout, this, [this] { refreshGuideReadout(m_guideLine2); });

    // The chart maps values to positions through its first series: one exists from the start.
    addSeries(0, QStringLiteral("line0"));
    appendPoints(QStringLiteral("line0"), {});

    const QDateTime now = QDateTime::currentDateTime();
    m_timeAxis->setRange(now.addSecs(-20), now.addSecs(60));
}

void ChartDrawer::addSeries(int type, const QString &name)
{
    m_lastSeriesType = type;
    QXYSeries *series = nullptr;
    switch (type) {
    case QAbstractSeries::SeriesTypeLine:
        series = new QLineSeries(this);
        break;
    case QAbstractSeries::SeriesTypeScatter:
        series = new QScatterSeries(this);
        break;
    case QAbstractSeries::SeriesTypeSpline:
        series = new QSplineSeries(this);
        break;
    default:
        return;
    }
    m_chart->addSeries(series);
    series->setName(name);
    series->attachAxis(m_timeAxis);
    series->attachAxis(m_valueAxis);
    series->setPointLabelsVisible(false);
    m_seriesByName.insert(name, series);
}

void ChartDrawer::appendPoints(const QString &name, const QList<QPointF> &points)
{
    if (QXYSeries *series = m_seriesByName.value(name))
        series->append(points);
}

QXYSeries *ChartDrawer::registeredSeries(const QString &name) const
{
    return m_seriesByName.value(name);
}

int ChartDrawer::findNearestPoint(QXYSeries *series, const QDateTime &time)
{
    if (!series)
        return -1;
    const double t = double(time.toMSecsSinceEpoch());
    const QVector<QPointF> points = series->pointsVector();
    for (int i = 0; i < points.size(); ++i) {
        if (points[i].x() >= t && points[i].x() < t + TrendCurve::secondWindowMs)
            return i;
    }
    return -1;
}

QLineSeries *ChartDrawer::seriesAt(QTableWidget *table, int row, int column)
{
    return objectAt<QLineSeries>(table, row, column);
}

QGraphicsTextItem *ChartDrawer::textItemAt(QTableWidget *table, int row, int column)
{
    return objectAt<QGraphicsTextItem>(table, row, column);
}

QGraphicsTextItem *ChartDrawer::guideLabel(int index) const
{
    switch (index) {
    case 0:
        return m_timeLabel1;
    case 1:
        return m_timeLabel2;
    case 3:
        return m_numberLabel1;
    case 4:
        return m_numberLabel2;
    default:
        return nullptr;
    }
}

QGraphicsLineItem *ChartDrawer::guideLineItem(int index) const
{
    return index == 0 ? m_guideLine1 : index == 1 ? m_guideLine2 : nullptr;
}

void ChartDrawer::guideState(double *x1, double *x2, QDateTime *t1, QDateTime *t2) const
{
    *x1 = m_guide1X;
    *x2 = m_guide2X;
    *t1 = m_guide1Time;
    *t2 = m_guide2Time;
}

void ChartDrawer::setGuideTime(const QDateTime &t1, const QDateTime &t2)
{
    m_guide1Time = t1;
    m_guide2Time = t2;
}

void ChartDrawer::setGuideLineColor(int scheme)
{
    const TrendRules::ColourScheme *colours = TrendRules::colourScheme(scheme);
    if (!colours)
        return;
    m_guidePen1.setColor(colourOf(colours->guide1));
    m_guidePen2.setColor(colourOf(colours->guide2));
}

void ChartDrawer::resetGuides()
{
    for (QGraphicsItem *item :
         std::initializer_list<QGraphicsItem *>{m_guideLine1, m_guideLine2, m_timeLabel1,
                                                m_timeLabel2, m_numberLabel1, m_numberLabel2}) {
        if (item)
            item->hide();
    }
    m_guide1Selected = false;
    m_guide2Selected = false;
    m_guide1X = m_guide1Y = m_guide2X = m_guide2Y = 0;
    m_guide1Time = QDateTime();
    m_guide2Time = QDateTime();
    m_readoutBase = 0;
}

ChartDrawer::Guide ChartDrawer::guide(int k)
{
    if (k == 1)
        return {m_guideLine1, m_timeLabel1,  m_numberLabel1, &m_guide1Selected, &m_guide1X,
                &m_guide1Y,   &m_guide1Time, &m_guidePen1,   m_guideTimer1};
    return {m_guideLine2, m_timeLabel2,  m_numberLabel2, &m_guide2Selected, &m_guide2X,
            &m_guide2Y,   &m_guide2Time, &m_guidePen2,   m_guideTimer2};
}

QDateTime ChartDrawer::timeAt(const QPoint &pos) const
{
    if (!m_chart)
        return QDateTime();
    const QPointF inChart = m_chart->mapFromScene(mapToScene(pos));
    return GuideReadout::secondAt(m_chart->mapToValue(inChart, nullptr).x());
}

void ChartDrawer::showStatus(const QString &text)
{
    m_ui->statusbar->showMessage(text, 0);
}

void ChartDrawer::selectGuide(int k)
{
    Guide g = guide(k);
    g.pen->setWidth(3);
    g.line->setPen(*g.pen);
    m_guide1Selected = k == 1;
    m_guide2Selected = k == 2;
    g.timeLabel->show();
    g.numberLabel->show();
}

void ChartDrawer::releaseGuide(int k)
{
    Guide g = guide(k);
    g.pen->setWidth(3);
    g.line->setPen(*g.pen);
    *g.selected = false;
    m_chart->setCursor(Qt::ArrowCursor);
    showStatus(k == 1 ? tr("垂直辅助线1被释放") : tr("垂直辅助线2被释放"));
}

void ChartDrawer::hideGuide(int k)
{
    Guide g = guide(k);
    *g.selected = false;
    g.line->hide();
    g.timeLabel->hide();
    g.numberLabel->hide();
    m_chart->setCursor(Qt::ArrowCursor);
    showStatus(k == 1 ? tr("垂直辅助线1被释放和隐藏") : tr("垂直辅助线2被释放和隐藏"));
    QTableWidget *table = m_ui->tableWidget;
    const int ownValue = k == 1 ? ColumnPv1 : ColumnPv2;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (QGraphicsTextItem *text = textItemAt(m_ui->dataTableWidget, r, textColumn(k)))
            text->hide();
        for (int column : {ownValue, ownValue + 1, ColumnP1P2, ColumnT1T2, ColumnV1V2})
            table->setItem(r, column, cellItem(QString(), guideFlags(2), false));
    }
}

void ChartDrawer::dragGuide(int k, const QPoint &pos, const QDateTime &t)
{
    Guide g = guide(k);
    *g.x = pos.x();
    *g.y = pos.y();
    *g.time = t;
    g.line->setLine(pos.x(), 0, pos.x(), height());
    g.timeLabel->setPlainText(GuideReadout::clockText(t));
    g.timeLabel->setPos(pos.x(), height() - 40);
    g.numberLabel->setPos(pos.x(), 4);
    // A dragged guide 2 lies above guide 1.
    g.line->setZValue(k == 1 ? 3.0 : 5.0);
    rowReadouts(k, pos.x(), t);
}

void ChartDrawer::refreshGuideReadout(QGraphicsLineItem *line)
{
    if (!TrendRules::trendRunning(m_ui->StartandPause->text()))
        return;
    const int k = line == m_guideLine1 ? 1 : line == m_guideLine2 ? 2 : 0;
    if (k == 0 || !line->isVisible())
        return;
    Guide g = guide(k);
    // The line stands still while the curves scroll: its time is the one under it now, kept so
    // that a later full refresh reads the same second.
    const QDateTime t = timeAt(QPoint(*g.x, *g.y));
    *g.time = t;
    g.timeLabel->setPlainText(GuideReadout::clockText(t));
    rowReadouts(k, *g.x, t);
}

void ChartDrawer::writeGuideReadouts(int k)
{
    if (k != 1 && k != 2)
        return;
    Guide g = guide(k);
    rowReadouts(k, *g.x, *g.time);
}

GuideReadout::Sample ChartDrawer::sampleAt(QXYSeries *drawn, QXYSeries *base,
                                           const QDateTime &t) const
{
    if (!t.isValid())
        return GuideReadout::Sample();
    return m_mainWindow->guideSample(drawn, base, t.toMSecsSinceEpoch());
}

void ChartDrawer::rowReadouts(int k, int x, const QDateTime &t)
{
    QTableWidget *table = m_ui->tableWidget;
    QTableWidget *store = m_ui->dataTableWidget;
    // While a search result is shown the rows read the history curves, else the live ones.
    m_readoutBase = m_mainWindow->chartOption() ? 1 : 0;
    const int base = m_readoutBase == 1 ? int(CompanionHistory) : int(CompanionLive);
    const int flag = m_mainWindow->chartFlag();
    const int selected = m_mainWindow->chartIndex();
    const int other = k == 1 ? 2 : 1;
    const Guide otherGuide = guide(other);
    const QDateTime otherTime = otherGuide.line->isVisible() ? *otherGuide.time : QDateTime();
    const int ownValue = k == 1 ? ColumnPv1 : ColumnPv2;
    const Qt::ItemFlags flags = guideFlags(k);
    // A shown guide reads out with its time label, also after a new time window hid the label.
    const Guide own = guide(k);
    if (own.line->isVisible() && t.isValid()) {
        own.timeLabel->setPlainText(GuideReadout::clockText(t));
        own.timeLabel->show();
    }

    for (int r = 0; r < table->rowCount(); ++r) {
        QGraphicsTextItem *text = textItemAt(store, r, textColumn(k));
        if (text)
            text->hide();
        const bool highlighted = flag == 1 && selected == r;
        const int s = flag == 1 && !highlighted ? base + 1 : base;
        QXYSeries *drawn = seriesAt(store, r, s);
        QXYSeries *own = seriesAt(store, r, base);
        if (!drawn || !own)
            break;

        const GuideReadout::Sample sample = sampleAt(drawn, own, t);
        const GuideReadout::Cells cells
            = GuideReadout::cells(k, t, sample, otherTime, sampleAt(drawn, own, otherTime));
        if (!cells.found) {
            for (int column : {ColumnV1V2, ColumnT1T2, ColumnP1P2, ownValue + 1, ownValue})
                table->setItem(r, column, cellItem(QString(), defaultFlags(), false));
            continue;
        }
        table->setItem(r, ownValue + 1, cellItem(cells.time, flags, true));
        table->setItem(r, ownValue, cellItem(cells.value, flags, true));
        if (cells.hasDifferences) {
            table->setItem(r, ColumnT1T2, cellItem(cells.timeDistance, flags, true));
            table->setItem(r, ColumnV1V2, cellItem(cells.ratio, flags, true));
            table->setItem(r, ColumnP1P2, cellItem(cells.valueDifference, flags, true));
        } else {
            for (int column : {ColumnV1V2, ColumnT1T2, ColumnP1P2})
                table->setItem(r, column, cellItem(QString(), defaultFlags(), false));
        }

        const QWidget *visibleCell = table->cellWidget(r, SeriesVisible);
        const QCheckBox *box = visibleCell ? visibleCell->findChild<QCheckBox *>() : nullptr;
        if (!box || !text)
            continue;
        const QColor colour = rowColour(table, r);
        const QTableWidgetItem *comment = table->item(r, SeriesComment);
        text->setFont(songFont(8, highlighted));
        text->setPlainText(
            GuideReadout::readoutText(sample.value, comment ? comment->text() : QString()));
        text->setDefaultTextColor(colour);
        // A value axis without extent gives the text no height: it stays hidden.
        int y = 0;
        const bool placed = GuideReadout::textTop(sample.drawn, m_valueAxis->min(),
                                                  m_valueAxis->max(), height(), &y);
        if (!placed)
            continue;
        text->setPos(x, y);
        text->setVisible(box->isChecked());
    }
}

void ChartDrawer::mouseDoubleClickEvent(QMouseEvent *event)
{
    setGuideLineColor(m_ui->backgroundColorSelect->currentIndex());
    const int x = qRound(event->localPos().x());
    int shown = 0;
    if (!m_guideLine1->isVisible())
        shown = 1;
    else if (!m_guideLine2->isVisible())
        shown = 2;
    if (shown != 0) {
        Guide g = guide(shown);
        g.timer->start();
        selectGuide(shown);
        g.line->show();
        g.line->setLine(x, 0, x, height());
        g.numberLabel->setPos(x, 4);
        showStatus(shown == 1 ? tr("垂直辅助线1被选中") : tr("垂直辅助线2被选中"));
    }
    QGraphicsView::mouseDoubleClickEvent(event);
    // Places the newly selected line at the cursor and fills its readouts.
    mouseMoveEvent(event);
}

void ChartDrawer::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos(qRound(event->localPos().x()), qRound(event->localPos().y()));
    const QGraphicsItem *item = itemAt(pos);
    if (!item || item->type() != QGraphicsLineItem::Type)
        return;
    setGuideLineColor(m_ui->backgroundColorSelect->currentIndex());
    const QLineF line = static_cast<const QGraphicsLineItem *>(item)->line();
    // Guide 1 first: of two lines on the same x a press takes guide 1.
    const int k = line == m_guideLine1->line() ? 1 : line == m_guideLine2->line() ? 2 : 0;
    if (k == 0)
        return;
    if (*guide(k).selected) {
        releaseGuide(k);
        return;
    }
    selectGuide(k);
    m_chart->setCursor(Qt::BlankCursor);
    showStatus(k == 1 ? tr("垂直辅助线1被选中") : tr("垂直辅助线2被选中"));
}

void ChartDrawer::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos(qRound(event->localPos().x()), qRound(event->localPos().y()));
    const int k = m_guide1Selected ? 1 : m_guide2Selected ? 2 : 0;
    if (k == 0) {
        QChartView::mouseMoveEvent(event);
        return;
    }
    const QDateTime t = timeAt(pos);
    if (GuideReadout::leavesTimeRange(t, m_timeAxis->min(), m_timeAxis->max(), pos.x(),
                                      m_chart->size().width())) {
        hideGuide(k);
        return;
    }
    dragGuide(k, pos, t);
    QChartView::mouseMoveEvent(event);
}

void ChartDrawer::enterEvent(QEvent *event)
{
    // Entering or leaving the view has no effect of its own.
    QWidget::leaveEvent(event);
}

void ChartDrawer::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
}
