#pragma once

// Test helpers shared by the driver suites: load a driver (from bin/libdrive unless a folder is
// given) exactly as the program does, and exercise every slot of the interface once.
#include "drivebaseclass.h"

#include <QLibrary>
#include <QString>

struct LoadedDriver
{
    QLibrary *library = nullptr; // kept loaded for the whole test run
    CDriveBaseClass *driver = nullptr;
    QString error;
};

inline LoadedDriver loadDriver(const QString &baseName,
                               const QString &folder = QStringLiteral(MORVELIN_DRIVER_DIR))
{
    LoadedDriver result;
    result.library = new QLibrary(folder + QLatin1Char('/') + baseName);
    if (!result.library->load()) {
        result.error = result.library->errorString();
        return result;
    }
    auto entry = reinterpret_cast<GetSharedLibraryFn>(
        result.library->resolve(getSharedLibrarySymbol));
    if (!entry) {
        result.error = result.library->errorString();
        return result;
    }
    result.driver = entry();
    return result;
}

// Calls operations 0 to 30 in slot order with harmless arguments; returns how many it called.
// Nothing here talks to a device unless the driver was connected before.
inline int callEverySlot(CDriveBaseClass *d)
{
    const QString key = QStringLiteral("contract");
    const QList<Induction::SReadInfo> items{{QStringLiteral("DI1"), Bool}};
    const QList<Induction::SReadInfo_manual> manual;
    const QList<Induction::SWriteInfo> writes;
    const Induction::EInductionFun fun = Induction::InductionRead;
    const Induction::EInductionType kind = Induction::InductionWord;
    const int limit = 160;
    const int pause = 0;
    CLabelVariable value;
    int n = 0;
    d->getDriveName(), ++n;                                   // 0
    d->getversion_number(), ++n;                              // 1
    d->DebugCmd(StopDebug), ++n;                              // 2
    d->ConnectDrive(QStringLiteral("bad link")), ++n;         // 3
    d->SetConnectPar(QStringLiteral("1")), ++n;               // 4
    d->DisConnectDrive(), ++n;                                // 5
    d->ReadVariable(QStringLiteral("DI1"), Bool), ++n;        // 6
    d->ReadVariable(QStringLiteral("DI1"), Bool, 1), ++n;     // 7
    d->WriteVariable(QStringLiteral("DI1"), Bool, value), ++n;    // 8
    d->WriteVariable(QStringLiteral("DI1"), Bool, value, 1), ++n; // 9
    d->DestroyFree(), ++n;                                    // 10
    d->SetInductionParam(fun, kind, limit), ++n;              // 11
    d->InductiveDrive_Read(key, items), ++n;                  // 12
    d->InductiveDrive_Read(key, manual), ++n;                 // 13
    d->DelInductiveDrive_Read(key), ++n;                      // 14
    d->DelInductiveDrive_Read(key, items), ++n;               // 15
    d->DelCannotInductiveDrive_Read(key), ++n;                // 16
    d->GetInductiveDrive_Read(key), ++n;                      // 17
    d->GetInductiveDrive_Read(key, items), ++n;               // 18
    d->GetCannotInductiveDrive_Read(key), ++n;                // 19
    d->BlockReading(key, {}), ++n;                            // 20
    d->PointReading(key, {}, pause), ++n;                     // 21
    d->PointReading(key, Induction::SReadInfo{}), ++n;        // 22
    d->InductiveDrive_Write(key, writes), ++n;                // 23
    d->GetInductiveDrive_Write(key), ++n;                     // 24
    d->GetInductiveDrive_Write(key, writes), ++n;             // 25
    d->GetCannotInductiveDrive_Write(key), ++n;               // 26
    d->BlockWriting(key, writes), ++n;                        // 27
    d->PointWriting(key, writes, pause), ++n;                 // 28
    d->PointWriting(key, Induction::SWriteInfo{}), ++n;       // 29
    d->SetDataInfo(key, {}), ++n;                             // 30
    return n;
}
