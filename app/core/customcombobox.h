#pragma once

#include <QComboBox>

// A combo box that ignores the mouse wheel and opens its list only while its popup flag is set,
// so that scrolling the label table never changes a row's type by accident.
class CustomComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CustomComboBox(QWidget *parent = nullptr);
    ~CustomComboBox() override;

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showPopup() override;
    void setPopupEnabled(bool enabled) { m_popupEnabled = enabled; }
    bool popupEnabled() const { return m_popupEnabled; }

private:
    bool m_popupEnabled = false;
};
