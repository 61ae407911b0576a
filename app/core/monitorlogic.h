#pragma once

#include "induction.h"
#include "labelvariable.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class SQLiteHandler;

// The rules of the polling loop that need no window: the tick period, texts and colours by
// outcome, the warning that comes once per change from good to bad, the samples of the history.
namespace MonitorLogic {

// Ticks start a sampling time apart, start to start: the wait from the end of a tick that began
// elapsedMs ago until the next one. A tick longer than the period is followed at once, with no
// backlog of missed ticks.
int nextTickDelayMs(int samplingSeconds, qint64 elapsedMs);

// Warning text for a failed ConnectDrive result (-1 to -4); empty for any other value.
QString connectFailureText(int result);

// The first comma-separated field of a link string: the port of a serial link, the whole
// "address:port" of a network link.
QString linkNameOf(const QString &linkString);

// Text colour of a value cell.
struct CellColour
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const CellColour &o) const
    {
        return red == o.red && green == o.green && blue == o.blue;
    }
};

// The colour for a read status (0, the refusals 2 to 6, 7, 8, 9); false for a status that
// leaves the cell alone.
bool statusColour(int status, CellColour *colour);
// A label the driver refuses (its address, type or count): no exchange will ever serve it.
bool isRefusal(int status);
// The refusals of a read that a driver gives before it sends any frame: type not supported,
// area not recognised, bad count, address out of range.
bool isRefusedBeforeFrame(int status);
// Whether reading block talked to the controller, so that the pause between exchanges is due:
// false only when every entry came back refused before any frame. An entry without a record
// may have been asked for, so it counts as an exchange.
bool blockMadeExchange(const QList<Induction::SReadInfo> &block,
                       const QMap<Induction::SReadInfo, CLabelVariable> &values);
// Why a read or write ended with status: the reason a refusal or a link failure names; empty
// for success and for codes nobody knows.
QString statusReasonText(int status);
// The colour of every value cell once monitoring has stopped.
CellColour stoppedColour();

// The link failures the loop warns about: reply frame error, response timeout, device offline.
bool isConnectionError(int status);
// Warning text of a connection error; empty for other statuses.
QString connectionErrorText(int status);

// Time text of a record: its own time, or now when it has none.
QString sampleTimeText(const QDateTime &recordTime, const QDateTime &now);

// The keys of the history table "data" that a sample fills.
QVariantMap historySample(int projectId, const QString &label, const QString &timeText,
                          const QVariant &value);

} // namespace MonitorLogic

// A dead controller costs a reply time-out per block: after two blocks in a row that failed on
// the link, the rest of the tick reports that failure without asking. A block with any other
// outcome (a value, a refusal) shows the link alive again.
class DeadLinkRule
{
public:
    // The statuses of one block's entries.
    void noteBlock(const QList<int> &statuses);
    bool linkDead() const { return m_failedBlocks >= maxFailedBlocks; }
    // The link failure the last failed block reported.
    int failureStatus() const { return m_status; }

    static constexpr int maxFailedBlocks = 2;

private:
    int m_failedBlocks = 0;
    int m_status = 0;
};

// The connection-good flag and the warning that comes once each time it turns from good to bad.
// Errors before any good value stay silent.
class ConnectionWatch
{
public:
    bool good() const { return m_good; }
    void noteGood() { m_good = true; }
    // Clears the flag; true when this error is the first after a good value (warn now).
    bool noteError()
    {
        const bool warn = m_good;
        m_good = false;
        return warn;
    }
    void reset() { m_good = false; }

private:
    bool m_good = false;
};

// One polled value turned into what the table shows and the history keeps.
struct LabelValue
{
    double number = 0.0;  // element 0 widened to double; 0 for a string or a failed getter
    QString displayText;  // the cell text: every digit of an integer, six significant digits of
                          // a float or double, or the string
    QVariant storedValue; // the full double, or the text of a string label
    QVariant exact;       // element 0 as WriteValue keeps a number exactly; invalid for a string
    bool isString = false;

    static LabelValue convert(int type, const CLabelVariable &record);
    // Element 0 of record widened to double by the element type of type; 0 when it has none.
    static double toDouble(int type, const CLabelVariable &record);
};

// The samples of one tick, written in one transaction in the order they were added. One commit
// per sample costs about as much as a whole tick's worth in one commit.
class HistoryBatch
{
public:
    void add(const QVariantMap &sample) { m_samples.append(sample); }
    int size() const { return m_samples.size(); }
    const QList<QVariantMap> &samples() const { return m_samples; }

    // Writes and clears the batch; true when there was nothing to write or all rows went in.
    // Rows written before a failing one are kept. On failure errorText, when given, tells why.
    bool flush(SQLiteHandler &database, QString *errorText = nullptr);

private:
    QList<QVariantMap> m_samples;
};

// A run of failed history writes: the user is told once when it starts and once when writes
// work again, not at every tick.
class FailureRun
{
public:
    // True when this failure starts a run (tell the user now); at marks its start.
    bool noteFailure(const QDateTime &at = QDateTime())
    {
        if (m_failing)
            return false;
        m_failing = true;
        m_since = at;
        return true;
    }
    // True when this success ends a run (tell the user now); since() still tells its start.
    bool noteSuccess()
    {
        const bool ended = m_failing;
        m_failing = false;
        return ended;
    }
    // Forgets a run without a word: a new monitoring run starts afresh.
    void reset() { m_failing = false; }
    bool failing() const { return m_failing; }
    QDateTime since() const { return m_since; }

private:
    bool m_failing = false;
    QDateTime m_since;
};

// Rows of the label table by address and type: a polled value goes to every row that holds its
// label, wherever sorting or editing has put it.
class LabelRowIndex
{
public:
    void add(int row, const QString &address, int type);
    QList<int> rowsOf(const Induction::SReadInfo &entry) const;

private:
    QHash<QString, QList<int>> m_rows; // key: type and address
};

// The one time of a tick: every sample it stores and every time cell it writes carry it, so that
// the samples of one poll share one stamp, which the report forms its rows by. It is the time of
// the tick's first good record, taken when that record comes; a record without a time gives the
// clock time at the tick's start instead, never an empty text.
class TickStamp
{
public:
    TickStamp() = default;
    explicit TickStamp(const QDateTime &tickStart)
        : m_start(tickStart)
    {
    }
    // The tick's text; the first call fixes it from recordTime, a good record's time.
    const QString &text(const QDateTime &recordTime)
    {
        if (m_text.isEmpty())
            m_text = MonitorLogic::sampleTimeText(recordTime, m_start);
        return m_text;
    }

private:
    QDateTime m_start;
    QString m_text;
};

// What a tick carries from one block to the next while it waits between them.
struct TickProgress
{
    QList<QList<Induction::SReadInfo>> blocks;
    int nextBlock = 0;
    QMap<Induction::SReadInfo, bool> served; // entries a block has handled
    LabelRowIndex rows;                      // taken at the tick's start
    DeadLinkRule deadLink;
    qint64 startMs = 0;
    TickStamp stamp;
};

// The address and type the write dialog was opened for.
struct WriteTarget
{
    int row = -1;
    QString address;
    int type = 0;
};

// A confirmed write waiting for the link to be free.
struct HeldWrite
{
    WriteTarget target;
    QVariant value; // exact, as WriteValue keeps it
};

// Parsing and checking a value typed for a label, and the record that carries it to the driver.
// A value is kept exactly for its type: as a qlonglong for the signed integer types, a qulonglong
// for the unsigned ones, and as a double for bool (0 or 1), float (the float's value) and double.
// A double holds integers exactly only up to 2^53, so a 64-bit value that went through one
// would reach the controller with other last digits.
namespace WriteValue {

struct Parsed
{
    bool ok = false;
    double value = 0.0; // the number as a double, for the signals that carry one
    QVariant exact;     // what is written, exactly
    QString errorText;  // translated, for the user
};

// A finite number within the range of the type's element type; anything else is refused, since
// writing 0 or a wrapped value to a controller because of a typo is unsafe. Every type takes the
// same texts: blanks around, a sign (+, - or the minus sign U+2212), decimal digits with an
// optional point, an optional exponent (e or E, signed alike). Integer types read the typed
// digits themselves, never a double, truncated toward zero: every value in range is accepted
// exactly and none outside it. A float takes what rounds to a finite float.
Parsed parse(const QString &text, int type);
// The same for a value that comes as a double.
Parsed fromDouble(int type, double value);
// Empty when value may be written to a label of type; else the translated reason.
QString check(int type, double value);
// Types that carry a number to write (not null, not string).
bool isWritableType(int type);
// Whether exact is a number whose double is value: what a signal carrying the double stood for.
bool standsFor(const QVariant &exact, double value);
// Default record with one element of the type's element type: bool value != 0, integers
// truncated toward zero, float narrowed, double unchanged; count 1 and type set. value must
// have passed check(): converting a double outside the element's range is undefined.
CLabelVariable record(int type, double value);
// The record of an exact value of the type (from parse or fromDouble).
CLabelVariable exactRecord(int type, const QVariant &exact);
// The text the write dialog starts from: the shortest that reads back as the same value of the
// type (a float as a float), so confirming it unchanged writes back exactly what was read.
QString editText(int type, double value);
// The same for an exact value: every digit of an integer.
QString exactText(int type, const QVariant &exact);
// The text the write dialog starts from for a label given as value, the double the menu hands
// on: held, the exact value the row holds, where it stands for value (a double cannot carry
// every digit of a 64-bit integer), else value's own text. Confirmed unchanged, it writes back
// the value held.
QString prefillText(int type, double value, const QVariant &held);

} // namespace WriteValue
