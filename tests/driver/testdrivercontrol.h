#pragma once

#include "drivebaseclass.h"

#include <QLibrary>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

// Scripting and call log of the test driver library. Tests reach the library's one instance
// through the exported testDriverControl(), resolved from the same QLibrary handle.
struct TestDriverCall
{
    const void *driver = nullptr; // which driver object was called
    int slot = -1;                // slot number of the operation in CDriveBaseClass
    QString operation;
    QStringList args;
};

struct TestDriverControl
{
    int connectResult = 0;
    int destroyResult = 0;
    int blockSize = 0; // labels per block formed by InductiveDrive_Read; 0: one block
    QMap<QString, int> statusByAddress;     // status of a read per address (default 0)
    QMap<int, int> statusByReading; // status of every entry of BlockReading call n (from 1)
    QMap<QString, QVariant> valueByAddress; // value list per address (default: tick counter)
    QSet<QString> omitted;                  // addresses BlockReading leaves out
    int writeStatus = 0;
    QMap<QString, CLabelVariable> written; // last record written per address
    int blockReadings = 0;                 // BlockReading calls so far: the default value
    QList<TestDriverCall> calls;
    bool recordCalls = true;

    void reset() { *this = TestDriverControl(); }
    int count(const QString &operation) const
    {
        int n = 0;
        for (const TestDriverCall &c : calls)
            n += c.operation == operation;
        return n;
    }
    QList<int> slotList() const
    {
        QList<int> s;
        for (const TestDriverCall &c : calls)
            s.append(c.slot);
        return s;
    }
};

using TestDriverControlFn = TestDriverControl *(*)();
constexpr const char testDriverControlSymbol[] = "testDriverControl";

// The control record of the test driver library file at path, which a test loads once and
// never unloads: a window that binds the same file (through a link) shares the record. Null,
// with the reason in error, when it cannot be loaded.
inline TestDriverControl *loadTestDriverControl(const QString &path, QString *error)
{
    static QLibrary library;
    library.setFileName(path);
    if (!library.load()) {
        *error = library.errorString();
        return nullptr;
    }
    const auto control
        = reinterpret_cast<TestDriverControlFn>(library.resolve(testDriverControlSymbol));
    if (!control)
        *error = library.errorString();
    return control ? control() : nullptr;
}
