#pragma once

#include <QDialog>

// A dialog of the main window: reports its closing through Closed(), so that the window
// enables its menu again, and sets its texts again on a language change. Every way it ends
// (Esc, OK, Cancel, the close button) hides it, and each hide is reported once.
class WindowDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

    void setVisible(bool visible) override;

signals:
    void Closed();

protected:
    void changeEvent(QEvent *event) override;
    virtual void retranslate() = 0;
};
