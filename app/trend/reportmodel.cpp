#include "reportmodel.h"

#include <QCoreApplication>

ReportModel::ReportModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void ReportModel::setReport(ReportTable table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

void ReportModel::clear()
{
    setReport(ReportTable());
}

void ReportModel::setHeading(int heading)
{
    if (heading == m_heading)
        return;
    m_heading = heading;
    if (m_table.labelCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 1, m_table.labelCount());
}

QString ReportModel::cellText(int row, int column) const
{
    if (row < 0 || row >= m_table.rowCount() || column < 0 || column > m_table.labelCount())
        return QString();
    if (column == 0)
        return m_table.timeText(row);
    return m_table.valueText(row, column - 1);
}

QString ReportModel::headingText(int column) const
{
    if (column == 0)
        return QCoreApplication::translate("datasheet", "时间");
    if (column < 1 || column > m_table.labelCount())
        return QString();
    switch (m_heading) {
    case HeadingLabel:
        return m_table.labels.at(column - 1);
    case HeadingDescription:
        return m_table.descriptions.value(column - 1);
    default:
        return QString();
    }
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount();
}

int ReportModel::columnCount(const QModelIndex &parent) const
{
    // The time column stands even before the first report.
    return parent.isValid() ? 0 : m_table.labelCount() + 1;
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headingText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
