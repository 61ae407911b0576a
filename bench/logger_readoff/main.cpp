// Read-off benchmark: the whole read-off over a socat pty against the data-logger simulator
// into a fresh history database, with one transaction per batch and with every row committed
// on its own, and the same records a second time into the filled database; then the database
// work alone, per batch, for both.
#include "dataloggerprotocol.h"
#include "devicelink.h"
#include "loggersimprocess.h"
#include "recordreadoff.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int valuesPerBatch = 50;
// Each autocommit row is a disk sync: a tenth of the batches keeps that run short.
constexpr int autocommitShare = 10;

struct Run
{
    double seconds = 0;
    int batches = 0;
    int rows = 0;
    int kept = 0; // rows the database held already
    bool ended = false;
};

Run readOff(int batches, bool transactions, const QString &dbFile)
{
    Run run;
    LoggerSimProcess sim;
    if (!sim.start(
            {"--batches", QString::number(batches), "--values", QString::number(valuesPerBatch)})) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.error()));
        return run;
    }
    QSerialPort port;
    DeviceLink link(&port);
    if (!link.open(parseDeviceLink(sim.portName() + ",115200,8,1,N")))
        return run;
    SQLiteHandler db;
    if (!db.openDatabase(dbFile))
        return run;
    RecordReadOff off(
        [&link](const QByteArray &frame, QByteArray *reply) {
            return link.exchange(frame, reply, DataLoggerProtocol::replyTimeoutMs,
                                 DataLoggerProtocol::recordsReplyLength);
        },
        &db);
    off.setBatchTransactions(transactions);
    QElapsedTimer t;
    t.start();
    const RecordReadOff::Result r = off.run(0, 1);
    run.seconds = t.nsecsElapsed() / 1e9;
    run.batches = r.batches;
    run.rows = r.rows;
    run.kept = r.keptRows;
    run.ended = r.outcome == RecordReadOff::Outcome::End;
    return run;
}

// The database work of a read-off alone: the batches' rows without the link.
double storeOnly(int batches, bool transactions, const QString &dbFile)
{
    SQLiteHandler db;
    if (!db.openDatabase(dbFile))
        return -1;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < batches; ++i) {
        DataLoggerProtocol::RecordBatch batch;
        batch.msecsSinceEpoch = 1700000000000LL + i * 1000;
        batch.areaCode = 7;
        for (int j = 0; j < valuesPerBatch; ++j)
            batch.values << quint32(i * 1000 + j);
        QSqlDatabase conn = db.database();
        if (transactions)
            conn.transaction();
        for (const QVariantMap &row : DataLoggerProtocol::historyRows(batch, 1))
            db.insertRecord(QStringLiteral("data"), row);
        if (transactions)
            conn.commit();
    }
    return t.nsecsElapsed() / 1e6 / batches;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int batches = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    QTemporaryDir dir;
    std::printf("read-off of %d batches x %d values over a pty (115200 baud set)\n", batches,
                valuesPerBatch);

    const Run tx = readOff(batches, true, dir.filePath("tx.db"));
    std::printf("  one transaction per batch: %.2f s, %d batches, %d rows, %s\n", tx.seconds,
                tx.batches, tx.rows, tx.ended ? "ended by the end mark" : "DID NOT END");
    // The same records again: every row is found stored and kept once.
    const Run again = readOff(batches, true, dir.filePath("tx.db"));
    std::printf("  the same records again:    %.2f s, %d rows stored, %d found stored\n",
                again.seconds, again.rows, again.kept);
    const int fewer = qMax(1, batches / autocommitShare);
    const Run ac = readOff(fewer, false, dir.filePath("ac.db"));
    std::printf("  autocommit, %d batches:      %.2f s, %d rows (%.1f ms per batch)\n", fewer,
                ac.seconds, ac.rows, ac.batches ? ac.seconds * 1000 / ac.batches : 0.0);

    std::printf("database time per batch of %d rows, no link:\n", valuesPerBatch);
    std::printf("  one transaction: %.2f ms\n", storeOnly(batches, true, dir.filePath("s1.db")));
    std::printf("  autocommit:      %.2f ms (%d batches)\n",
                storeOnly(fewer, false, dir.filePath("s2.db")), fewer);
    return 0;
}
