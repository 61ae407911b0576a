#pragma once

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QTableWidget>
#include <QTableWidgetItem>

// The columns of the trend page's series table and of its hidden companion table, and the items
// the window puts into them; shared by the live and the history side of the window.
namespace SeriesTable {

// Columns of the series table.
enum SeriesColumn {
    SeriesNumber = 0,
    SeriesVisible = 1,
    SeriesColour = 2,
    SeriesLabel = 3,
    SeriesComment = 4,
    SeriesFirstReadout = 5,
    SeriesValue = 12,
    SeriesUnit = 13,
    SeriesZero = 14,
    SeriesFull = 15,
    SeriesAutoRange = 16,
};

// Columns of the companion table; a mode's copy lies one column right of its series.
enum CompanionColumn {
    CompanionLive = 0,
    CompanionText1 = 2,
    CompanionText2 = 3,
    CompanionHistory = 4,
};

inline QTableWidgetItem *centredItem(const QString &text, Qt::ItemFlags flags)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(flags);
    return item;
}

inline const Qt::ItemFlags readOnlyFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
inline const Qt::ItemFlags inertFlags = Qt::ItemIsEnabled;

inline QTableWidgetItem *objectItem(QObject *object, Qt::ItemFlags flags)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::UserRole, QVariant::fromValue(object));
    item->setFlags(flags);
    return item;
}

// The colour a series row's colour cell names; invalid when the row has none.
inline QColor rowColour(const QTableWidget *table, int row)
{
    QColor colour;
    if (const QWidget *cell = table->cellWidget(row, SeriesColour)) {
        if (const auto *name = cell->findChild<QLabel *>())
            colour.setNamedColor(name->text());
    }
    return colour;
}

} // namespace SeriesTable
