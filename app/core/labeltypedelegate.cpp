#include "labeltypedelegate.h"

#include "customcombobox.h"
#include "labeltypes.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

void LabelTypeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionComboBox box;
    box.rect = option.rect;
    box.palette = option.palette;
    box.fontMetrics = option.fontMetrics;
    box.direction = option.direction;
    box.state = option.state & (QStyle::State_Enabled | QStyle::State_Active);
    box.frame = true;
    box.editable = false;
    box.currentText = index.data(Qt::DisplayRole).toString();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    painter->save();
    style->drawComplexControl(QStyle::CC_ComboBox, &box, painter, widget);
    style->drawControl(QStyle::CE_ComboBoxLabel, &box, painter, widget);
    painter->restore();
}

QWidget *LabelTypeDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    auto *selector = new CustomComboBox(parent);
    selector->setEditable(false);
    selector->addItems(LabelTypes::dataTypeNames());
    selector->setPopupEnabled(true);
    // A choice from the list is the whole edit.
    auto *self = const_cast<LabelTypeDelegate *>(this);
    connect(selector, QOverload<int>::of(&QComboBox::activated), self, [self, selector] {
        emit self->commitData(selector);
        emit self->closeEditor(selector);
    });
    return selector;
}

void LabelTypeDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *selector = qobject_cast<CustomComboBox *>(editor))
        selector->setCurrentIndex(index.data(labelTypePositionRole).toInt());
}

void LabelTypeDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    const auto *selector = qobject_cast<CustomComboBox *>(editor);
    if (!selector || selector->currentIndex() < 0)
        return;
    // Both read first: the first change makes the view load the editor from the model again.
    const int position = selector->currentIndex();
    const QString text = selector->currentText();
    model->setData(index, position, labelTypePositionRole);
    model->setData(index, text, Qt::DisplayRole);
}
