// Prints the milliseconds the FW stream framer takes for streams of 4 to 64 KiB fed in 64-byte
// reads, as a firmware exchange feeds it, and the cost per byte, which stays flat when the cost
// grows linearly: an unfinished packet whose CRC never comes right, a run of block requests, a
// stream of text, and "FW" repeated (every second byte starts a packet that never ends).
#include "fwpacket.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <functional>

namespace {

const int readBytes = 64;
const int runs = 5;

QByteArray unfinishedPacket(int size)
{
    // A reply code of unknown length followed by bytes that end no CRC-valid prefix early.
    QByteArray b("FW\x85");
    for (int k = 0; b.size() < size; ++k)
        b.append(char((k * 31 + 7) & 0x7F) == 'F' ? 'G' : char((k * 31 + 7) & 0x7F));
    return b.left(size);
}

QByteArray blockRequests(int size)
{
    QByteArray b;
    for (quint16 i = 0; b.size() < size; ++i) {
        QByteArray r("FW\x81");
        r.append(char(i & 0xFF));
        r.append(char(i >> 8));
        b += FwPacket::withCrc(r);
    }
    return b.left(size);
}

QByteArray text(int size)
{
    QByteArray b;
    while (b.size() < size)
        b += "controller log line 0123456789\r\n";
    return b.left(size);
}

QByteArray magicRepeated(int size)
{
    return QByteArray("FW").repeated(size / 2);
}

// The best of a few runs, in milliseconds; pieces counts what came out, so nothing is skipped.
double feedMs(const QByteArray &stream, int *pieces)
{
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        FwStreamFramer framer;
        int count = 0;
        QElapsedTimer clock;
        clock.start();
        for (int at = 0; at < stream.size(); at += readBytes)
            count += framer.feed(stream.mid(at, readBytes)).size();
        count += framer.takeRest().size();
        best = qMin(best, clock.nsecsElapsed() / 1e6);
        *pieces = count;
    }
    return best;
}

} // namespace

int main()
{
    QTextStream out(stdout);
    const QList<QPair<QString, std::function<QByteArray(int)>>> streams = {
        {QStringLiteral("unfinished packet"), unfinishedPacket},
        {QStringLiteral("block requests"), blockRequests},
        {QStringLiteral("text"), text},
        {QStringLiteral("\"FW\" repeated"), magicRepeated},
    };
    out << "FW stream framer, " << readBytes << "-byte reads, best of " << runs
        << " runs: ms (ns per byte) [pieces]\n";
    out << QStringLiteral("%1").arg("stream", -20);
    for (int kib : {4, 8, 16, 32, 64})
        out << QStringLiteral("%1").arg(QStringLiteral("%1 KiB").arg(kib), 24);
    out << "\n";
    for (const auto &s : streams) {
        out << QStringLiteral("%1").arg(s.first, -20);
        for (int kib : {4, 8, 16, 32, 64}) {
            const QByteArray stream = s.second(kib * 1024);
            int pieces = 0;
            const double ms = feedMs(stream, &pieces);
            out << QStringLiteral("%1").arg(QStringLiteral("%1 (%2) [%3]")
                                                .arg(ms, 0, 'f', 2)
                                                .arg(ms * 1e6 / stream.size(), 0, 'f', 0)
                                                .arg(pieces),
                                            24);
        }
        out << "\n";
        out.flush();
    }
    return 0;
}
