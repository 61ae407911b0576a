#include "columnfitter.h"

#include "windowfit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cmath>

ColumnFitter::ColumnFitter(QTableView *view, const QVector<Column> &columns, int elastic)
    : QObject(view)
    , m_view(view)
    , m_viewport(view->viewport())
    , m_columns(columns)
    , m_elastic(elastic)
{
    QHeaderView *header = m_view->horizontalHeader();
    m_elasticStretches = elastic >= 0 && elastic < header->count()
                         && header->sectionResizeMode(elastic) == QHeaderView::Stretch;
    m_viewport->installEventFilter(this);
    fit();
}

int ColumnFitter::cellWidth(const QString &text, int decoration) const
{
    // The text margins of an item view's cell on either side, and the grid line.
    const int margin
        = m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    // The advance in fractions, as the cell lays the text out: rounded down it may leave the
    // last character a pixel short, and the cell would elide it.
    const int advance = int(std::ceil(QFontMetricsF(m_view->font()).horizontalAdvance(text)));
    return advance + decoration + 2 * margin + 1;
}

int ColumnFitter::minimumWidth(int column) const
{
    const Column &c = m_columns.at(column);
    int width = std::max(m_view->horizontalHeader()->sectionSizeHint(column), 0);
    if (!c.sample.isEmpty() || c.decoration > 0)
        width = std::max(width, cellWidth(c.sample, c.decoration));
    return width;
}

int ColumnFitter::preferredWidth(int column) const
{
    const Column &c = m_columns.at(column);
    int width = c.preferred;
    for (const QString &text : m_widest.value(column))
        width = std::max(width, cellWidth(text, c.decoration));
    return width;
}

void ColumnFitter::setWidestTexts(int column, const QStringList &texts)
{
    if (column < 0 || column >= m_columns.size())
        return;
    m_widest.resize(m_columns.size());
    m_widest[column] = texts;
    fit();
}

void ColumnFitter::fit()
{
    const int count = std::min<int>(m_columns.size(), m_view->horizontalHeader()->count());
    QVector<int> preferred(count);
    QVector<int> minimum(count);
    for (int c = 0; c < count; ++c) {
        // A hidden column takes no room.
        if (m_view->isColumnHidden(c))
            continue;
        preferred[c] = preferredWidth(c);
        minimum[c] = minimumWidth(c);
    }
    const int available = m_viewport->width();
    const QVector<int> widths = fitColumnWidths(preferred, minimum, available, m_elastic);
    QHeaderView *header = m_view->horizontalHeader();
    if (m_elasticStretches) {
        // A header stretches a column only into spare room: with none it would keep the
        // column's old width and push the values off to the right.
        int total = 0;
        for (int w : preferred)
            total += w;
        const bool spare = total <= available;
        if ((header->sectionResizeMode(m_elastic) == QHeaderView::Stretch) != spare)
            header->setSectionResizeMode(m_elastic,
                                         spare ? QHeaderView::Stretch : QHeaderView::Interactive);
    }
    for (int c = 0; c < count; ++c) {
        // A stretching column takes what the others leave.
        if (!m_view->isColumnHidden(c) && header->sectionResizeMode(c) != QHeaderView::Stretch)
            m_view->setColumnWidth(c, widths.at(c));
    }
}

bool ColumnFitter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == m_viewport)
        fit();
    return QObject::eventFilter(watched, event);
}
