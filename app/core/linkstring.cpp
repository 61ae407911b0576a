#include "linkstring.h"

#include <QDir>
#include <QSettings>

namespace {

const char keyIp[] = "Link/IP";
const char keyPort[] = "Link/Port";
const char keyCom[] = "Link/Com";
const char keyBaud[] = "Link/Baud";
const char keyDatabit[] = "Link/Databit";
const char keyStopbit[] = "Link/Stopbit";
const char keyParity[] = "Link/Parity";

constexpr int serialFieldCount = 5;
constexpr int maxPort = 65535;

// An unquoted "0,0,0,0" in a hand-edited INI file reads back as a list; keep it one text.
QString readText(const QSettings &settings, const char *key)
{
    const QVariant value = settings.value(QLatin1String(key));
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

QString offeredOrFirst(const QStringList &items, const QString &wanted)
{
    return items.contains(wanted) ? wanted : items.value(0);
}

void takeIfOffered(const QStringList &items, const QString &wanted, QString *field)
{
    if (items.contains(wanted))
        *field = wanted;
}

} // namespace

bool LinkFields::operator==(const LinkFields &other) const
{
    return portName == other.portName && baudRate == other.baudRate && dataBits == other.dataBits
           && stopBits == other.stopBits && parity == other.parity && ip == other.ip
           && port == other.port;
}

LinkString::Shape LinkString::shapeOf(const QString &text)
{
    if (text.isEmpty())
        return Shape::Unknown;
    if (text.contains(QLatin1Char(':')))
        return Shape::Network;
    if (text.count(QLatin1Char(',')) < serialFieldCount)
        return Shape::Serial;
    return Shape::Unknown;
}

QString LinkString::serialText(const LinkFields &fields)
{
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(fields.portName, fields.baudRate, fields.dataBits, fields.stopBits, fields.parity);
}

int LinkString::portNumber(const QString &portText)
{
    bool ok = false;
    const int port = portText.toInt(&ok, 10);
    return ok && port >= 1 && port <= maxPort ? port : 0;
}

QString LinkString::networkText(const QString &ip, const QString &portText)
{
    bool ok = false;
    const qlonglong port = portText.toLongLong(&ok, 10);
    return QStringLiteral("%1:%2").arg(ip).arg(ok ? port : 0);
}

QString LinkString::invalidNetworkPort(const QString &linkText)
{
    if (shapeOf(linkText) != Shape::Network)
        return QString();
    const QString port = linkText.mid(linkText.lastIndexOf(QLatin1Char(':')) + 1);
    return portNumber(port) == 0 ? port : QString();
}

const QStringList &LinkString::baudRates()
{
    static const QStringList items = {QStringLiteral("115200"), QStringLiteral("9600")};
    return items;
}

const QStringList &LinkString::dataBitsChoices()
{
    static const QStringList items = {QStringLiteral("8")};
    return items;
}

const QStringList &LinkString::stopBitsChoices()
{
    static const QStringList items = {QStringLiteral("1")};
    return items;
}

const QStringList &LinkString::parityChoices()
{
    static const QStringList items = {QStringLiteral("N")};
    return items;
}

QString LinkString::settingsFilePath()
{
    return QStringLiteral("%1/%2.ini").arg(QDir::currentPath(), QStringLiteral("settings"));
}

bool LinkString::setLinkMode(const QString &mode)
{
    if (mode != QLatin1String("com") && mode != QLatin1String("net"))
        return false;
    m_mode = mode;
    return true;
}

void LinkString::loadSettings(QSettings &settings, bool fileExists,
                              const QStringList &availablePorts)
{
    if (!fileExists) {
        settings.setValue(QLatin1String(keyIp), QStringLiteral("0,0,0,0"));
        settings.setValue(QLatin1String(keyPort), QStringLiteral("0"));
        settings.setValue(QLatin1String(keyCom), m_fields.portName);
        settings.setValue(QLatin1String(keyBaud), QStringLiteral("115200"));
        settings.setValue(QLatin1String(keyDatabit), QStringLiteral("8"));
        settings.setValue(QLatin1String(keyStopbit), QStringLiteral("1"));
        settings.setValue(QLatin1String(keyParity), QStringLiteral("N"));
        settings.sync();
        return;
    }
    const QString port = readText(settings, keyCom);
    m_fields.portName = availablePorts.isEmpty() ? port : offeredOrFirst(availablePorts, port);
    m_fields.baudRate = offeredOrFirst(baudRates(), readText(settings, keyBaud));
    m_fields.dataBits = offeredOrFirst(dataBitsChoices(), readText(settings, keyDatabit));
    m_fields.stopBits = offeredOrFirst(stopBitsChoices(), readText(settings, keyStopbit));
    m_fields.parity = offeredOrFirst(parityChoices(), readText(settings, keyParity));
    m_fields.ip = readText(settings, keyIp);
    m_fields.port = readText(settings, keyPort);
}

void LinkString::confirm(QSettings &settings)
{
    if (m_mode == QLatin1String("com")) {
        m_text = serialText(m_fields);
        settings.setValue(QLatin1String(keyCom), m_fields.portName);
        settings.setValue(QLatin1String(keyBaud), m_fields.baudRate);
        settings.setValue(QLatin1String(keyDatabit), m_fields.dataBits);
        settings.setValue(QLatin1String(keyStopbit), m_fields.stopBits);
        settings.setValue(QLatin1String(keyParity), m_fields.parity);
        return;
    }
    m_text = networkText(m_fields.ip, m_fields.port);
    settings.setValue(QLatin1String(keyIp), m_fields.ip);
    settings.setValue(QLatin1String(keyPort), m_fields.port);
}

LinkString::Shape LinkString::linkParameter(const QString &stored)
{
    const Shape shape = shapeOf(stored);
    if (shape == Shape::Serial) {
        const QStringList parts = stored.split(QLatin1Char(','));
        if (!parts.at(0).isEmpty())
            m_fields.portName = parts.at(0);
        takeIfOffered(baudRates(), parts.value(1), &m_fields.baudRate);
        takeIfOffered(dataBitsChoices(), parts.value(2), &m_fields.dataBits);
        takeIfOffered(stopBitsChoices(), parts.value(3), &m_fields.stopBits);
        takeIfOffered(parityChoices(), parts.value(4), &m_fields.parity);
        m_text = serialText(m_fields);
    } else if (shape == Shape::Network) {
        const int colon = stored.lastIndexOf(QLatin1Char(':'));
        m_fields.ip = stored.left(colon);
        m_fields.port = stored.mid(colon + 1);
        m_text = networkText(m_fields.ip, m_fields.port);
    }
    return shape;
}
