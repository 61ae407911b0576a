#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The Bluetooth serial module's link sequence on an open device link: checks that the module
// answers, puts it in role 1, starts a scan, finds the peer module in the scan list, connects to
// it and stops the scan. It runs as one chain of nested steps inside recSol and reaches the link
// only through the functions it is given.
class AtLinkSequence
{
public:
    // Sends a command and returns the first reply bytes; empty when nothing came back.
    using Exchange = std::function<QByteArray(const QString &command, int timeoutMs)>;
    // Writes bytes on the link without waiting for an answer.
    using Write = std::function<void(const QByteArray &bytes)>;
    // Returns the bytes that arrive within timeoutMs; empty on silence.
    using ReadMore = std::function<QByteArray(int timeoutMs)>;

    // Every command's reply is awaited this long.
    static constexpr int replyTimeoutMs = 200;
    // The scan list is read on while it lacks its line end: this long per silence, and no longer
    // in all than the scan the module is asked for (its second parameter, 20 s).
    static constexpr int scanSilenceMs = 200;
    static constexpr int scanLengthMs = 20000;

    AtLinkSequence(Exchange exchange, Write write, ReadMore readMore);

    // The link button: step 0 and the whole sequence from there.
    void start();
    // One step with the module's reply to the previous command (empty at the start).
    void recSol(const QString &messages);

    int atState() const { return m_atState; }
    QString atBuffer() const { return m_atBuffer; }
    QString peerName() const { return m_peerName; }

    static QString replyText(const QByteArray &reply);
    // A module's answer is a line: whole at its line end; one without ("+OK" to a role change)
    // ends at the silence after it (0: not known yet).
    static int replyBytes(const QByteArray &received);

private:
    void send(int nextStep, const QString &command);
    void readScanList();
    void connectToPeer();

    Exchange m_exchange;
    Write m_write;
    ReadMore m_readMore;
    int m_atState = 0;
    QString m_atBuffer;
    QString m_peerName = QStringLiteral("CDEBYTE_F559");
};
