#include "brokersettings.h"

#include <QRandomGenerator>
#include <QSettings>

BrokerSettings BrokerSettings::read(const QString &iniPath)
{
    const QSettings ini(iniPath, QSettings::IniFormat);
    BrokerSettings settings;
    settings.hostName = ini.value(QStringLiteral("mqtt/hostname")).toString();
    settings.port = quint16(ini.value(QStringLiteral("mqtt/port")).toInt());
    settings.keepAliveSeconds = quint16(ini.value(QStringLiteral("mqtt/keepalive")).toInt());
    settings.userName = ini.value(QStringLiteral("mqtt/usrname")).toString();
    settings.password = ini.value(QStringLiteral("mqtt/passwd")).toString().toLocal8Bit();
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
