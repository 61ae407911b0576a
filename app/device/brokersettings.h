#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

// The broker of the firmware page, as "config.ini" in the program folder names it. The file is
// read at every connect and never written; a missing key reads as empty or 0, and the first key
// that makes a connection impossible is named in problem and key.
struct BrokerSettings
{
    enum class Problem {
        None,
        NoFile,      // the file is not there
        FormatError, // the file is no INI file
        MissingKey,  // "mqtt/hostname" or "mqtt/port" is missing or empty
        BadValue,    // a number key holds no number of its range
    };

    Problem problem = Problem::None;
    QString key;   // the key at fault
    QString value; // its text, for a bad value

    QString hostName;
    quint16 port = 0;
    quint16 keepAliveSeconds = 0;
    QString userName;
    QByteArray password; // in the local 8-bit encoding

    static BrokerSettings read(const QString &iniPath);
};

// The topics of one controller: it publishes its replies on the up topic and reads the
// program's packets on the down topic.
QString otaUpTopic(const QString &deviceId);
QString otaDownTopic(const QString &deviceId);
// A device id that names exactly one controller's topics: not empty, no wildcard, no level.
bool isUsableDeviceId(const QString &deviceId);

// "OTAClient" and a pseudo-random number seeded by the millisecond part of the time of the first
// connect of the run, so that every connect of one run presents the same id.
class OtaClientId
{
public:
    QString next(const QTime &now = QTime::currentTime());

private:
    int m_seedMs = -1;
};
