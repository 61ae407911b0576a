#include "windowdialog.h"

#include <QEvent>

void WindowDialog::setVisible(bool visible)
{
    const bool wasVisible = isVisible();
    QDialog::setVisible(visible);
    // Esc and done() hide without a close event; a hide is the one end all ways share.
    if (wasVisible && !isVisible())
        emit Closed();
}

void WindowDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}
