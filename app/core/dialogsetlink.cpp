#include "dialogsetlink.h"

#include "ui_dialogsetlink.h"

#include <QDebug>
#include <QIntValidator>
#include <QSerialPortInfo>
#include <QSettings>

namespace {

// Selects the item showing text; a text the list does not offer leaves the selection alone.
void selectText(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

} // namespace

QStringList DialogSetLink::systemPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}

DialogSetLink::DialogSetLink(const QString &settingsPath, PortLister ports, QWidget *parent)
    : WindowDialog(parent)
    , ui(new Ui::DialogSetLink)
    , m_settingsPath(settingsPath)
    , m_ports(std::move(ports))
{
    ui->setupUi(this);
    setWindowTitle(tr("通信设置"));
    resize(520, 250);
    // Pseudo-terminals and some adapters are not listed by the system, so names can be typed.
    ui->comboBox_comx->setInsertPolicy(QComboBox::NoInsert);
    ui->lineEdit_port->setValidator(new QIntValidator(1, 65535, ui->lineEdit_port));
    connect(ui->lineEdit_port, &QLineEdit::textChanged, this, &DialogSetLink::updateOkButton);
    connect(ui->radioButton_com, &QRadioButton::toggled, this, &DialogSetLink::combtnToggled);
    connect(ui->radioButton_net, &QRadioButton::toggled, this, &DialogSetLink::netbtnToggled);
    // Checking it runs combtnToggled, which fills the port list.
    ui->radioButton_com->setChecked(true);
}

DialogSetLink::~DialogSetLink()
{
    delete ui;
}

void DialogSetLink::refreshPorts()
{
    // A typed or chosen name survives the refresh even when the system does not list it.
    const QString current = ui->comboBox_comx->currentText();
    ui->comboBox_comx->clear();
    ui->comboBox_comx->addItems(m_ports ? m_ports() : QStringList());
    if (!current.isEmpty())
        showPort(current);
}

QStringList DialogSetLink::portNames() const
{
    QStringList names;
    for (int i = 0; i < ui->comboBox_comx->count(); ++i)
        names << ui->comboBox_comx->itemText(i);
    if (names.isEmpty())
        qDebug() << "ComboBox为空!";
    return names;
}

void DialogSetLink::loadSettings(bool fileExists)
{
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    m_link.setFields(formFields());
    QStringList listed;
    for (int i = 0; i < ui->comboBox_comx->count(); ++i)
        listed << ui->comboBox_comx->itemText(i);
    m_link.loadSettings(settings, fileExists, listed);
    if (fileExists)
        showFields(m_link.fields());
}

void DialogSetLink::setLinkMode(const QString &mode)
{
    if (mode == QLatin1String("com"))
        ui->radioButton_com->setChecked(true);
    else if (mode == QLatin1String("net"))
        ui->radioButton_net->setChecked(true);
}

void DialogSetLink::linkParameter(const QString &stored)
{
    m_link.setFields(formFields());
    m_link.linkParameter(stored);
    showFields(m_link.fields());
}

void DialogSetLink::combtnToggled(bool checked)
{
    if (!checked)
        return;
    refreshPorts();
    m_link.setLinkMode(QStringLiteral("com"));
    setSerialFieldsEnabled(true);
}

void DialogSetLink::netbtnToggled(bool checked)
{
    if (!checked)
        return;
    m_link.setLinkMode(QStringLiteral("net"));
    setSerialFieldsEnabled(false);
}

void DialogSetLink::setSerialFieldsEnabled(bool serial)
{
    ui->lineEdit_ip->setEnabled(!serial);
    ui->lineEdit_port->setEnabled(!serial);
    for (QComboBox *combo : {ui->comboBox_comx, ui->comboBox_baud, ui->comboBox_databit,
                             ui->comboBox_stopbit, ui->comboBox_Parity})
        combo->setEnabled(serial);
    updateOkButton();
}

void DialogSetLink::updateOkButton()
{
    // A network link needs a port from 1 to 65535; anything else cannot reach a device.
    const bool network = m_link.mode() == QLatin1String("net");
    ui->pushButton_ok->setEnabled(!network || ui->lineEdit_port->hasAcceptableInput());
}

void DialogSetLink::on_pushButton_ok_clicked()
{
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    m_link.setFields(formFields());
    m_link.confirm(settings);
    close();
}

void DialogSetLink::on_pushButton_cancel_clicked()
{
    close();
}

LinkFields DialogSetLink::formFields() const
{
    LinkFields fields;
    fields.portName = ui->comboBox_comx->currentText();
    fields.baudRate = ui->comboBox_baud->currentText();
    fields.dataBits = ui->comboBox_databit->currentText();
    fields.stopBits = ui->comboBox_stopbit->currentText();
    fields.parity = ui->comboBox_Parity->currentText();
    fields.ip = ui->lineEdit_ip->text();
    fields.port = ui->lineEdit_port->text();
    return fields;
}

void DialogSetLink::showFields(const LinkFields &fields)
{
    showPort(fields.portName);
    selectText(ui->comboBox_baud, fields.baudRate);
    selectText(ui->comboBox_databit, fields.dataBits);
    selectText(ui->comboBox_stopbit, fields.stopBits);
    selectText(ui->comboBox_Parity, fields.parity);
    ui->lineEdit_ip->setText(fields.ip);
    ui->lineEdit_port->setText(fields.port);
}

void DialogSetLink::showPort(const QString &name)
{
    const int index = ui->comboBox_comx->findText(name);
    if (index >= 0)
        ui->comboBox_comx->setCurrentIndex(index);
    else
        ui->comboBox_comx->setEditText(name);
}

void DialogSetLink::retranslate()
{
    ui->retranslateUi(this);
    setWindowTitle(tr("通信设置"));
}
