#pragma once

#include "windowdialog.h"

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog that unlocks editing of the label table and the instance-mode menu.
class DialogPermissions : public WindowDialog
{
    Q_OBJECT

public:
    DialogPermissions(QWidget *parent, MainWindow *mainWindow);
    void clearFields();

private slots:
    void on_pushButtonOK_clicked();
    void on_pushButtonCancel_clicked();

private:
    void retranslate() override;

    MainWindow *m_mainWindow;
    QPushButton *m_okButton;
    QLabel *m_titleLabel;
    QLabel *m_userLabel;
    QPushButton *m_cancelButton;
    QLabel *m_passwordLabel;
    QLineEdit *m_userName;
    QLineEdit *m_password;
};
