#pragma once

#include "cmdsiemens_s7.h"
#include "drivebaseclass.h"
#include "s7induction.h"

#include <QHash>
#include <QObject>

// The Siemens S7 driver: maps the driver interface onto S7 addresses, codecs and the
// ISO-on-TCP transport.
class LibCorvid : public QObject, public CDriveBaseClass
{
    Q_OBJECT
public:
    enum AreaType : int {
        AreaNone = 0,
        AreaI = 0x81,  // process inputs
        AreaQ = 0x82,  // process outputs
        AreaM = 0x83,  // flags
        AreaDB = 0x84, // data blocks, V memory included
    };

    LibCorvid();
    ~LibCorvid() override;

    /* 0 */ QString getDriveName() override;
    /* 1 */ QString getversion_number() override;
    /* 2 */ QString DebugCmd(EDebugCmdType cmd) override;
    /* 3 */ int ConnectDrive(QString link) override;
    /* 4 */ int SetConnectPar(QString par) override;
    /* 5 */ int DisConnectDrive() override;
    /* 6 */ CLabelVariable ReadVariable(QString address, DataType type) override;
    /* 7 */ CLabelVariable ReadVariable(QString address, DataType type, int count) override;
    /* 8 */ CLabelVariable WriteVariable(QString address, DataType type,
                                         CLabelVariable value) override;
    /* 9 */ CLabelVariable WriteVariable(QString address, DataType type, CLabelVariable value,
                                         int count) override;
    /* 10 */ int DestroyFree() override;
    /* 11 */ void SetInductionParam(const Induction::EInductionFun &fun,
                                    const Induction::EInductionType &type,
                                    const int &value) override;
    /* 12 */ QList<QList<Induction::SReadInfo>>
    InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &items) override;
    /* 13 */ QList<QList<Induction::SReadInfo>>
    InductiveDrive_Read(const QString &key,
                        const QList<Induction::SReadInfo_manual> &blocks) override;
    /* 14 */ void DelInductiveDrive_Read(const QString &key) override;
    /* 15 */ void DelInductiveDrive_Read(const QString &key,
                                         const QList<Induction::SReadInfo> &block) override;
    /* 16 */ void DelCannotInductiveDrive_Read(const QString &key) override;
    /* 17 */ QMap<QList<Induction::SReadInfo>, SReadBlock>
    GetInductiveDrive_Read(const QString &key) override;
    /* 18 */ SReadBlock GetInductiveDrive_Read(const QString &key,
                                               const QList<Induction::SReadInfo> &block) override;
    /* 19 */ QList<Induction::SReadInfo> GetCannotInductiveDrive_Read(const QString &key) override;
    /* 20 */ QMap<Induction::SReadInfo, CLabelVariable>
    BlockReading(const QString &key, const QList<Induction::SReadInfo> &block) override;
    /* 21 */ QMap<Induction::SReadInfo, CLabelVariable>
    PointReading(const QString &key, const QList<Induction::SReadInfo> &items,
                 const int &pauseMs) override;
    /* 22 */ CLabelVariable PointReading(const QString &key,
                                         const Induction::SReadInfo &item) override;
    /* 23 */ QList<QList<Induction::SWriteInfo>>
    InductiveDrive_Write(const QString &key, const QList<Induction::SWriteInfo> &items) override;
    /* 24 */ QMap<QList<Induction::SWriteInfo>, SWriteBlock>
    GetInductiveDrive_Write(const QString &key) override;
    /* 25 */ SWriteBlock
    GetInductiveDrive_Write(const QString &key, const QList<Induction::SWriteInfo> &block) override;
    /* 26 */ QList<Induction::SWriteInfo>
    GetCannotInductiveDrive_Write(const QString &key) override;
    /* 27 */ QMap<Induction::SWriteInfo, CLabelVariable>
    BlockWriting(const QString &key, const QList<Induction::SWriteInfo> &block) override;
    /* 28 */ QMap<Induction::SWriteInfo, CLabelVariable>
    PointWriting(const QString &key, const QList<Induction::SWriteInfo> &items,
                 const int &pauseMs) override;
    /* 29 */ CLabelVariable PointWriting(const QString &key,
                                         const Induction::SWriteInfo &item) override;
    /* 30 */ void SetDataInfo(const QString &key, const QList<DataInfo::SDataInfo> &info) override;

    // Address grammar: an address outside it names no area and byte address -1.
    AreaType getArea(QString address);
    int getAddr(QString address, AreaType area);
    unsigned getmodule_number(QString address, AreaType area);
    unsigned getmodule_bit(QString address, AreaType area);
    int getBytelen(DataType type, int count);

    CLabelVariable Read_data(int byteAddress, int dbNumber, int bit, DataType type, int count,
                             int area, QString address);
    CLabelVariable Write_data(int byteAddress, int dbNumber, int bit, DataType type, int count,
                              CLabelVariable value, int area, QString address);

    // Decoders: data bytes to a value list of count elements (bool: bits from startBit over
    // byteCount bytes).
    QVariant set_variant_bool(int startBit, QByteArray data, int byteCount);
    QVariant set_variant_Int8(QByteArray data, int count);
    QVariant set_variant_UInt8(QByteArray data, int count);
    QVariant set_variant_Int16(QByteArray data, int count);
    QVariant set_variant_UInt16(QByteArray data, int count);
    QVariant set_variant_Int32(QByteArray data, int count);
    QVariant set_variant_UInt32(QByteArray data, int count);
    QVariant set_variant_fload(QByteArray data, int count);
    QVariant set_variant_Int64(QByteArray data, int count);
    QVariant set_variant_UInt64(QByteArray data, int count);
    QVariant set_variant_double(QByteArray data, int count);
    // Encoders: 0 with count elements appended; -1 and nothing appended when the value holds
    // fewer than count elements of the type.
    int Wset_variant_bool(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_Int8(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_UInt8(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_Int16(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_uInt16(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_Int32(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_UInt32(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_float(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_Int64(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_UInt64(CLabelVariable value, int count, QByteArray *out);
    int Wset_variant_double(CLabelVariable value, int count, QByteArray *out);

    CmdSiemens_S7 &transport() { return m_transport; }

private:
    // Status of a label after a transport result.
    int statusOf(int transportResult) const;
    // Connects again to the controller of the last ConnectDrive when the connection has gone
    // (a reply time-out closes it): once per tick at most, and not in the tick that lost it, so
    // a dead controller costs one reply or connect time-out per tick. True when connected.
    bool reconnectIfDropped();
    // The checks before a read or write: 0, or the status that refuses it with no frame.
    int checkRequest(const S7::Address &address, DataType type, int count);

    CmdSiemens_S7 m_transport;
    quint32 m_connectionParameter = 1;
    QString m_plcAddress;
    int m_plcPort = 0;
    // Connected by ConnectDrive and not released since: a dropped connection is re-made.
    bool m_linked = false;
    // A reconnect was attempted since the tick began (InductiveDrive_Read).
    bool m_reconnectTried = false;
    // Grouped read lists by key, each block with its plan so a tick repeats it unchanged.
    QHash<QString, QMap<QList<Induction::SReadInfo>, S7::ReadPlan>> m_readLists;
    // The last list grouped by key, the PDU it was grouped for, and the blocks it gave.
    struct Grouping
    {
        QList<Induction::SReadInfo> items;
        int pdu = 0;
        QList<QList<Induction::SReadInfo>> blocks;
    };
    QHash<QString, Grouping> m_lastGrouping;
};
