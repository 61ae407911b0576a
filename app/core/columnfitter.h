#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QTableView;
class QWidget;

// Keeps the columns of a table view within the width it shows (fitColumnWidths) whenever that
// width changes, so that on a narrow screen the values stay in view without a sideways scroll and
// a long free text is cut instead. Widths wider than the view's are the preferred ones.
class ColumnFitter : public QObject
{
    Q_OBJECT

public:
    struct Column
    {
        int preferred = 0;
        // The widest text the column's cells commonly show; empty: its heading alone counts.
        QString sample;
        // Pixels a cell takes beside its text (a selector's arrow, a box).
        int decoration = 0;
    };

    // elastic: the free-text column, which gives way last; -1 for none. When it stretches
    // (QHeaderView::Stretch) it keeps doing so while the preferred widths fit, and takes its
    // fitted width otherwise. Owned by the view.
    ColumnFitter(QTableView *view, const QVector<Column> &columns, int elastic);

    // Fits the shown columns to the view's width now (after a language change or a column was
    // hidden or shown).
    void fit();
    // The widest texts a column's cells may show (a 64-bit value): the column asks for their
    // room above its preferred width, room a narrower view takes back before its minimum.
    void setWidestTexts(int column, const QStringList &texts);
    // What a column's cells need: its heading, or its sample with the cell's margins.
    int minimumWidth(int column) const;
    // What it takes while there is room: its preferred width, or its widest texts.
    int preferredWidth(int column) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A cell's width for text: the text, what it takes beside it and the margins.
    int cellWidth(const QString &text, int decoration) const;

    QTableView *m_view;
    // Kept apart: the viewport still sends events while the view is being destroyed.
    QWidget *m_viewport;
    QVector<Column> m_columns;
    QVector<QStringList> m_widest; // by column
    int m_elastic;
    bool m_elasticStretches = false;
};
