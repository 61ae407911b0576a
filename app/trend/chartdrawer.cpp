#include "chartdrawer.h"

#include "trendrules.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
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

// The guide readouts follow the scrolling curves once a second.
constexpr int guideIntervalMs = 1000;

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
        if (points[i].x() >= t && points[i].x() < t + 999)
            return i;
    }
    return -1;
}

QLineSeries *ChartDrawer::seriesAt(QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? qobject_cast<QLineSeries *>(item->data(Qt::UserRole).value<QObject *>())
                : nullptr;
}

QGraphicsTextItem *ChartDrawer::textItemAt(QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? qobject_cast<QGraphicsTextItem *>(item->data(Qt::UserRole).value<QObject *>())
                : nullptr;
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

void ChartDrawer::refreshGuideReadout(QGraphicsLineItem *line)
{
    // The readouts at the guide lines arrive with the guide-line work.
    Q_UNUSED(line)
}

void ChartDrawer::mousePressEvent(QMouseEvent *event)
{
    QChartView::mousePressEvent(event);
}

void ChartDrawer::mouseMoveEvent(QMouseEvent *event)
{
    QChartView::mouseMoveEvent(event);
}
