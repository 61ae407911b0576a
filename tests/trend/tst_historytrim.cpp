// History housekeeping on a seeded database: the size step with the used size through its
// seam, the retention step with its clock, the time budget, and the used size itself.
#include "historyseed.h"
#include "historytrim.h"
#include "sqlitehandler.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Rows 1..count in id order, one second apart from 2024-05-02 00:00:00.
QVector<HistoryRow> numberedRows(int count)
{
    QVector<HistoryRow> rows;
    const QDateTime start(QDate(2024, 5, 2), QTime(0, 0));
    for (int i = 0; i < count; ++i)
        rows.append(
            {1, QStringLiteral("L%1").arg(i % 7), double(i), historyTime(start.addSecs(i))});
    return rows;
}

} // namespace

class tst_HistoryTrim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void choices_data();
    void choices();
    void sizeStep_data();
    void sizeStep();
    void sizeStepDeletesTheOldestByTime();
    void budgetEndsARun();
    void retention_data();
    void retention();
    void usedBytesIgnoresFreedPages();
    void failure();
    void busyFile_data();
    void busyFile();

private:
    QSqlDatabase db() const { return m_f.db(); }
    qint64 minId() const;

    HistoryFixture m_f;
};

void tst_HistoryTrim::init()
{
    m_f.setUp();
}

void tst_HistoryTrim::cleanup()
{
    m_f.tearDown();
}

qint64 tst_HistoryTrim::minId() const
{
    QSqlQuery query(db());
    query.exec("SELECT MIN(id) FROM data");
    return query.next() ? query.value(0).toLongLong() : -1;
}

void tst_HistoryTrim::choices_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("days");
    QTest::newRow("none selected") << -1 << qint64(0) << 0;
    QTest::newRow("10M, 1天") << 0 << qint64(10485760) << 1;
    QTest::newRow("50M, 3天") << 1 << qint64(52428800) << 3;
    QTest::newRow("100M, 5天") << 2 << qint64(104857600) << 5;
    QTest::newRow("500M, 10天") << 3 << qint64(524288000) << 10;
    QTest::newRow("1G, 15天") << 4 << qint64(1073741824) << 15;
    QTest::newRow("-, 1个月") << 5 << qint64(0) << 30;
    QTest::newRow("-, 3个月") << 6 << qint64(0) << 90;
    QTest::newRow("-, 6个月") << 7 << qint64(0) << 180;
    QTest::newRow("-, 不覆盖") << 8 << qint64(0) << 0;
    QTest::newRow("past the lists") << 9 << qint64(0) << 0;
}

void tst_HistoryTrim::choices()
{
    QFETCH(int, index);
    QFETCH(qint64, limit);
    QFETCH(int, days);
    QCOMPARE(HistoryTrim::sizeLimit(index), limit);
    QCOMPARE(HistoryTrim::retentionDays(index), days);
}

void tst_HistoryTrim::sizeStep_data()
{
    // The used size the seam reports: rows x perRow + extra.
    QTest::addColumn<int>("rows");
    QTest::addColumn<qint64>("perRow");
    QTest::addColumn<qint64>("extra");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("remaining");

    const qint64 tenM = HistoryTrim::sizeLimit(0);
    QTest::newRow("exactly at the limit: nothing goes")
        << 5000 << qint64(2000) << tenM - 10000000 << tenM << 5000;
    QTest::newRow("a byte over: the 2000 oldest go, 3000 newest stay")
        << 5000 << qint64(2000) << tenM - 10000000 + 1 << tenM << 3000;
    QTest::newRow("two batches until under the limit")
        << 5000 << qint64(2000) << qint64(0) << qint64(3000000) << 1000;
    QTest::newRow("fewer than a batch, still over: emptied and the run ends")
        << 1500 << qint64(0) << tenM + 1 << tenM << 0;
    QTest::newRow("no limit selected: nothing goes")
        << 3000 << qint64(0) << tenM * 100 << qint64(0) << 3000;
}

void tst_HistoryTrim::sizeStep()
{
    QFETCH(int, rows);
    QFETCH(qint64, perRow);
    QFETCH(qint64, extra);
    QFETCH(qint64, limit);
    QFETCH(int, remaining);
    QVERIFY(seedHistory(db(), numberedRows(rows)));

    HistoryTrim trim;
    int sizeReads = 0;
    trim.setUsedSize([&](const QSqlDatabase &database) {
        ++sizeReads;
        return historyCount(database) * perRow + extra;
    });
    // Not one step of the budget passes, whatever the machine's load.
    trim.setTicker([] { return qint64(0); });
    const HistoryTrim::Outcome outcome = trim.run(db(), limit, 0);
    QVERIFY2(!outcome.failed, qPrintable(outcome.error));
    QVERIFY(!outcome.budgetSpent);
    QCOMPARE(outcome.deletedBySize, rows - remaining);
    QCOMPARE(historyCount(db()), qint64(remaining));
    if (remaining > 0)
        QCOMPARE(minId(), qint64(rows - remaining + 1)); // the newest stay
    QVERIFY(sizeReads < 10);
}

// A data-logger read-off stores old samples after today's polls: the size limit takes the
// read-off first, then the oldest of today.
void tst_HistoryTrim::sizeStepDeletesTheOldestByTime()
{
    const QDateTime today(QDate(2024, 5, 2), QTime(8, 0));
    QVector<HistoryRow> rows;
    for (int i = 0; i < 3000; ++i)
        rows.append({1, "A", double(i), historyTime(today.addSecs(i))});
    for (int i = 0; i < 3000; ++i)
        rows.append({1, "AI3", double(i), historyTime(today.addDays(-20).addSecs(i))});
    QVERIFY(seedHistory(db(), rows));
    HistoryTrim trim;
    trim.setUsedSize([](const QSqlDatabase &database) { return historyCount(database) * 1000; });
    trim.setTicker([] { return qint64(0); });
    const HistoryTrim::Outcome outcome = trim.run(db(), 3000 * 1000, 0);
    QVERIFY2(!outcome.failed, qPrintable(outcome.error));
    QCOMPARE(outcome.deletedBySize, 4000);
    QCOMPARE(historyCount(db(), "label = 'AI3'"), qint64(0));
    QSqlQuery oldest(db());
    QVERIFY(oldest.exec("SELECT MIN(datetime) FROM data") && oldest.next());
    QCOMPARE(oldest.value(0).toString(), historyTime(today.addSecs(1000)));
}

void tst_HistoryTrim::budgetEndsARun()
{
    QVERIFY(seedHistory(db(), numberedRows(20000)));
    HistoryTrim trim;
    trim.setUsedSize([](const QSqlDatabase &) { return qint64(1) << 40; }); // always over
    // Nothing is a day old.
    trim.setClock([] { return QDateTime(QDate(2024, 5, 2), QTime(0, 0)); });
    qint64 now = 0;
    trim.setTicker([&] { return now += 40; });
    trim.setBudgetMs(100);
    const HistoryTrim::Outcome outcome = trim.run(db(), HistoryTrim::sizeLimit(0), 1);
    QVERIFY(outcome.budgetSpent);
    QVERIFY(outcome.deletedBySize >= HistoryTrim::batchRows);
    QVERIFY(outcome.deletedBySize < 20000);
    QCOMPARE(outcome.deletedBySize % HistoryTrim::batchRows, 0);
    QCOMPARE(historyCount(db()), qint64(20000 - outcome.deletedBySize));
    QCOMPARE(outcome.deletedByAge, 0);

    // The next run goes on where this one stopped.
    const HistoryTrim::Outcome next = trim.run(db(), HistoryTrim::sizeLimit(0), 0);
    QVERIFY(next.deletedBySize >= HistoryTrim::batchRows);
    QCOMPARE(minId(), qint64(outcome.deletedBySize + next.deletedBySize + 1));
}

void tst_HistoryTrim::retention_data()
{
    QTest::addColumn<int>("clearDays");
    QTest::addColumn<QStringList>("stamps");
    QTest::addColumn<QStringList>("kept");

    const QStringList day{"2024-04-30 23:00:00.000", "2024-05-01 09:59:59.999",
                          "2024-05-01 10:00:00.000", "2024-05-01 10:00:00.500",
                          "2024-05-02 09:59:00.000"};
    QTest::newRow("1天 at 2024-05-02 10:00:00 keeps the cut-off second")
        << 0 << day << QStringList(day.mid(2));
    QTest::newRow("3天 keeps them all") << 1 << day << day;
    QTest::newRow("不覆盖 deletes nothing") << 8 << day << day;
    QTest::newRow("nothing selected deletes nothing") << -1 << day << day;
    QTest::newRow("old samples stored after newer ones go too")
        << 0
        << QStringList{"2024-04-29 00:00:00.000", "2024-05-02 08:00:00.000",
                       "2024-04-20 12:00:00.000", "2024-05-02 09:00:00.000"}
        << QStringList{"2024-05-02 08:00:00.000", "2024-05-02 09:00:00.000"};
    const QStringList readOff{"2024-05-02 08:00:00.000", "2024-05-02 09:00:00.000",
                              "2024-03-23 10:00:00.000", "2024-03-23 10:00:01.000"};
    for (int index : {0, 5}) {
        QTest::newRow(
            qPrintable(QString("%1: a read-off 40 days old stored after today's polls").arg(index)))
            << index << readOff << QStringList(readOff.mid(0, 2));
    }
    QTest::newRow("a future-dated sample at the lowest id does not stop retention")
        << 0
        << QStringList{"2024-08-10 00:00:00.000", "2024-05-02 09:00:00.000",
                       "2024-01-23 00:00:00.000"}
        << QStringList{"2024-08-10 00:00:00.000", "2024-05-02 09:00:00.000"};
}

void tst_HistoryTrim::retention()
{
    QFETCH(int, clearDays);
    QFETCH(QStringList, stamps);
    QFETCH(QStringList, kept);
    // The listed rows first, at the lowest ids, then more aged rows than one batch.
    QVector<HistoryRow> rows;
    for (const QString &stamp : stamps)
        rows.append({1, "A", 0, stamp});
    for (int i = 0; i < HistoryTrim::batchRows * 2 + 10; ++i)
        rows.append({1, "A", double(i), "2024-04-01 00:00:00.000"});
    QStringList expected = kept;
    if (HistoryTrim::retentionDays(clearDays) == 0) {
        expected.append("2024-04-01 00:00:00.000");
        expected.removeDuplicates();
    }
    QVERIFY(seedHistory(db(), rows));

    HistoryTrim trim;
    trim.setClock([] { return QDateTime(QDate(2024, 5, 2), QTime(10, 0)); });
    trim.setTicker([] { return qint64(0); });
    const HistoryTrim::Outcome outcome = trim.run(db(), 0, HistoryTrim::retentionDays(clearDays));
    QVERIFY2(!outcome.failed, qPrintable(outcome.error));
    QSqlQuery query(db());
    QVERIFY(query.exec("SELECT DISTINCT datetime FROM data ORDER BY id"));
    QStringList left;
    while (query.next())
        left << query.value(0).toString();
    QCOMPARE(left, expected);
    QCOMPARE(outcome.deletedByAge, rows.size() - int(historyCount(db())));
}

void tst_HistoryTrim::usedBytesIgnoresFreedPages()
{
    QVERIFY(seedHistory(db(), numberedRows(30000)));
    const qint64 used = HistoryTrim::usedBytes(db());
    const qint64 fileSize = QFileInfo(m_f.handler->databaseFile()).size();
    QVERIFY(used > 0);
    QCOMPARE(used, fileSize); // nothing freed yet
    QSqlQuery remove(db());
    QVERIFY(remove.exec("DELETE FROM data WHERE id <= 20000"));
    const qint64 after = HistoryTrim::usedBytes(db());
    QCOMPARE(QFileInfo(m_f.handler->databaseFile()).size(), fileSize); // the file never shrinks
    QVERIFY2(after < used / 2, qPrintable(QString("%1 of %2").arg(after).arg(used)));

    // With the real size: a limit between the two sizes stops after the first batches.
    HistoryTrim trim;
    trim.setTicker([] { return qint64(0); });
    const HistoryTrim::Outcome outcome = trim.run(db(), after - 1, 0);
    QVERIFY(outcome.deletedBySize >= HistoryTrim::batchRows);
    QVERIFY(outcome.deletedBySize < 10000);
    QVERIFY(HistoryTrim::usedBytes(db()) <= after - 1);
}

void tst_HistoryTrim::failure()
{
    QSqlQuery drop(db());
    QVERIFY(drop.exec("DROP TABLE data"));
    HistoryTrim trim;
    trim.setUsedSize([](const QSqlDatabase &) { return qint64(1) << 40; });
    HistoryTrim::Outcome outcome = trim.run(db(), 1, 0);
    QVERIFY(outcome.failed);
    QVERIFY(!outcome.error.isEmpty());
    outcome = trim.run(db(), 0, 1);
    QVERIFY(outcome.failed);
}

void tst_HistoryTrim::busyFile_data()
{
    QTest::addColumn<QString>("lock");
    QTest::newRow("a write held (BEGIN IMMEDIATE)") << QStringLiteral("BEGIN IMMEDIATE");
    QTest::newRow("the file held (BEGIN EXCLUSIVE)") << QStringLiteral("BEGIN EXCLUSIVE");
}

// Another connection holds the file: the run waits briefly, gives up without deleting, and
// the next run does the work. The connection's own wait is put back.
void tst_HistoryTrim::busyFile()
{
    QFETCH(QString, lock);
    QVERIFY(seedHistory(db(), numberedRows(3000)));
    const auto busyTimeout = [this] {
        QSqlQuery query(db());
        return query.exec("PRAGMA busy_timeout") && query.next() ? query.value(0).toInt() : -1;
    };
    const int ownWait = busyTimeout();
    QVERIFY(ownWait > 2000); // what the run would wait without a wait of its own
    HistoryTrim trim;
    trim.setClock([] { return QDateTime(QDate(2024, 6, 2), QTime(0, 0)); });
    // The next run's deletes must not meet the time budget on a loaded machine.
    trim.setTicker([] { return qint64(0); });
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
        other.setDatabaseName(m_f.handler->databaseFile());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec(lock));
        QElapsedTimer waited;
        waited.start();
        const HistoryTrim::Outcome outcome = trim.run(db(), 0, 1);
        QVERIFY2(waited.elapsed() < ownWait / 2, qPrintable(QString::number(waited.elapsed())));
        QVERIFY(outcome.busy);
        QVERIFY(!outcome.failed);
        QCOMPARE(outcome.deletedByAge, 0);
        QCOMPARE(busyTimeout(), ownWait);
        QVERIFY(hold.exec("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase("holder");
    const HistoryTrim::Outcome next = trim.run(db(), 0, 1);
    QVERIFY(!next.busy);
    QCOMPARE(next.deletedByAge, 3000);
}

QTEST_GUILESS_MAIN(tst_HistoryTrim)
#include "tst_historytrim.moc"
