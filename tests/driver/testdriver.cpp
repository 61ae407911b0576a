// A scriptable driver library: loaded from libdrive like a real driver, answering from a
// TestDriverControl and recording every call with its slot.
#include "testdrivercontrol.h"

#include "elementtype.h"

#include <QDateTime>
#include <QObject>

#include <cmath>

namespace {

TestDriverControl &control()
{
    static TestDriverControl c;
    return c;
}

// The default value of a read: x, or for bool whether x is odd, so values change every tick.
QVariant valueOf(int type, double x)
{
    return oneElementList(type, baseDataType(type) == Bool ? std::fmod(x, 2.0) : x);
}

} // namespace

class LibTestDriver : public QObject, public CDriveBaseClass
{
public:
    QString getDriveName() override
    {
        log(0, "getDriveName");
        return QStringLiteral("TestDriver");
    }
    QString getversion_number() override
    {
        log(1, "getversion_number");
        return QStringLiteral("v0.0.1");
    }
    QString DebugCmd(EDebugCmdType cmd) override
    {
        log(2, "DebugCmd", {QString::number(cmd)});
        switch (cmd) {
        case StartDebug:
            return QStringLiteral("StartDebug");
        case StopDebug:
            return QStringLiteral("StopDebug");
        case BuildInfo:
            return QStringLiteral("v0.0.1 test");
        case DriveName:
            return QStringLiteral("TestDriver");
        }
        return QString();
    }
    int ConnectDrive(QString link) override
    {
        log(3, "ConnectDrive", {link});
        return control().connectResult;
    }
    int SetConnectPar(QString par) override
    {
        log(4, "SetConnectPar", {par});
        return 0;
    }
    int DisConnectDrive() override
    {
        log(5, "DisConnectDrive");
        return 0;
    }
    CLabelVariable ReadVariable(QString address, DataType type) override
    {
        log(6, "ReadVariable", {address, QString::number(type)});
        return read(address, type, 1);
    }
    CLabelVariable ReadVariable(QString address, DataType type, int count) override
    {
        log(7, "ReadVariable", {address, QString::number(type), QString::number(count)});
        return read(address, type, count);
    }
    CLabelVariable WriteVariable(QString address, DataType type, CLabelVariable value) override
    {
        log(8, "WriteVariable", {address, QString::number(type)});
        return write(address, type, value, 1);
    }
    CLabelVariable WriteVariable(QString address, DataType type, CLabelVariable value,
                                 int count) override
    {
        log(9, "WriteVariable", {address, QString::number(type), QString::number(count)});
        return write(address, type, value, count);
    }
    int DestroyFree() override
    {
        log(10, "DestroyFree");
        return control().destroyResult;
    }
    void SetInductionParam(const Induction::EInductionFun &fun,
                           const Induction::EInductionType &type, const int &value) override
    {
        log(11, "SetInductionParam",
            {QString::number(fun), QString::number(type), QString::number(value)});
    }
    QList<QList<Induction::SReadInfo>> InductiveDrive_Read(
        const QString &key, const QList<Induction::SReadInfo> &items) override
    {
        log(12, "InductiveDrive_Read", {key, QString::number(items.size())});
        QList<QList<Induction::SReadInfo>> blocks;
        const int size = control().blockSize > 0 ? control().blockSize : items.size();
        for (int i = 0; i < items.size(); i += size)
            blocks.append(items.mid(i, size));
        return blocks;
    }
    QList<QList<Induction::SReadInfo>> InductiveDrive_Read(
        const QString &key, const QList<Induction::SReadInfo_manual> &blocks) override
    {
        log(13, "InductiveDrive_Read", {key, QString::number(blocks.size())});
        QList<QList<Induction::SReadInfo>> result;
        for (const Induction::SReadInfo_manual &b : blocks) {
            QList<Induction::SReadInfo> members;
            for (const Induction::SManualMember &m : b.members)
                members.append(m.info);
            result.append(members);
        }
        return result;
    }
    void DelInductiveDrive_Read(const QString &key) override
    {
        log(14, "DelInductiveDrive_Read", {key});
    }
    void DelInductiveDrive_Read(const QString &key,
                                const QList<Induction::SReadInfo> &block) override
    {
        log(15, "DelInductiveDrive_Read", {key, QString::number(block.size())});
    }
    void DelCannotInductiveDrive_Read(const QString &key) override
    {
        log(16, "DelCannotInductiveDrive_Read", {key});
    }
    QMap<QList<Induction::SReadInfo>, SReadBlock> GetInductiveDrive_Read(
        const QString &key) override
    {
        log(17, "GetInductiveDrive_Read", {key});
        return {};
    }
    SReadBlock GetInductiveDrive_Read(const QString &key,
                                      const QList<Induction::SReadInfo> &block) override
    {
        log(18, "GetInductiveDrive_Read", {key, QString::number(block.size())});
        return SReadBlock();
    }
    QList<Induction::SReadInfo> GetCannotInductiveDrive_Read(const QString &key) override
    {
        log(19, "GetCannotInductiveDrive_Read", {key});
        return {};
    }
    QMap<Induction::SReadInfo, CLabelVariable> BlockReading(
        const QString &key, const QList<Induction::SReadInfo> &block) override
    {
        log(20, "BlockReading", {key, QString::number(block.size())});
        const int reading = ++control().blockReadings;
        QMap<Induction::SReadInfo, CLabelVariable> result;
        for (const Induction::SReadInfo &item : block) {
            if (control().omitted.contains(item.name))
                continue;
            CLabelVariable record = read(item.name, static_cast<DataType>(item.type), 1);
            const auto failed = control().statusByReading.constFind(reading);
            if (failed != control().statusByReading.cend()) {
                record = CLabelVariable();
                record.name = item.name;
                record.type = item.type;
                record.status = failed.value();
            }
            result.insert(item, record);
        }
        return result;
    }
    QMap<Induction::SReadInfo, CLabelVariable> PointReading(
        const QString &key, const QList<Induction::SReadInfo> &items, const int &pauseMs) override
    {
        log(21, "PointReading", {key, QString::number(items.size()), QString::number(pauseMs)});
        QMap<Induction::SReadInfo, CLabelVariable> result;
        for (const Induction::SReadInfo &item : items)
            result.insert(item, read(item.name, static_cast<DataType>(item.type), 1));
        return result;
    }
    CLabelVariable PointReading(const QString &key, const Induction::SReadInfo &item) override
    {
        log(22, "PointReading", {key, item.name});
        return read(item.name, static_cast<DataType>(item.type), 1);
    }
    QList<QList<Induction::SWriteInfo>> InductiveDrive_Write(
        const QString &key, const QList<Induction::SWriteInfo> &items) override
    {
        log(23, "InductiveDrive_Write", {key, QString::number(items.size())});
        return {items};
    }
    QMap<QList<Induction::SWriteInfo>, SWriteBlock> GetInductiveDrive_Write(
        const QString &key) override
    {
        log(24, "GetInductiveDrive_Write", {key});
        return {};
    }
    SWriteBlock GetInductiveDrive_Write(const QString &key,
                                        const QList<Induction::SWriteInfo> &block) override
    {
        log(25, "GetInductiveDrive_Write", {key, QString::number(block.size())});
        return SWriteBlock();
    }
    QList<Induction::SWriteInfo> GetCannotInductiveDrive_Write(const QString &key) override
    {
        log(26, "GetCannotInductiveDrive_Write", {key});
        return {};
    }
    QMap<Induction::SWriteInfo, CLabelVariable> BlockWriting(
        const QString &key, const QList<Induction::SWriteInfo> &block) override
    {
        log(27, "BlockWriting", {key, QString::number(block.size())});
        return writeAll(block);
    }
    QMap<Induction::SWriteInfo, CLabelVariable> PointWriting(
        const QString &key, const QList<Induction::SWriteInfo> &items, const int &pauseMs) override
    {
        log(28, "PointWriting", {key, QString::number(items.size()), QString::number(pauseMs)});
        return writeAll(items);
    }
    CLabelVariable PointWriting(const QString &key, const Induction::SWriteInfo &item) override
    {
        log(29, "PointWriting", {key, item.name});
        return writeAll({item}).value(item);
    }
    void SetDataInfo(const QString &key, const QList<DataInfo::SDataInfo> &info) override
    {
        log(30, "SetDataInfo", {key, QString::number(info.size())});
    }

private:
    void log(int slot, const char *operation, const QStringList &args = {})
    {
        if (control().recordCalls)
            control().calls.append({this, slot, QString::fromLatin1(operation), args});
    }

    CLabelVariable read(const QString &address, DataType type, int count)
    {
        CLabelVariable r;
        r.name = address;
        r.type = type;
        r.count = count;
        r.status = control().statusByAddress.value(address, 0);
        if (r.status == 0) {
            r.time = QDateTime::currentDateTime();
            r.value = control().valueByAddress.contains(address)
                          ? control().valueByAddress.value(address)
                          : valueOf(type, control().blockReadings);
        }
        return r;
    }

    CLabelVariable write(const QString &address, DataType type, const CLabelVariable &value,
                         int count)
    {
        control().written.insert(address, value);
        CLabelVariable r;
        r.name = address;
        r.type = type;
        r.count = count;
        r.status = control().writeStatus;
        if (r.status == 0)
            control().valueByAddress.insert(address, value.value);
        return r;
    }

    QMap<Induction::SWriteInfo, CLabelVariable> writeAll(const QList<Induction::SWriteInfo> &items)
    {
        QMap<Induction::SWriteInfo, CLabelVariable> result;
        for (const Induction::SWriteInfo &item : items) {
            CLabelVariable v;
            v.value = item.value;
            v.count = 1;
            v.type = item.type;
            result.insert(item, write(item.name, static_cast<DataType>(item.type), v, 1));
        }
        return result;
    }
};

MORVELIN_DRIVER_EXPORT CDriveBaseClass *getSharedLibrary()
{
    return new LibTestDriver;
}

MORVELIN_DRIVER_EXPORT TestDriverControl *testDriverControl()
{
    return &control();
}
