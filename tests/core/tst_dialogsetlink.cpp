// The link settings dialog's form over its link string: defaults written without a settings
// file, serial and network link strings with the keys OK stores, typed port names, the port
// field's range, the mode switch and what cancel and close do.
#include "dialogsetlink.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class tst_DialogSetLink : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void formAtConstruction();
    void defaultsWithoutSettingsFile_data();
    void defaultsWithoutSettingsFile();
    void okBuildsAndStores_data();
    void okBuildsAndStores();
    void storedKeysShown();
    void portFieldRange_data();
    void portFieldRange();
    void setLinkMode_data();
    void setLinkMode();
    void refreshKeepsTypedPort();
    void cancelAndCloseStoreNothing();

private:
    void create(const QStringList &ports);
    template<typename T>
    T *field(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }
    QSettings settings() const { return QSettings(m_path, QSettings::IniFormat); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    QStringList m_ports;
    std::unique_ptr<DialogSetLink> m_dialog;
};

void tst_DialogSetLink::init()
{
    m_dialog.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath("settings.ini");
}

void tst_DialogSetLink::create(const QStringList &ports)
{
    m_ports = ports;
    m_dialog = std::make_unique<DialogSetLink>(m_path, [this] { return m_ports; });
}

void tst_DialogSetLink::formAtConstruction()
{
    create({"ttyS0", "ttyUSB0"});
    QCOMPARE(m_dialog->windowTitle(), QString::fromUtf8("通信设置"));
    QCOMPARE(m_dialog->linkMode(), QStringLiteral("com"));
    QVERIFY(m_dialog->linkString().isEmpty());
    QVERIFY(field<QRadioButton>("radioButton_com")->isChecked());
    QVERIFY(!field<QLineEdit>("lineEdit_ip")->isEnabled());
    QCOMPARE(field<QLineEdit>("lineEdit_ip")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(field<QLineEdit>("lineEdit_port")->text(), QStringLiteral("5000"));
    QCOMPARE(m_dialog->portNames(), (QStringList{"ttyS0", "ttyUSB0"}));
    QCOMPARE(field<QComboBox>("comboBox_baud")->count(), 2);
}

void tst_DialogSetLink::defaultsWithoutSettingsFile_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("com");
    QTest::newRow("first port listed") << QStringList{"ttyS0", "ttyUSB0"} << "ttyS0";
    QTest::newRow("no port listed") << QStringList{} << "";
}

void tst_DialogSetLink::defaultsWithoutSettingsFile()
{
    QFETCH(QStringList, ports);
    QFETCH(QString, com);
    create(ports);
    m_dialog->loadSettings(false);
    const QSettings file = settings();
    const QList<QPair<const char *, QString>> expected{
        {"Link/IP", "0,0,0,0"}, {"Link/Port", "0"},    {"Link/Com", com},   {"Link/Baud", "115200"},
        {"Link/Databit", "8"},  {"Link/Stopbit", "1"}, {"Link/Parity", "N"}};
    for (const auto &key : expected)
        QCOMPARE(file.value(key.first).toString(), key.second);
    // The form keeps what it showed.
    QCOMPARE(field<QLineEdit>("lineEdit_port")->text(), QStringLiteral("5000"));
}

void tst_DialogSetLink::okBuildsAndStores_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("tcpPort");
    QTest::addColumn<QString>("link");
    QTest::newRow("listed serial port") << false << "ttyUSB0"
                                        << "115200"
                                        << ""
                                        << ""
                                        << "ttyUSB0,115200,8,1,N";
    QTest::newRow("typed pseudo-terminal") << false << "/dev/pts/7"
                                           << "9600"
                                           << ""
                                           << ""
                                           << "/dev/pts/7,9600,8,1,N";
    QTest::newRow("network") << true << ""
                             << ""
                             << "192.168.1.10"
                             << "502"
                             << "192.168.1.10:502";
}

void tst_DialogSetLink::okBuildsAndStores()
{
    QFETCH(bool, network);
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, ip);
    QFETCH(QString, tcpPort);
    QFETCH(QString, link);
    create({"ttyS0", "ttyUSB0"});
    m_dialog->show();
    if (network) {
        field<QRadioButton>("radioButton_net")->setChecked(true);
        field<QLineEdit>("lineEdit_ip")->setText(ip);
        field<QLineEdit>("lineEdit_port")->setText(tcpPort);
    } else {
        field<QComboBox>("comboBox_comx")->setEditText(port);
        field<QComboBox>("comboBox_baud")->setCurrentText(baud);
    }
    field<QPushButton>("pushButton_ok")->click();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->linkMode(), QString(network ? "net" : "com"));
    QCOMPARE(m_dialog->linkString(), link);
    const QSettings file = settings();
    if (network) {
        QCOMPARE(file.value("Link/IP").toString(), ip);
        QCOMPARE(file.value("Link/Port").toString(), tcpPort);
        QVERIFY(!file.contains("Link/Com"));
    } else {
        QCOMPARE(file.value("Link/Com").toString(), port);
        QCOMPARE(file.value("Link/Baud").toString(), baud);
        QVERIFY(!file.contains("Link/IP"));
    }
}

void tst_DialogSetLink::storedKeysShown()
{
    {
        QSettings file(m_path, QSettings::IniFormat);
        file.setValue("Link/Com", "ttyACM9"); // unplugged since
        file.setValue("Link/Baud", "4800");   // not offered
        file.setValue("Link/IP", "10.0.0.2");
        file.setValue("Link/Port", "102");
    }
    create({"ttyS0", "ttyUSB0"});
    m_dialog->loadSettings(true);
    QCOMPARE(field<QComboBox>("comboBox_comx")->currentText(), QStringLiteral("ttyS0"));
    QCOMPARE(field<QComboBox>("comboBox_baud")->currentText(), QStringLiteral("115200"));
    QCOMPARE(field<QLineEdit>("lineEdit_ip")->text(), QStringLiteral("10.0.0.2"));
    QCOMPARE(field<QLineEdit>("lineEdit_port")->text(), QStringLiteral("102"));
    // Loading shows the keys; only OK or a project's link builds the link string.
    QVERIFY(m_dialog->linkString().isEmpty());

    // A project's serial link whose baud rate is not offered keeps the one shown.
    field<QComboBox>("comboBox_baud")->setCurrentText("9600");
    m_dialog->linkParameter("ttyUSB0,19200,8,1,N");
    QCOMPARE(m_dialog->linkString(), QStringLiteral("ttyUSB0,9600,8,1,N"));
}

void tst_DialogSetLink::portFieldRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("502") << "502" << true;
    QTest::newRow("lowest") << "1" << true;
    QTest::newRow("highest") << "65535" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("above 65535") << "65536" << false;
    QTest::newRow("not a number") << "abc" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_DialogSetLink::portFieldRange()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    create({});
    auto *ok = field<QPushButton>("pushButton_ok");
    field<QLineEdit>("lineEdit_port")->setText(text);
    // A serial link does not use the field.
    QVERIFY(ok->isEnabled());
    field<QRadioButton>("radioButton_net")->setChecked(true);
    QCOMPARE(ok->isEnabled(), accepted);
    field<QRadioButton>("radioButton_com")->setChecked(true);
    QVERIFY(ok->isEnabled());
}

void tst_DialogSetLink::setLinkMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("result");
    QTest::newRow("net") << "net"
                         << "net";
    QTest::newRow("other case changes nothing") << "Com"
                                                << "net";
    QTest::newRow("empty changes nothing") << ""
                                           << "net";
    QTest::newRow("com") << "com"
                         << "com";
}

void tst_DialogSetLink::setLinkMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, result);
    create({"ttyS0"});
    m_dialog->setLinkMode("net");
    m_dialog->setLinkMode(mode);
    QCOMPARE(m_dialog->linkMode(), result);
    QCOMPARE(field<QRadioButton>("radioButton_net")->isChecked(), result == "net");
    QCOMPARE(field<QComboBox>("comboBox_comx")->isEnabled(), result == "com");
}

void tst_DialogSetLink::refreshKeepsTypedPort()
{
    create({"ttyS0"});
    field<QComboBox>("comboBox_comx")->setEditText("/dev/pts/3");
    m_ports = QStringList{"ttyS0", "ttyUSB0"};
    m_dialog->refreshPorts();
    QCOMPARE(m_dialog->portNames(), (QStringList{"ttyS0", "ttyUSB0"}));
    QCOMPARE(field<QComboBox>("comboBox_comx")->currentText(), QStringLiteral("/dev/pts/3"));
}

void tst_DialogSetLink::cancelAndCloseStoreNothing()
{
    create({"ttyS0"});
    QSignalSpy closed(m_dialog.get(), &DialogSetLink::Closed);
    m_dialog->show();
    field<QPushButton>("pushButton_cancel")->click();
    QCOMPARE(closed.count(), 1);
    QVERIFY(m_dialog->linkString().isEmpty());
    QVERIFY(!QFileInfo::exists(m_path));
    m_dialog->show();
    QVERIFY(m_dialog->close());
    QCOMPARE(closed.count(), 2);
}

QTEST_MAIN(tst_DialogSetLink)

#include "tst_dialogsetlink.moc"
