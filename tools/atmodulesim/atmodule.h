#pragma once

#include "simlog.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class QSerialPort;

// A Bluetooth serial module on a serial line. AT command lines (ending in CR LF) are answered;
// once a connect to the peer's address succeeded, every other byte goes to the line behind the
// module and what comes back from there is passed on.
class AtModule : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        int role = 0;
        QString address = QStringLiteral("C8FD19A0B1C2");
        // Lines of the scan list, without their CR LF.
        QStringList scanLines;
        // Commands (their text without CR LF) that get no answer.
        QSet<QString> silent;
        // Commands whose answer is replaced by the given bytes.
        QHash<QString, QByteArray> answers;
        // The scan list goes out in pieces of this many bytes, one piece per trickleMs.
        int trickleBytes = 0;
        int trickleMs = 20;
    };

    explicit AtModule(Settings settings, QObject *parent = nullptr);

    bool openLog(const QString &path);
    bool openLine(const QString &path);
    bool openPeerLine(const QString &path);

private:
    void onLineBytes();
    void onPeerBytes();
    void take();
    QByteArray answer(const QString &command);
    void send(const QByteArray &bytes, bool trickle);
    void sendPiece();
    void logLine(const QString &text);

    Settings m_settings;
    SimLog m_log;
    QSerialPort *m_line = nullptr;
    QSerialPort *m_peer = nullptr;
    QByteArray m_in;
    QByteArray m_trickle;
    QTimer m_trickleTimer;
    bool m_connected = false;
};
