// The driver contract for LibVexmar, loaded as the program loads it, against the simulator over
// UDP on 127.0.0.1 and over a socat pty pair.
#include "drivercontract.h"
#include "vexmarsimprocess.h"

#include <QDeadlineTimer>
#include <cstring>

namespace {

template<typename T>
QVariant listOf(const QList<T> &list)
{
    return QVariant::fromValue(list);
}

template<typename T>
T patternNumber(int area, int address)
{
    const QByteArray bytes = simPattern(area, address, int(sizeof(T)));
    T v;
    std::memcpy(&v, bytes.constData(), sizeof(T)); // the host is little-endian, as the wire
    return v;
}

} // namespace

class tst_VexmarContract : public DriverContract
{
    Q_OBJECT

protected:
    QString libraryName() const override { return QStringLiteral("LibVexmar"); }
    QString driveName() const override { return QStringLiteral("Vexmar"); }
    QString versionNumber() const override { return QStringLiteral("V1.8.4 202001027"); }
    QByteArray className() const override { return "LibVexmar"; }
    int disconnectBeforeLink() const override { return -1; }

    QList<LinkCase> malformedLinks() const override
    {
        return {
            // No socket was made: nothing is stored and no link is touched.
            {"three parts at the colon", "1.2.3.4:5:6", -1, -1},
            {"IPv6 with port", "::1:5000", -1, -1},
            {"four fields", "ttyS0,9600,8,1", -1, -1},
            {"six fields", "ttyS0,9600,8,1,N,x", -1, -1},
            {"port beyond 16 bits", "127.0.0.1:70000", -1, -1},
            {"port 99999", "127.0.0.1:99999", -1, -1},
            {"port zero", "127.0.0.1:0", -1, -1},
            {"port not a number", "127.0.0.1:abc", -1, -1},
            {"no port", "127.0.0.1:", -1, -1},
            // Two parts: the transport refuses an empty or non-numeric address, the port is
            // kept.
            {"empty address", ":5000", -1, 0},
            {"host name", "localhost:5000", -1, 0},
            // Five fields: a port that does not exist does not open; the serial close finds it
            // shut.
            {"missing serial port", "/nonexistent/ttyVX0,9600,8,1,N", -1, -1},
            {"serial with zero baud", "/nonexistent/ttyVX0,x,8,1,N", -1, -1},
        };
    }

    QList<RefusalCase> refusals() const override
    {
        const QVariant text = listOf(QList<QString>{QStringLiteral("x")});
        const QVariant bit = listOf(QList<bool>{true});
        const QVariant shorts = listOf(QList<short>{1, 2});
        return {
            {"no area name", false, "XY1", UInt8, 1, 3, {}},
            {"lower case", false, "di1", Bool, 1, 3, {}},
            {"SO has no wire code", false, "SO1", Int8, 4, 3, {}},
            {"index 0", false, "AI0", Int16, 1, 3, {}},
            {"no index", false, "AI", Int16, 1, 3, {}},
            {"write to index 0", true, "DO0", Bool, 1, 3, bit},
            {"write without index", true, "SA", Int16, 1, 3, shorts},
            {"past AI's end", false, "AI321", Int32, 1, 5, {}},
            {"a run past AI's end", false, "AI320", Int32, 2, 5, {}},
            {"past DI's end", false, "DI1281", Bool, 1, 5, {}},
            {"write past SA's end", true, "SA641", Int16, 1, 5, shorts},
            {"write a bit past DO's end", true, "DO161", Bool, 1, 5, bit},
            {"read count 0", false, "DI1", Bool, 0, 4, {}},
            {"byte-order type", false, "AI1", int16_AB, 1, 4, {}},
            {"bytes of AO_F", false, "AO_F1", UInt8, 4, 4, {}},
            {"too long for a frame", false, "LW1", Int32, 367, 4, {}},
            {"write count 0", true, "DI1", Bool, 0, 4, bit},
            {"write count -1", true, "DI1", Bool, -1, 4, bit},
            {"write list too short", true, "SA1", Int16, 3, 4, shorts},
            {"write bytes AI would round away", true, "AI1", UInt8, 5, 4,
             listOf(QList<uchar>{1, 2, 3, 4, 5})},
            {"type none", false, "AI1", null, 1, 2, {}},
            {"string outside SI", false, "AI1", string, 1, 2, {}},
            {"write float to AI", true, "AI1", Float, 1, 2, listOf(QList<float>{1.5f})},
            {"write Int32 to AO", true, "AO1", Int32, 1, 2, listOf(QList<int>{7})},
            {"write string to AI", true, "AI1", string, 1, 2, text},
        };
    }

    QList<SilenceCase> silences() const override
    {
        const int timeout = LabelStatus::ResponseTimeout;
        const int frame = LabelStatus::ReplyFrameError;
        // Over UDP the handshake is request 1.
        return {
            {"udp no reply", "udp", "drop@2", timeout, 0, false},
            {"udp wrong echo", "udp", "echo@2", timeout, 0, false},
            {"udp short reply", "udp", "short=2@2", frame, 0, false},
            {"serial no reply", "serial", "drop@1", timeout, 0, false},
            {"serial short reply", "serial", "short=2@1", frame, 0, false},
        };
    }

    QList<TextCase> textWrites() const override
    {
        // A slot holds a length byte and up to 255 bytes of UTF-8; the pattern puts "S3" in SI3.
        // A NUL would end the text on reading, and a lone surrogate has no UTF-8.
        const int ok = LabelStatus::Ok;
        const int refused = LabelStatus::BadCount;
        const QString cafe = QStringLiteral("caf\u00e9");
        const QString chinese = QStringLiteral("\u4e2d\u6587\u6807\u7b7e");
        const QString han(QChar(0x6587)); // three bytes of UTF-8
        const QString was = QStringLiteral("S3");
        return {
            {"ASCII", "SI3", {"Vexmar 1"}, ok, ok, "Vexmar 1"},
            {"empty text", "SI3", {""}, ok, ok, ""},
            {"accented Latin", "SI3", {cafe}, ok, ok, cafe},
            {"Chinese", "SI3", {chinese}, ok, ok, chinese},
            {"200 characters", "SI3", {QString(200, 'x')}, ok, ok, QString(200, 'x')},
            {"255 bytes fill the slot", "SI3", {QString(255, 'x')}, ok, ok, QString(255, 'x')},
            {"255 bytes of Chinese", "SI3", {han.repeated(85)}, ok, ok, han.repeated(85)},
            {"256 characters do not fit", "SI3", {QString(256, 'x')}, refused, ok, was},
            {"86 Chinese characters take 258 bytes", "SI3", {han.repeated(86)}, refused, ok, was},
            {"a NUL would end the text", "SI3", {QStringLiteral("ab\0cd")}, refused, ok, was},
            {"a lone surrogate", "SI3", {QString(QChar(0xd800)) + "a"}, refused, ok, was},
            {"the first of two texts", "SI3", {"first", "second"}, ok, ok, "first"},
        };
    }

    QList<TextRunCase> textRuns() const override
    {
        const int ok = LabelStatus::Ok;
        return {
            {"a long slot before a short one", {"SI1", "SI2"}, {QString(200, 'x'), "abc"}, ok, ok},
            {"a single long slot", {"SI4"}, {QString(250, 'y')}, ok, ok},
            {"full, empty and non-ASCII slots",
             {"SI5", "SI6", "SI7"},
             {QString(255, 'z'), "", QStringLiteral("caf\u00e9")},
             ok,
             ok},
        };
    }

    Induction::SReadInfo goodLabel() const override { return {QStringLiteral("AI1"), Int16}; }

    QList<Induction::SReadInfo> tickLabels() const override
    {
        return {{QStringLiteral("AI1"), Int32},
                {QStringLiteral("AI2"), Int16},
                {QStringLiteral("DI1"), Bool}};
    }

    bool holdsPeerValue(const Induction::SReadInfo &label, const CLabelVariable &v) const override
    {
        if (label.name == QLatin1String("AI1"))
            return v.value.value<QList<int>>() == QList<int>{patternNumber<int>(7, 0)};
        if (label.name == QLatin1String("AI2"))
            return v.value.value<QList<short>>() == QList<short>{patternNumber<short>(7, 4)};
        // The pattern holds 1 at every third point from the first on.
        return v.value.value<QList<bool>>() == QList<bool>{true};
    }

    QString startPeer(const QString &kind, const QString &fault) override
    {
        QStringList args{QStringLiteral("--pattern")};
        if (!fault.isEmpty())
            args << QStringLiteral("--fault") << fault;
        m_sim = std::make_unique<VexmarSimProcess>();
        if (kind != QLatin1String("serial"))
            return m_sim->startUdp(args) ? QStringLiteral("127.0.0.1:%1").arg(m_sim->port())
                                         : QString();
        m_pair = std::make_unique<SocatPtyPair>();
        if (!m_pair->start() || !m_sim->startSerial(m_pair->second(), 115200, args))
            return QString();
        return m_pair->first() + QLatin1String(",115200,8,1,N");
    }

    void stopPeer() override
    {
        m_sim.reset();
        m_pair.reset();
    }

    bool restartPeer() override { return false; }

    int framesSeen(int atLeast) override
    {
        // The simulator logs a request before it answers it; the log may lag a little.
        const QDeadlineTimer deadline(3000);
        while (m_sim->frameCount() < atLeast && !deadline.hasExpired())
            QTest::qWait(10);
        return m_sim->frameCount();
    }

private:
    std::unique_ptr<VexmarSimProcess> m_sim;
    std::unique_ptr<SocatPtyPair> m_pair;
};

QTEST_GUILESS_MAIN(tst_VexmarContract)
#include "tst_vexmarcontract.moc"
