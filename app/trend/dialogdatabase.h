#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

// The database settings dialog; it only names the kind of history database (SQLite).
class DialogDatabase : public QDialog
{
    Q_OBJECT

public:
    explicit DialogDatabase(QWidget *parent = nullptr);
    ~DialogDatabase() override;

signals:
    void Closed();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void retranslate();

    QLabel *m_label;
    QComboBox *m_comboBox;
};
