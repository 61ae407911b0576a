#pragma once

#include <QDialog>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog that unlocks editing of the label table and the instance-mode menu.
class DialogPermissions : public QDialog
{
    Q_OBJECT

public:
    DialogPermissions(QWidget *parent, MainWindow *mainWindow);
    void clearFields();

signals:
    void Closed();

private slots:
    void on_pushButtonOK_clicked();
    void on_pushButtonCancel_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    MainWindow *m_mainWindow;
    QPushButton *m_okButton;
    QLabel *m_titleLabel;
    QLabel *m_userLabel;
    QPushButton *m_cancelButton;
    QLabel *m_passwordLabel;
    QLineEdit *m_userName;
    QLineEdit *m_password;
};
