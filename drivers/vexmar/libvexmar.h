#pragma once

#include "cmdvexmar.h"
#include "drivebaseclass.h"
#include "inductionengine.h"
#include "vexmarareas.h"
#include "vexmarcodecs.h"

#include <QObject>
#include <QString>

// The driver of the Vexmar controller family: parses the link string, reads and writes single
// labels through the CmdVexmar link, and serves the grouped reads and writes through its
// induction engine, which calls back into ReadVariable and WriteVariable.
class LibVexmar : public QObject, public CDriveBaseClass
{
    Q_OBJECT

public:
    LibVexmar();
    ~LibVexmar() override;

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

    // One read or write of count elements at an area code and element index; the label is
    // the address text, for the link's log lines.
    CLabelVariable Read_data(int area, int index, DataType type, int count, QString label);
    CLabelVariable Write_data(int area, int index, DataType type, CLabelVariable value, int count,
                              QString label);

    // The address areas as they travel on the wire (vexmarareas.h).
    static int getArea(QString address) { return Vexmar::getArea(address); }
    static int getAddr(QString address) { return Vexmar::getAddr(address); }
    static int getmaximum_length(int area) { return Vexmar::getmaximum_length(area); }
    static int getBytelen(DataType type, int count, int area)
    {
        return Vexmar::getBytelen(type, count, area);
    }

    // The value codecs (vexmarcodecs.h).
    static QVariant set_variant_bool(QByteArray d, int n) { return Vexmar::set_variant_bool(d, n); }
    static QVariant set_variant_Int8(QByteArray d, int n) { return Vexmar::set_variant_Int8(d, n); }
    static QVariant set_variant_UInt8(QByteArray d, int n)
    {
        return Vexmar::set_variant_UInt8(d, n);
    }
    static QVariant set_variant_Int16(QByteArray d, int n)
    {
        return Vexmar::set_variant_Int16(d, n);
    }
    static QVariant set_variant_UInt16(QByteArray d, int n)
    {
        return Vexmar::set_variant_UInt16(d, n);
    }
    static QVariant set_variant_Int32(QByteArray d, int n)
    {
        return Vexmar::set_variant_Int32(d, n);
    }
    static QVariant set_variant_UInt32(QByteArray d, int n)
    {
        return Vexmar::set_variant_UInt32(d, n);
    }
    static QVariant set_variant_fload(QByteArray d, int n)
    {
        return Vexmar::set_variant_fload(d, n);
    }
    static QVariant set_variant_Int64(QByteArray d, int n)
    {
        return Vexmar::set_variant_Int64(d, n);
    }
    static QVariant set_variant_UInt64(QByteArray d, int n)
    {
        return Vexmar::set_variant_UInt64(d, n);
    }
    static QVariant set_variant_double(QByteArray d, int n)
    {
        return Vexmar::set_variant_double(d, n);
    }
    static QVariant set_variant_string(QByteArray d, int n)
    {
        return Vexmar::set_variant_string(d, n);
    }
    static int Wset_variant_bool(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_bool(v, n, out);
    }
    static int Wset_variant_Int8(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_Int8(v, n, out);
    }
    static int Wset_variant_UInt8(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_UInt8(v, n, out);
    }
    static int Wset_variant_Int16(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_Int16(v, n, out);
    }
    static int Wset_variant_uInt16(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_uInt16(v, n, out);
    }
    static int Wset_variant_Int32(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_Int32(v, n, out);
    }
    static int Wset_variant_UInt32(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_UInt32(v, n, out);
    }
    static int Wset_variant_float(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_float(v, n, out);
    }
    static int Wset_variant_Int64(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_Int64(v, n, out);
    }
    static int Wset_variant_UInt64(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_UInt64(v, n, out);
    }
    static int Wset_variant_double(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_double(v, n, out);
    }
    static int Wset_variant_string(CLabelVariable v, int n, QByteArray *out)
    {
        return Vexmar::Wset_variant_string(v, n, out);
    }

    // "yyyy-MM-dd" of a compiler date text such as "Aug  9 2024"; empty when it does not parse.
    static QString buildDate(const QString &compilerDate);

    // The link, for tests and tools that tune its time-outs.
    CmdVexmar &transport() { return cmd; }

private:
    CLabelVariable InductionRead(const QString &key, QString address, DataType type, int count);
    CLabelVariable InductionWrite(const QString &key, QString address, DataType type,
                                  QVariant value, int count);

    InductionEngine engine;
    CmdVexmar cmd;
    int connectPar = 1;
    QString ipAddress;
    QString portName;
    int baudRate = 0;
    int dataBits = 0;
    int stopBits = 0;
    quint32 udpPort = 0;
    QString parity;
};
