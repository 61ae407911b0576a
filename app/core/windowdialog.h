#pragma once

#include <QDialog>

// A dialog of the main window: reports its closing through Closed(), so that the window
// enables its menu again, and sets its texts again on a language change.
class WindowDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    virtual void retranslate() = 0;
};
