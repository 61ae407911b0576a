#include "brokersettings.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>

namespace {

// Reads a number key that may be missing; false, with the key named, when it holds no whole
// number from minimum to 65535.
bool readNumber(const QSettings &ini, const QString &key, int minimum, quint16 *number,
                BrokerSettings *settings)
{
    const QVariant value = ini.value(key);
    if (!value.isValid())
        return true;
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok, 10);
    if (!ok || n < minimum || n > 65535) {
        settings->problem = BrokerSettings::Problem::BadValue;
        settings->key = key;
        settings->value = value.toString();
        return false;
    }
    *number = quint16(n);
    return true;
}

} // namespace

BrokerSettings BrokerSettings::read(const QString &iniPath)
{
    BrokerSettings settings;
    if (!QFileInfo(iniPath).isFile()) {
        settings.problem = Problem::NoFile;
        settings.key = QStringLiteral("mqtt/hostname");
        return settings;
    }
    const QSettings ini(iniPath, QSettings::IniFormat);
    settings.hostName = ini.value(QStringLiteral("mqtt/hostname")).toString();
    settings.userName = ini.value(QStringLiteral("mqtt/usrname")).toString();
    settings.password = ini.value(QStringLiteral("mqtt/passwd")).toString().toLocal8Bit();
    if (ini.status() == QSettings::FormatError) {
        settings.problem = Problem::FormatError;
        return settings;
    }
    if (settings.hostName.trimmed().isEmpty()) {
        settings.problem = Problem::MissingKey;
        settings.key = QStringLiteral("mqtt/hostname");
        return settings;
    }
    if (!ini.contains(QStringLiteral("mqtt/port"))) {
        settings.problem = Problem::MissingKey;
        settings.key = QStringLiteral("mqtt/port");
        return settings;
    }
    // A broker listens on a port from 1 on; a keep-alive of 0 turns it off.
    if (readNumber(ini, QStringLiteral("mqtt/port"), 1, &settings.port, &settings))
        readNumber(ini, QStringLiteral("mqtt/keepalive"), 0, &settings.keepAliveSeconds, &settings);
    return settings;
}

QString otaUpTopic(const QString &deviceId)
{
    return QStringLiteral("kxota/up/v1/") + deviceId;
}

QString otaDownTopic(const QString &deviceId)
{
    return QStringLiteral("kxota/down/v1/") + deviceId;
}

bool isUsableDeviceId(const QString &deviceId)
{
    return !deviceId.isEmpty() && !deviceId.contains(QLatin1Char('+'))
           && !deviceId.contains(QLatin1Char('#')) && !deviceId.contains(QLatin1Char('/'));
}

QString OtaClientId::next(const QTime &now)
{
    if (m_seedMs < 0)
        m_seedMs = now.msec();
    QRandomGenerator generator{quint32(m_seedMs)};
    // Non-negative, as the id has always been written.
    return QStringLiteral("OTAClient%1").arg(generator.generate() & 0x7fffffff);
}
