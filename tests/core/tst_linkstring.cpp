#include "linkstring.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(LinkString::Shape)

class tst_LinkString : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void defaultsWritten_data();
    void defaultsWritten();
    void loadSettings_data();
    void loadSettings();
    void unquotedListReadsAsText();
    void confirm_data();
    void confirm();
    void linkParameter_data();
    void linkParameter();
    void setLinkMode();
    void invalidNetworkPort_data();
    void invalidNetworkPort();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("settings.ini")); }
    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_LinkString::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_LinkString::defaultsWritten_data()
{
    QTest::addColumn<QString>("firstPort");
    QTest::newRow("a port listed") << "ttyUSB0";
    QTest::newRow("no port listed") << "";
}

void tst_LinkString::defaultsWritten()
{
    QFETCH(QString, firstPort);
    LinkString link;
    LinkFields shown;
    shown.portName = firstPort;
    link.setFields(shown);
    {
        QSettings settings(iniPath(), QSettings::IniFormat);
        link.loadSettings(settings, false, {firstPort});
    }
    QCOMPARE(link.fields(), shown);
    QVERIFY(QFile::exists(iniPath()));
    const QSettings written(iniPath(), QSettings::IniFormat);
    const QList<QPair<QString, QString>> expected = {
        {"Link/IP", "0,0,0,0"}, {"Link/Port", "0"},      {"Link/Com", firstPort},
        {"Link/Baud", "115200"}, {"Link/Databit", "8"}, {"Link/Stopbit", "1"},
        {"Link/Parity", "N"}};
    for (const auto &key : expected)
        QCOMPARE(written.value(key.first).toString(), key.second);
}

void tst_LinkString::loadSettings_data()
{
    QTest::addColumn<QString>("storedCom");
    QTest::addColumn<QString>("storedBaud");
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("baudRate");

    const QStringList ports = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")};
    QTest::newRow("listed port and baud") << "ttyUSB0" << "9600" << ports << "ttyUSB0" << "9600";
    QTest::newRow("absent port gives the first listed")
        << "COM9" << "115200" << ports << "ttyS0" << "115200";
    QTest::newRow("baud not offered gives the first item")
        << "ttyS0" << "4800" << ports << "ttyS0" << "115200";
    QTest::newRow("nothing listed keeps a typed port")
        << "/dev/pts/4" << "9600" << QStringList() << "/dev/pts/4" << "9600";
}

void tst_LinkString::loadSettings()
{
    QFETCH(QString, storedCom);
    QFETCH(QString, storedBaud);
    QFETCH(QStringList, ports);
    QFETCH(QString, portName);
    QFETCH(QString, baudRate);

    QSettings settings(iniPath(), QSettings::IniFormat);
    settings.setValue("Link/Com", storedCom);
    settings.setValue("Link/Baud", storedBaud);
    settings.setValue("Link/Databit", "7");
    settings.setValue("Link/IP", "192.168.1.10");
    settings.setValue("Link/Port", "502");
    LinkString link;
    link.loadSettings(settings, true, ports);
    QCOMPARE(link.fields().portName, portName);
    QCOMPARE(link.fields().baudRate, baudRate);
    QCOMPARE(link.fields().dataBits, QStringLiteral("8"));
    QCOMPARE(link.fields().parity, QStringLiteral("N"));
    QCOMPARE(link.fields().ip, QStringLiteral("192.168.1.10"));
    QCOMPARE(link.fields().port, QStringLiteral("502"));
    QVERIFY(link.text().isEmpty());
}

void tst_LinkString::unquotedListReadsAsText()
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Link]\nIP=0,0,0,0\nPort=0\n");
    file.close();
    QSettings settings(iniPath(), QSettings::IniFormat);
    LinkString link;
    link.loadSettings(settings, true, {});
    QCOMPARE(link.fields().ip, QStringLiteral("0,0,0,0"));
}

void tst_LinkString::confirm_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("text");

    QTest::newRow("serial") << "com" << "" << "" << "COM3,115200,8,1,N";
    QTest::newRow("network") << "net" << "192.168.1.10" << "502" << "192.168.1.10:502";
    QTest::newRow("port not a number") << "net" << "192.168.1.10" << "abc" << "192.168.1.10:0";
    // Kept as written, so that the start of monitoring can name the port it refuses.
    QTest::newRow("port above 65535") << "net" << "10.0.0.1" << "70000" << "10.0.0.1:70000";
    QTest::newRow("port zero") << "net" << "10.0.0.1" << "0" << "10.0.0.1:0";
    QTest::newRow("highest port") << "net" << "10.0.0.1" << "65535" << "10.0.0.1:65535";
}

void tst_LinkString::confirm()
{
    QFETCH(QString, mode);
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, text);

    LinkString link;
    QVERIFY(link.setLinkMode(mode));
    LinkFields fields;
    fields.portName = QStringLiteral("COM3");
    fields.ip = ip;
    fields.port = port;
    link.setFields(fields);
    QSettings settings(iniPath(), QSettings::IniFormat);
    link.confirm(settings);
    QCOMPARE(link.text(), text);
    // Only the keys of the confirmed mode are stored.
    const bool serial = mode == QLatin1String("com");
    QCOMPARE(settings.value("Link/Com").toString(), serial ? QStringLiteral("COM3") : QString());
    QCOMPARE(settings.value("Link/Baud").toString(), serial ? QStringLiteral("115200") : QString());
    QCOMPARE(settings.value("Link/IP").toString(), serial ? QString() : ip);
    QCOMPARE(settings.value("Link/Port").toString(), serial ? QString() : port);
}

void tst_LinkString::linkParameter_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<LinkString::Shape>("shape");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("portName");

    using S = LinkString::Shape;
    // The form starts with port ttyS0, baud 9600 and network 127.0.0.1:5000.
    QTest::newRow("Linux USB adapter") << "ttyUSB0,115200,8,1,N" << S::Serial
                                       << "ttyUSB0,115200,8,1,N" << "ttyUSB0";
    QTest::newRow("pseudo-terminal") << "/dev/pts/3,115200,8,1,N" << S::Serial
                                     << "/dev/pts/3,115200,8,1,N" << "/dev/pts/3";
    QTest::newRow("Windows port") << "COM3,115200,8,1,N" << S::Serial << "COM3,115200,8,1,N"
                                  << "COM3";
    QTest::newRow("baud not offered keeps the earlier one")
        << "COM3,4800,8,1,N" << S::Serial << "COM3,9600,8,1,N" << "COM3";
    QTest::newRow("short text fills what it has")
        << "ttyS1,115200" << S::Serial << "ttyS1,115200,8,1,N" << "ttyS1";
    QTest::newRow("port name alone") << "ttyS2" << S::Serial << "ttyS2,9600,8,1,N" << "ttyS2";
    QTest::newRow("six fields are not a link") << "a,b,c,d,e,f" << S::Unknown << "" << "ttyS0";
    QTest::newRow("empty text") << "" << S::Unknown << "" << "ttyS0";
    QTest::newRow("network") << "192.168.1.10:502" << S::Network << "192.168.1.10:502"
                             << "ttyS0";
    QTest::newRow("network port not a number")
        << "192.168.1.10:abc" << S::Network << "192.168.1.10:0" << "ttyS0";
    QTest::newRow("network without port") << "host:" << S::Network << "host:0" << "ttyS0";
    QTest::newRow("network port 99999")
        << "127.0.0.1:99999" << S::Network << "127.0.0.1:99999" << "ttyS0";
}

void tst_LinkString::linkParameter()
{
    QFETCH(QString, stored);
    QFETCH(LinkString::Shape, shape);
    QFETCH(QString, text);
    QFETCH(QString, portName);

    LinkString link;
    LinkFields shown;
    shown.portName = QStringLiteral("ttyS0");
    shown.baudRate = QStringLiteral("9600");
    link.setFields(shown);
    QCOMPARE(link.linkParameter(stored), shape);
    QCOMPARE(link.text(), text);
    QCOMPARE(link.fields().portName, portName);
    QCOMPARE(link.mode(), QStringLiteral("com"));
    if (shape == LinkString::Shape::Network)
        QCOMPARE(link.fields().ip + ':' + link.fields().port, stored);
    if (shape == LinkString::Shape::Unknown)
        QCOMPARE(link.fields(), shown);
}

void tst_LinkString::setLinkMode()
{
    LinkString link;
    QCOMPARE(link.mode(), QStringLiteral("com"));
    QVERIFY(link.setLinkMode("net"));
    QCOMPARE(link.mode(), QStringLiteral("net"));
    QVERIFY(!link.setLinkMode("Com"));
    QVERIFY(!link.setLinkMode(""));
    QCOMPARE(link.mode(), QStringLiteral("net"));
    QVERIFY(link.setLinkMode("com"));
    QCOMPARE(link.mode(), QStringLiteral("com"));
}

void tst_LinkString::invalidNetworkPort_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("port");
    QTest::newRow("lowest") << "127.0.0.1:1" << "";
    QTest::newRow("highest") << "127.0.0.1:65535" << "";
    QTest::newRow("99999") << "127.0.0.1:99999" << "99999";
    QTest::newRow("65536") << "127.0.0.1:65536" << "65536";
    QTest::newRow("zero") << "10.0.0.1:0" << "0";
    QTest::newRow("negative") << "10.0.0.1:-1" << "-1";
    QTest::newRow("serial link") << "ttyS0,115200,8,1,N" << "";
    QTest::newRow("no link") << "" << "";
}

void tst_LinkString::invalidNetworkPort()
{
    QFETCH(QString, link);
    QFETCH(QString, port);
    QCOMPARE(LinkString::invalidNetworkPort(link), port);
}

QTEST_GUILESS_MAIN(tst_LinkString)
#include "tst_linkstring.moc"
