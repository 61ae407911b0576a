#pragma once

#include "reportquery.h"

#include <QAbstractTableModel>

// The report page's table: a time column, then one column per label, one row per poll. The
// report table shows it and the workbook is written from it, so both hold the same texts.
class ReportModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The choices of the page's column-heading list.
    enum Heading { HeadingLabel = 0, HeadingDescription = 1 };

    explicit ReportModel(QObject *parent = nullptr);

    void setReport(ReportTable table);
    void clear();
    bool isEmpty() const { return m_table.rowCount() == 0; }
    const ReportTable &report() const { return m_table; }

    // Any other value leaves the label columns without headings.
    void setHeading(int heading);
    int heading() const { return m_heading; }

    // Column 0 is the time, columns 1.. the labels' values; empty where there is none.
    QString cellText(int row, int column) const;
    QString headingText(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    ReportTable m_table;
    int m_heading = HeadingLabel;
};
