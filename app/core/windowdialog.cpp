#include "windowdialog.h"

#include <QCloseEvent>

void WindowDialog::closeEvent(QCloseEvent *event)
{
    emit Closed();
    QDialog::closeEvent(event);
}

void WindowDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}
