#pragma once

#include "windowdialog.h"

class QComboBox;
class QLabel;

// The database settings dialog; it only names the kind of history database (SQLite).
class DialogDatabase : public WindowDialog
{
    Q_OBJECT

public:
    explicit DialogDatabase(QWidget *parent = nullptr);
    ~DialogDatabase() override;

private:
    void retranslate() override;

    QLabel *m_label;
    QComboBox *m_comboBox;
};
