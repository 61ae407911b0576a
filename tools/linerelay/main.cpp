// linerelay: two serial lines joined, each direction paced as a real line of the given rate.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
#include <QVector>
#include <cstdio>
#include <memory>

namespace {

// One direction of the line: a byte is passed on once its last bit would have arrived, bytes
// back to back keep one character time apart, and a byte waiting never holds up the other way.
class PacedDirection
{
public:
    PacedDirection(QSerialPort *from, QSerialPort *to, qint64 byteNs, const QElapsedTimer *clock)
        : m_from(from)
        , m_to(to)
        , m_byteNs(byteNs)
        , m_clock(clock)
    {
        m_pump.setTimerType(Qt::PreciseTimer);
        m_pump.setInterval(1);
        QObject::connect(&m_pump, &QTimer::timeout, [this] { pump(); });
        QObject::connect(m_from, &QSerialPort::readyRead, [this] { take(); });
    }

private:
    void take()
    {
        const QByteArray bytes = m_from->readAll();
        const qint64 now = m_clock->nsecsElapsed();
        // The line is busy until its last byte has gone; new bytes start after it.
        qint64 due = qMax(now, m_lineFreeNs);
        for (char c : bytes) {
            due += m_byteNs;
            m_bytes.append(c);
            m_due.append(due);
        }
        m_lineFreeNs = due;
        if (!m_bytes.isEmpty() && !m_pump.isActive())
            m_pump.start();
        pump();
    }

    void pump()
    {
        // A late timer passes on every byte due by now at once: the pace never falls behind.
        const qint64 now = m_clock->nsecsElapsed();
        int n = 0;
        while (n < m_due.size() && m_due.at(n) <= now)
            ++n;
        if (n > 0) {
            m_to->write(m_bytes.left(n));
            m_to->flush();
            m_bytes.remove(0, n);
            m_due.remove(0, n);
        }
        if (m_bytes.isEmpty())
            m_pump.stop();
    }

    QSerialPort *m_from;
    QSerialPort *m_to;
    qint64 m_byteNs;
    const QElapsedTimer *m_clock;
    QByteArray m_bytes;
    QVector<qint64> m_due; // when each waiting byte has arrived in full (ns on m_clock)
    qint64 m_lineFreeNs = 0;
    QTimer m_pump;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("linerelay"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Joins two serial lines: what arrives on one goes out on the other, byte by byte at the\n"
        "pace of a line of --baud with --bits a character (10 for 8N1: start, 8 data, stop),\n"
        "each direction on its own. Once both are open it prints:\n"
        "  linerelay ready serial <first> <second> <baud>"));
    parser.addHelpOption();
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("A serial line; give it twice"),
                                    QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate"),
                                  QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption bits(QStringLiteral("bits"),
                                  QStringLiteral("Bits a character takes on the line"),
                                  QStringLiteral("n"), QStringLiteral("10"));
    parser.addOptions({serial, baud, bits});
    parser.process(app);

    const QStringList paths = parser.values(serial);
    const qint64 rate = parser.value(baud).toLongLong();
    const qint64 characterBits = parser.value(bits).toLongLong();
    if (paths.size() != 2 || rate <= 0 || characterBits <= 0) {
        std::fprintf(stderr, "linerelay: two --serial paths, a --baud and --bits above 0\n");
        return 2;
    }
    QSerialPort first(paths.at(0));
    QSerialPort second(paths.at(1));
    for (QSerialPort *port : {&first, &second}) {
        if (!port->open(QIODevice::ReadWrite)) {
            std::fprintf(stderr, "linerelay: cannot open %s: %s\n", qPrintable(port->portName()),
                         qPrintable(port->errorString()));
            return 1;
        }
    }
    QElapsedTimer clock;
    clock.start();
    const qint64 byteNs = characterBits * 1000000000 / rate;
    PacedDirection forth(&first, &second, byteNs, &clock);
    PacedDirection back(&second, &first, byteNs, &clock);
    std::printf("linerelay ready serial %s %s %lld\n", qPrintable(first.portName()),
                qPrintable(second.portName()), static_cast<long long>(rate));
    std::fflush(stdout);
    return app.exec();
}
