// The driver contract for LibCorvid, loaded as the program loads it, against the scripted peer
// on 127.0.0.1.
#include "drivercontract.h"
#include "s7peerprocess.h"

#include <QDeadlineTimer>

namespace {

template<typename T>
QVariant listOf(const QList<T> &list)
{
    return QVariant::fromValue(list);
}

} // namespace

class tst_S7Contract : public DriverContract
{
    Q_OBJECT

protected:
    QString libraryName() const override { return QStringLiteral("LibCorvid"); }
    QString driveName() const override { return QStringLiteral("Siemens_S7"); }
    QString versionNumber() const override { return QStringLiteral("V1.8.2 20230221"); }
    QByteArray className() const override { return "LibCorvid"; }
    int disconnectBeforeLink() const override { return 1; }

    QList<LinkCase> malformedLinks() const override
    {
        return {
            {"no port", "192.168.0.10", -1, 1},
            {"no address", ":102", -1, 1},
            {"port not a number", "192.168.0.10:x", -1, 1},
            // The transport refuses these; the close then finds the socket it made.
            {"not an IP address", "abc:102", -1, 0},
            {"address out of range", "192.168.0.300:102", -1, 0},
        };
    }

    QList<RefusalCase> refusals() const override
    {
        // A value shorter than the count, and addresses outside the grammar: refused unsent.
        QList<RefusalCase> cases{
            {"write shorter than its count", true, "DB1.DBD0", Int32, 2, 4, listOf(QList<int>{1})}};
        static const char *const outside[][3]
            = {{"DB1.W20", "read DB1.W20", "write DB1.W20"},
               {"DB1,DBW20", "read DB1,DBW20", "write DB1,DBW20"},
               {"DB5.DBW20abc", "read DB5.DBW20abc", "write DB5.DBW20abc"},
               {"DB70000.DBW0", "read DB70000.DBW0", "write DB70000.DBW0"},
               {"M10.8", "read M10.8", "write M10.8"}};
        for (const auto &a : outside) {
            const int status = LabelStatus::AddressOutOfRange;
            cases.append({a[1], false, a[0], Int16, 1, status, {}});
            cases.append({a[2], true, a[0], Int16, 1, status, listOf(QList<short>{1})});
        }
        return cases;
    }

    QList<SilenceCase> silences() const override
    {
        const int timeout = LabelStatus::ResponseTimeout;
        return {
            {"a reply time-out closes the connection", "tcp", "late", timeout, timeout, false},
            {"the controller stopped and started again", "tcp", "", 0, 0, true},
        };
    }

    // No text type in S7 memory: every text is refused unsent, by every path, and reads refuse.
    QList<TextCase> textWrites() const override
    {
        const int none = LabelStatus::TypeNotSupported;
        return {
            {"ASCII", "DB1.DBB0", {"abc"}, none, none, {}},
            {"Chinese", "M0", {QStringLiteral("\u4e2d\u6587")}, none, none, {}},
        };
    }

    QList<TextRunCase> textRuns() const override
    {
        const int none = LabelStatus::TypeNotSupported;
        return {{"two texts", {"DB1.DBB0", "DB1.DBB1"}, {QString(200, 'x'), "abc"}, none, none}};
    }

    Induction::SReadInfo goodLabel() const override { return {QStringLiteral("M0"), UInt8}; }

    QList<Induction::SReadInfo> tickLabels() const override
    {
        return {{QStringLiteral("M4"), UInt8}, {QStringLiteral("DB2.DBW6"), Int16}};
    }

    bool holdsPeerValue(const Induction::SReadInfo &label, const CLabelVariable &v) const override
    {
        if (label.name == QLatin1String("M4"))
            return v.value.value<QList<unsigned char>>()
                   == QList<unsigned char>{peerPattern(0x83, 0, 4)};
        // Most significant byte first.
        const auto word = short(peerPattern(0x84, 2, 6) << 8 | peerPattern(0x84, 2, 7));
        return v.value.value<QList<short>>() == QList<short>{word};
    }

    QString startPeer(const QString &, const QString &fault) override
    {
        const QStringList late{"--fault", "late", "--late-count", "1", "--delay", "3"};
        m_peer = std::make_unique<S7PeerProcess>();
        m_jobs = 0;
        if (!m_peer->startScripted(fault == QLatin1String("late") ? late : QStringList{}))
            return QString();
        m_port = m_peer->port();
        return m_peer->link();
    }

    void stopPeer() override { m_peer.reset(); }

    bool restartPeer() override
    {
        m_peer = std::make_unique<S7PeerProcess>();
        return m_peer->startScripted({"--port", QString::number(m_port)});
    }

    int framesSeen(int atLeast) override
    {
        const QDeadlineTimer deadline(3000);
        while (m_jobs < atLeast && !deadline.hasExpired()) {
            const QStringList lines
                = m_peer->takeLines(1, int(qMax<qint64>(1, deadline.remainingTime())));
            for (const QString &line : lines)
                m_jobs += line.startsWith(QLatin1String("REQ ")) ? 1 : 0;
            if (lines.isEmpty())
                break;
        }
        return m_jobs;
    }

private:
    std::unique_ptr<S7PeerProcess> m_peer;
    int m_port = 0;
    int m_jobs = 0;
};

QTEST_GUILESS_MAIN(tst_S7Contract)
#include "tst_s7contract.moc"
