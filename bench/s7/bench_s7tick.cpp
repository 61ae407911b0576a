// Requests per polling tick of LibCorvid beside their lower bound, and ms per tick on loopback
// against the scripted S7 peer, for 100 and 1000 labels over DB, M, I and Q at PDU 240 and 480.
#include "libcorvid.h"
#include "s7peerprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <cmath>
#include <cstdio>

namespace {

constexpr int ticks = 20;

// Labels laid out as a project would: runs of mixed types per area, with a gap now and then.
QList<Induction::SReadInfo> makeLabels(int count)
{
    const char *areas[] = {"DB1.DB", "DB2.DB", "M", "I", "Q"};
    const DataType types[] = {Bool, Int16, Int32, Float, UInt8, Bool, Double, UInt16};
    int cursor[5] = {0, 0, 0, 0, 0};
    int bit[5] = {0, 0, 0, 0, 0};
    QList<Induction::SReadInfo> labels;
    for (int i = 0; i < count; ++i) {
        const int a = i % 5;
        const DataType type = types[(i / 5) % 8];
        const bool db = a < 2;
        if (i % 50 == 49)
            cursor[a] += 6; // an unused stretch
        if (type == Bool) {
            labels.append({QStringLiteral("%1%2%3.%4")
                               .arg(areas[a], db ? "X" : "")
                               .arg(cursor[a])
                               .arg(bit[a]),
                           type});
            if (++bit[a] == 8) {
                bit[a] = 0;
                ++cursor[a];
            }
            continue;
        }
        if (bit[a] != 0) {
            bit[a] = 0;
            ++cursor[a];
        }
        const int bytes = S7::byteLength(type, 1);
        const char *size = bytes == 1 ? "B" : bytes == 2 ? "W" : "D";
        labels.append({QStringLiteral("%1%2%3")
                           .arg(areas[a], db           ? size
                                          : bytes >= 4 ? "D"
                                                       : size)
                           .arg(cursor[a]),
                       type});
        cursor[a] += bytes;
    }
    return labels;
}

// max(payload bytes / (PDU - 18), contiguous ranges / items per request), rounded up.
int lowerBound(const QList<Induction::SReadInfo> &labels, int pdu)
{
    QSet<QPair<int, int>> bytes; // (area and block, byte)
    for (const auto &l : labels) {
        const S7::Address a = S7::parseAddress(l.name);
        for (int k = 0; k < S7::byteLength(l.type, 1); ++k)
            bytes.insert({a.area << 16 | a.dbNumber, a.byteAddress + k});
    }
    int ranges = 0;
    for (const auto &b : bytes)
        if (!bytes.contains({b.first, b.second - 1}))
            ++ranges;
    const int byBytes = int(std::ceil(double(bytes.size()) / S7::maxReadBytes(pdu)));
    const int byItems = int(std::ceil(double(ranges) / S7::maxReadItems(pdu)));
    return qMax(byBytes, byItems);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%7s %5s %14s %11s %7s %10s\n", "labels", "pdu", "requests/tick", "lower bound",
                "ratio", "ms/tick");
    for (int pdu : {240, 480}) {
        S7PeerProcess peer;
        if (!peer.startScripted({"--pdu", QString::number(pdu)})) {
            std::fprintf(stderr, "cannot start the S7 peer: %s\n", qPrintable(peer.errorText()));
            return 1;
        }
        LibCorvid driver;
        if (driver.ConnectDrive(peer.link()) != 0) {
            std::fprintf(stderr, "cannot connect to the S7 peer\n");
            return 1;
        }
        for (int count : {100, 1000}) {
            const QList<Induction::SReadInfo> labels = makeLabels(count);
            const auto blocks = driver.InductiveDrive_Read(QStringLiteral("1"), labels);
            peer.takeLines(0, 0);
            int failed = 0;
            QElapsedTimer timer;
            timer.start();
            for (int t = 0; t < ticks; ++t)
                for (const auto &block : blocks)
                    for (const CLabelVariable &v : driver.BlockReading(QStringLiteral("1"), block))
                        failed += v.status != 0;
            const double msPerTick = double(timer.nsecsElapsed()) / 1e6 / ticks;
            // The peer prints a line per job; every one of them was answered before the tick
            // ended, so waiting for as many lines as the plan has jobs only collects them.
            int planned = 0;
            for (const auto &block : blocks)
                planned += S7::parseAddress(block.first().name).valid ? ticks : 0;
            const int requests
                = peer.takeLines(planned, 5000).filter(QStringLiteral("REQ read")).size();
            const double perTick = double(requests) / ticks;
            const int bound = lowerBound(labels, pdu);
            std::printf("%7d %5d %14.1f %11d %7.2f %10.2f%s\n", count, pdu, perTick, bound,
                        perTick / bound, msPerTick, failed ? "  (reads failed)" : "");
        }
    }
    return 0;
}
