#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The tray-label dialog: edits the tooltip of the tray icon.
class dialogSystemTray : public QDialog
{
    Q_OBJECT

public:
    explicit dialogSystemTray(QWidget *parent = nullptr);
    QString text() const;

signals:
    void Closed();
    void buttonClicked(QString message);

private slots:
    void on_pushButton_OK_clicked();
    void on_pushButton_Cancel_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLabel *m_label;
    QLineEdit *m_lineEdit;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
};
