#pragma once

#include "induction.h"
#include "labelvariable.h"

#include <QList>
#include <QMap>
#include <QString>

// Commands of DebugCmd.
enum EDebugCmdType : int {
    StartDebug = 0,
    StopDebug = 1,
    BuildInfo = 2,
    DriveName = 3,
};

// The driver interface. The program calls a separately built library through this table of
// virtual operations, so their declaration order is an ABI: never reorder, insert or remove.
// Drivers are never destroyed through this class, which therefore has no destructor.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class CDriveBaseClass
{
public:
    /* 0 */ virtual QString getDriveName() = 0;
    /* 1 */ virtual QString getversion_number() = 0;
    /* 2 */ virtual QString DebugCmd(EDebugCmdType cmd) = 0;
    /* 3 */ virtual int ConnectDrive(QString link) = 0;
    /* 4 */ virtual int SetConnectPar(QString par) = 0;
    /* 5 */ virtual int DisConnectDrive() = 0;
    /* 6 */ virtual CLabelVariable ReadVariable(QString address, DataType type) = 0;
    /* 7 */ virtual CLabelVariable ReadVariable(QString address, DataType type, int count) = 0;
    /* 8 */ virtual CLabelVariable WriteVariable(QString address, DataType type,
                                                 CLabelVariable value) = 0;
    /* 9 */ virtual CLabelVariable WriteVariable(QString address, DataType type,
                                                 CLabelVariable value, int count) = 0;
    /* 10 */ virtual int DestroyFree() = 0;
    /* 11 */ virtual void SetInductionParam(const Induction::EInductionFun &fun,
                                            const Induction::EInductionType &type,
                                            const int &value) = 0;
    /* 12 */ virtual QList<QList<Induction::SReadInfo>> InductiveDrive_Read(
        const QString &key, const QList<Induction::SReadInfo> &items) = 0;
    /* 13 */ virtual QList<QList<Induction::SReadInfo>> InductiveDrive_Read(
        const QString &key, const QList<Induction::SReadInfo_manual> &blocks) = 0;
    /* 14 */ virtual void DelInductiveDrive_Read(const QString &key) = 0;
    /* 15 */ virtual void DelInductiveDrive_Read(const QString &key,
                                                 const QList<Induction::SReadInfo> &block) = 0;
    /* 16 */ virtual void DelCannotInductiveDrive_Read(const QString &key) = 0;
    /* 17 */ virtual QMap<QList<Induction::SReadInfo>, SReadBlock> GetInductiveDrive_Read(
        const QString &key) = 0;
    /* 18 */ virtual SReadBlock GetInductiveDrive_Read(
        const QString &key, const QList<Induction::SReadInfo> &block) = 0;
    /* 19 */ virtual QList<Induction::SReadInfo> GetCannotInductiveDrive_Read(
        const QString &key) = 0;
    /* 20 */ virtual QMap<Induction::SReadInfo, CLabelVariable> BlockReading(
        const QString &key, const QList<Induction::SReadInfo> &block) = 0;
    /* 21 */ virtual QMap<Induction::SReadInfo, CLabelVariable> PointReading(
        const QString &key, const QList<Induction::SReadInfo> &items, const int &pauseMs) = 0;
    /* 22 */ virtual CLabelVariable PointReading(const QString &key,
                                                 const Induction::SReadInfo &item) = 0;
    /* 23 */ virtual QList<QList<Induction::SWriteInfo>> InductiveDrive_Write(
        const QString &key, const QList<Induction::SWriteInfo> &items) = 0;
    /* 24 */ virtual QMap<QList<Induction::SWriteInfo>, SWriteBlock> GetInductiveDrive_Write(
        const QString &key) = 0;
    /* 25 */ virtual SWriteBlock GetInductiveDrive_Write(
        const QString &key, const QList<Induction::SWriteInfo> &block) = 0;
    /* 26 */ virtual QList<Induction::SWriteInfo> GetCannotInductiveDrive_Write(
        const QString &key) = 0;
    /* 27 */ virtual QMap<Induction::SWriteInfo, CLabelVariable> BlockWriting(
        const QString &key, const QList<Induction::SWriteInfo> &block) = 0;
    /* 28 */ virtual QMap<Induction::SWriteInfo, CLabelVariable> PointWriting(
        const QString &key, const QList<Induction::SWriteInfo> &items, const int &pauseMs) = 0;
    /* 29 */ virtual CLabelVariable PointWriting(const QString &key,
                                                 const Induction::SWriteInfo &item) = 0;
    /* 30 */ virtual void SetDataInfo(const QString &key,
                                      const QList<DataInfo::SDataInfo> &info) = 0;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Every driver library exports this, unmangled: each call creates a new driver object that
// lives until the process ends.
using GetSharedLibraryFn = CDriveBaseClass *(*)();
constexpr const char getSharedLibrarySymbol[] = "getSharedLibrary";

#if defined(_WIN32)
#define MORVELIN_DRIVER_EXPORT extern "C" __declspec(dllexport)
#else
#define MORVELIN_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))
#endif
