#pragma once

#include "linkstring.h"
#include "windowdialog.h"

#include <QStringList>
#include <functional>

QT_BEGIN_NAMESPACE
namespace Ui {
class DialogSetLink;
}
QT_END_NAMESPACE

// The link settings dialog: serial port or network address for the driver. The form shows the
// fields of a LinkString, which builds the link string and keeps the "Link/" keys.
class DialogSetLink : public WindowDialog
{
    Q_OBJECT

public:
    // Names of the serial ports the system reports; tests give their own list.
    using PortLister = std::function<QStringList()>;
    static QStringList systemPorts();

    explicit DialogSetLink(const QString &settingsPath, PortLister ports = systemPorts,
                           QWidget *parent = nullptr);
    ~DialogSetLink() override;

    // fileExists false writes the defaults and leaves the form as it is; true shows the keys.
    void loadSettings(bool fileExists);
    void refreshPorts();
    // "com" or "net" (case-sensitive); any other text changes nothing.
    void setLinkMode(const QString &mode);
    // A stored link string (project file) into the form; the link string is rebuilt from it.
    void linkParameter(const QString &stored);

    QString linkMode() const { return m_link.mode(); }
    // Empty until OK or linkParameter() built one.
    QString linkString() const { return m_link.text(); }
    QStringList portNames() const;

public slots:
    void combtnToggled(bool checked);
    void netbtnToggled(bool checked);

private slots:
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();

private:
    void retranslate() override;
    LinkFields formFields() const;
    void showFields(const LinkFields &fields);
    void showPort(const QString &name);
    void setSerialFieldsEnabled(bool serial);
    void updateOkButton();

    Ui::DialogSetLink *ui;
    LinkString m_link;
    QString m_settingsPath;
    PortLister m_ports;
};
