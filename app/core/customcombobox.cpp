#include "customcombobox.h"

#include <QEvent>

CustomComboBox::CustomComboBox(QWidget *parent)
    : QComboBox(parent)
{
    installEventFilter(this);
}

CustomComboBox::~CustomComboBox() = default;

bool CustomComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::Wheel)
        return true;
    return QComboBox::eventFilter(watched, event);
}

void CustomComboBox::showPopup()
{
    if (m_popupEnabled)
        QComboBox::showPopup();
}
