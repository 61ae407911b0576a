#pragma once

#include <QStyledItemDelegate>

// The data-type cell of the label table. It is painted as the closed selector it stands for and
// edited through a CustomComboBox that exists only while the cell is edited, so that a table of
// ten thousand labels holds no widget per row. The cell's item keeps the entry's text and, under
// labelTypePositionRole, its position in LabelTypes::dataTypeNames().
class LabelTypeDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int labelTypePositionRole = Qt::UserRole;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // Only an editable cell gets here, that is while editing is on: its list opens.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};
