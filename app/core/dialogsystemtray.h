#pragma once

#include "windowdialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The tray-label dialog: edits the tooltip of the tray icon.
class dialogSystemTray : public WindowDialog
{
    Q_OBJECT

public:
    explicit dialogSystemTray(QWidget *parent = nullptr);
    QString text() const;

signals:
    void buttonClicked(QString message);

private slots:
    void on_pushButton_OK_clicked();
    void on_pushButton_Cancel_clicked();

private:
    void retranslate() override;

    QLabel *m_label;
    QLineEdit *m_lineEdit;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
};
