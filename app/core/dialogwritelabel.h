#pragma once

#include "monitorlogic.h"
#include "windowdialog.h"

class Prompt;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The small frameless dialog that takes a new value for one label of the table.
class DialogWriteLabel : public WindowDialog
{
    Q_OBJECT

public:
    explicit DialogWriteLabel(Prompt *prompt, QWidget *parent = nullptr);

    // Remembers the row, address and type the dialog is opened for and shows the current value:
    // held, the exact value the row holds, where it is the value given (a double cannot carry
    // every digit of a 64-bit integer), else value.
    void setLabel(int row, const QString &name, double value, int type,
                  const QVariant &held = QVariant());
    // What the dialog was opened for: the window writes only while the row still holds it.
    WriteTarget target() const { return m_target; }
    // The value confirmed, exactly, while setValue is emitted for it; not ok at any other time.
    const WriteValue::Parsed &confirmed() const { return m_confirmed; }

signals:
    void setValue(int Indexcow, double value);

private slots:
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();

private:
    void retranslate() override;

    Prompt *m_prompt;
    WriteTarget m_target;
    WriteValue::Parsed m_confirmed;
    QGridLayout *m_grid;
    QLabel *m_label;
    QLineEdit *m_lineEdit;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
};
