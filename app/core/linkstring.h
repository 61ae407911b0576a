#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The texts the link dialog shows: its five serial selectors and the two network fields.
struct LinkFields
{
    QString portName;
    QString baudRate = QStringLiteral("115200");
    QString dataBits = QStringLiteral("8");
    QString stopBits = QStringLiteral("1");
    QString parity = QStringLiteral("N");
    QString ip = QStringLiteral("127.0.0.1");
    QString port = QStringLiteral("5000");

    bool operator==(const LinkFields &other) const;
    bool operator!=(const LinkFields &other) const { return !(*this == other); }
};

// The link of a project: its mode ("com" serial, "net" network), the fields behind it and the
// link string handed to the driver, "port,baud,databits,stopbits,parity" or "host:port".
// Keeps the last choice under the "Link/" keys of a settings file.
class LinkString
{
public:
    enum class Shape { Unknown, Serial, Network };

    // Serial and network links are told apart by the shape of the text, not by a port name
    // prefix: Linux ports are ttyUSB0, ttyS0 or /dev/pts/N. A text with a ":" is host:port;
    // one without, of one to five comma fields, is serial; anything else is Unknown.
    static Shape shapeOf(const QString &text);
    static QString serialText(const LinkFields &fields);
    // The port text as a number: 1 to 65535, 0 for anything else.
    static int portNumber(const QString &portText);
    // "ip:port" with the port text as a decimal number as written (0 when it is not one), so
    // that a port out of range stays visible to whoever refuses it.
    static QString networkText(const QString &ip, const QString &portText);
    // A network link string whose port is not 1 to 65535 reaches no device: its port text;
    // empty for a usable network port and for any other link.
    static QString invalidNetworkPort(const QString &linkText);

    // Items of the dialog's selectors other than the port list.
    static const QStringList &baudRates();
    static const QStringList &dataBitsChoices();
    static const QStringList &stopBitsChoices();
    static const QStringList &parityChoices();

    // settings.ini in the working directory, where the dialog keeps its keys.
    static QString settingsFilePath();

    QString mode() const { return m_mode; }
    // Takes "com" or "net" (case-sensitive); anything else changes nothing and returns false.
    bool setLinkMode(const QString &mode);
    const LinkFields &fields() const { return m_fields; }
    void setFields(const LinkFields &fields) { m_fields = fields; }
    // The link string last built by confirm() or linkParameter(); empty until then.
    QString text() const { return m_text; }

    // fileExists false: writes the defaults (the port key from fields().portName) and leaves
    // the fields alone. True: reads the keys into the fields; a selector value not offered falls
    // back to the first item; a stored port not among availablePorts gives the first of them,
    // or stays as stored when none is listed (names can be typed).
    void loadSettings(QSettings &settings, bool fileExists, const QStringList &availablePorts);
    // The OK button: builds the link string of the mode and stores that mode's keys.
    void confirm(QSettings &settings);
    // A stored link string (project file) into the fields, then the link string is rebuilt from
    // them. A serial value not offered by its selector leaves that field as it was; the port
    // name is taken as written. Missing fields of a short text stay as they were. The mode is
    // not touched. Returns the shape the text was read as.
    Shape linkParameter(const QString &stored);

private:
    QString m_mode = QStringLiteral("com");
    LinkFields m_fields;
    QString m_text;
};
