#include "libvexmar.h"

#include "addressgrammar.h"
#include "vexmarframes.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QTime>

namespace {

// The length field of a transfer. A bit area carries one point per bit on the wire, so a
// number wider than a byte spans 8 points per byte there, as the 8-bit types already do;
// without this an Int16 of DI1 would read two points and decode as 0.
int transferLength(DataType type, int count, int area)
{
    const int len = Vexmar::getBytelen(type, count, area);
    if (len == 0 || !Vexmar::isBitArea(area) || elementSizeOfType(type) <= 1)
        return len;
    const qint64 points = qint64(len) * 8;
    return points < Vexmar::maxFrameDataBytes ? int(points) : 0;
}

// Elements the decoder makes of a read of len: bit areas and bool count elements, strings
// count strings, everything else whole elements of the bytes read.
int decodeCount(DataType type, int count, int len, int area)
{
    if (type == Bool || Vexmar::isBitArea(area))
        return count;
    return type == string ? len : len / elementSizeOfType(type);
}

// The checks both directions make before any frame: 0, or the status that refuses the call.
// An index of -1 (no digits, or 0) would reach the device as a wrong address, and a string
// outside the string area would be cut to its length byte, so neither is sent.
int refusal(int area, int index, DataType type, int count, bool write)
{
    if (area == Vexmar::AreaNone || index < 0)
        return LabelStatus::AreaNotRecognised;
    if (count < (write ? 0 : 1))
        return LabelStatus::BadCount;
    if (type == DataType::null)
        return LabelStatus::TypeNotSupported;
    if (type == string && !Vexmar::isStringArea(area))
        return LabelStatus::TypeNotSupported;
    if (!write)
        return 0;
    // The controllers take floats only in their analogue output and LA registers and 32-bit
    // integers only in LW.
    if (type == Float && area != Vexmar::AreaAO && area != Vexmar::AreaNAO
        && area != Vexmar::AreaLA)
        return LabelStatus::TypeNotSupported;
    if ((type == Int32 || type == UInt32) && area != Vexmar::AreaLW)
        return LabelStatus::TypeNotSupported;
    return 0;
}

} // namespace

LibVexmar::LibVexmar()
    : QObject(nullptr)
{
    engine.readCallback = [this](const QString &key, QString address, DataType type, int count) {
        return InductionRead(key, address, type, count);
    };
    engine.writeCallback
        = [this](const QString &key, QString address, DataType type, QVariant value, int count) {
              return InductionWrite(key, address, type, value, count);
          };
}

LibVexmar::~LibVexmar() = default;

QString LibVexmar::getDriveName()
{
    return QStringLiteral("Vexmar");
}

QString LibVexmar::getversion_number()
{
    return QStringLiteral("V1.8.4 202001027");
}

QString LibVexmar::buildDate(const QString &compilerDate)
{
    // The compiler pads the day with a space ("Aug  9 2024"); "d" takes one or two digits.
    QString text = compilerDate;
    text.replace(QLatin1String("  "), QLatin1String(" "));
    const QDate date
        = QLocale(QLocale::English, QLocale::AnyCountry).toDate(text, QStringLiteral("MMM d yyyy"));
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString LibVexmar::DebugCmd(EDebugCmdType command)
{
    switch (command) {
    case StartDebug:
        cmd.debugEnabled = true;
        return QStringLiteral("StartDebug");
    case StopDebug:
        cmd.debugEnabled = false;
        return QStringLiteral("StopDebug");
    case BuildInfo: {
        const QString time = QTime::fromString(QStringLiteral(__TIME__), QStringLiteral("hh:mm:ss"))
                                 .toString(QStringLiteral("hh:mm:ss"));
        return QStringLiteral("v%1.%2.%3 %4 %5")
            .arg(2)
            .arg(1)
            .arg(0)
            .arg(buildDate(QStringLiteral(__DATE__)), time);
    }
    case DriveName:
        return getDriveName();
    }
    return QString();
}

int LibVexmar::ConnectDrive(QString link)
{
    const QStringList net = link.split(QLatin1Char(':'));
    if (net.size() == 2) {
        bool isNumber = false;
        const uint port = net.at(1).toUInt(&isNumber);
        // Port 0 names no controller, and a larger number would be cut to 16 bits and reach
        // some other port.
        if (!isNumber || port == 0 || port > 65535)
            return -1;
        ipAddress = net.at(0);
        udpPort = port;
        return cmd.OpenUdp(ipAddress, int(udpPort));
    }
    const QStringList serial = link.split(QLatin1Char(','));
    if (serial.size() != 5)
        return -1;
    portName = serial.at(0);
    baudRate = serial.at(1).toInt();
    dataBits = serial.at(2).toInt();
    stopBits = serial.at(3).toInt();
    parity = serial.at(4);
    return cmd.OpenSerial(portName, baudRate, dataBits, stopBits, parity);
}

int LibVexmar::SetConnectPar(QString par)
{
    connectPar = int(par.toUInt());
    return connectPar;
}

int LibVexmar::DisConnectDrive()
{
    // After DestroyFree the socket or port is gone and there is nothing left to close.
    if (udpPort > 0)
        return cmd.hasUdpSocket() ? cmd.CloseUdp() : -1;
    if (baudRate > 0 && dataBits != 0 && stopBits != 0)
        return cmd.CloseSerial();
    return -1;
}

CLabelVariable LibVexmar::ReadVariable(QString address, DataType type)
{
    return ReadVariable(address, type, 1);
}

CLabelVariable LibVexmar::ReadVariable(QString address, DataType type, int count)
{
    CLabelVariable result;
    result.time = QDateTime::currentDateTime();
    const int area = getArea(address);
    const int index = getAddr(address);
    const int refused = refusal(area, index, type, count, false);
    if (refused != 0)
        result.status = refused;
    else
        result = Read_data(area, index, type, count, address);
    result.name = address;
    result.type = type;
    result.count = count;
    return result;
}

CLabelVariable LibVexmar::WriteVariable(QString address, DataType type, CLabelVariable value)
{
    return WriteVariable(address, type, value, 1);
}

CLabelVariable LibVexmar::WriteVariable(QString address, DataType type, CLabelVariable value,
                                        int count)
{
    CLabelVariable v(value);
    const int area = getArea(address);
    const int index = getAddr(address);
    const int refused = refusal(area, index, type, count, true);
    if (refused != 0)
        v.status = refused;
    else
        v = Write_data(area, index, type, v, count, address);
    v.name = address;
    v.type = type;
    v.count = count;
    return v;
}

CLabelVariable LibVexmar::Read_data(int area, int index, DataType type, int count, QString label)
{
    CLabelVariable result;
    const int len = transferLength(type, count, area);
    const Vexmar::Decoder decode = Vexmar::decoderFor(type);
    if (len == 0 || count == 0 || !decode) {
        result.status = LabelStatus::BadCount;
        return result;
    }
    QByteArray data;
    int r;
    if (type == Bool)
        r = cmd.ReadBits(area, index, count, &data, label);
    else if (type == string)
        r = cmd.ReadString(area, index, len, &data, label);
    else
        r = cmd.ReadValues(area, index, len, &data, label);
    if (r != CmdVexmar::Ok) {
        result.status = CmdVexmar::statusOf(r);
        return result;
    }
    result.time = QDateTime::currentDateTime();
    result.status = LabelStatus::Ok;

    int n = decodeCount(type, count, len, area);
    if (Vexmar::isStringArea(area) && type == Int8) {
        // Bytes of whole slots, each as its text: its length byte is not part of it, and what
        // lies past the length is not either, as the string read takes it.
        data = Vexmar::slotsAsText(data);
        n -= n / Vexmar::stringSlotBytes;
    }
    result.value = decode(data, n);
    return result;
}

CLabelVariable LibVexmar::Write_data(int area, int index, DataType type, CLabelVariable value,
                                     int count, QString label)
{
    const int len = transferLength(type, count, area);
    const Vexmar::Encoder encode = Vexmar::encoderFor(type);
    QByteArray data;
    // The encoder refuses a list shorter than the count rather than send bytes nobody gave.
    if (len == 0 || count == 0 || !encode || encode(value, count, &data) != Vexmar::CodecOk) {
        value.status = LabelStatus::BadCount;
        return value;
    }
    // The byte length of an 8-bit write is rounded down to the area's unit; the bytes past it
    // would silently stay unwritten while the write reports success.
    const int carried = Vexmar::isBitArea(area) ? len / 8 : len;
    if (type != Bool && type != string && carried != data.size()) {
        value.status = LabelStatus::BadCount;
        return value;
    }
    int r;
    if (type == Bool)
        r = cmd.WriteBits(area, index, len, data, label);
    else if (type == string)
        r = cmd.WriteString(area, index, count, data, label);
    else
        r = cmd.WriteValues(area, index, len, data, label);
    if (r == CmdVexmar::Ok) {
        value.time = QDateTime::currentDateTime();
        value.status = LabelStatus::Ok;
    } else if (CmdVexmar::statusOf(r) != LabelStatus::NotDone) {
        value.status = CmdVexmar::statusOf(r);
    }
    return value;
}

int LibVexmar::DestroyFree()
{
    return cmd.CloseTransport();
}

CLabelVariable LibVexmar::InductionRead(const QString &key, QString address, DataType type,
                                        int count)
{
    SetConnectPar(key);
    return ReadVariable(address, type, count);
}

CLabelVariable LibVexmar::InductionWrite(const QString &key, QString address, DataType type,
                                         QVariant value, int count)
{
    SetConnectPar(key);
    CLabelVariable record;
    record.value = value;
    record.name = address;
    record.count = count;
    record.type = type;
    return WriteVariable(address, type, record, count);
}

void LibVexmar::SetInductionParam(const Induction::EInductionFun &fun,
                                  const Induction::EInductionType &type, const int &value)
{
    engine.SetInductionParam(fun, type, value);
}

QList<QList<Induction::SReadInfo>>
LibVexmar::InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &items)
{
    return engine.InductiveDrive_Read(key, items);
}

QList<QList<Induction::SReadInfo>>
LibVexmar::InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo_manual> &blocks)
{
    return engine.InductiveDrive_Read(key, blocks);
}

void LibVexmar::DelInductiveDrive_Read(const QString &key)
{
    engine.DelInductiveDrive_Read(key);
}

void LibVexmar::DelInductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &block)
{
    engine.DelInductiveDrive_Read(key, block);
}

void LibVexmar::DelCannotInductiveDrive_Read(const QString &key)
{
    engine.DelCannotInductiveDrive_Read(key);
}

QMap<QList<Induction::SReadInfo>, SReadBlock> LibVexmar::GetInductiveDrive_Read(const QString &key)
{
    return engine.GetInductiveDrive_Read(key);
}

SReadBlock LibVexmar::GetInductiveDrive_Read(const QString &key,
                                             const QList<Induction::SReadInfo> &block)
{
    return engine.GetInductiveDrive_Read(key, block);
}

QList<Induction::SReadInfo> LibVexmar::GetCannotInductiveDrive_Read(const QString &key)
{
    return engine.GetCannotInductiveDrive_Read(key);
}

QMap<Induction::SReadInfo, CLabelVariable>
LibVexmar::BlockReading(const QString &key, const QList<Induction::SReadInfo> &block)
{
    return engine.BlockReading(key, block);
}

QMap<Induction::SReadInfo, CLabelVariable>
LibVexmar::PointReading(const QString &key, const QList<Induction::SReadInfo> &items,
                        const int &pauseMs)
{
    return engine.PointReading(key, items, pauseMs);
}

CLabelVariable LibVexmar::PointReading(const QString &key, const Induction::SReadInfo &item)
{
    return engine.PointReading(key, item);
}

QList<QList<Induction::SWriteInfo>>
LibVexmar::InductiveDrive_Write(const QString &key, const QList<Induction::SWriteInfo> &items)
{
    return engine.InductiveDrive_Write(key, items);
}

QMap<QList<Induction::SWriteInfo>, SWriteBlock>
LibVexmar::GetInductiveDrive_Write(const QString &key)
{
    return engine.GetInductiveDrive_Write(key);
}

SWriteBlock LibVexmar::GetInductiveDrive_Write(const QString &key,
                                               const QList<Induction::SWriteInfo> &block)
{
    return engine.GetInductiveDrive_Write(key, block);
}

QList<Induction::SWriteInfo> LibVexmar::GetCannotInductiveDrive_Write(const QString &key)
{
    return engine.GetCannotInductiveDrive_Write(key);
}

QMap<Induction::SWriteInfo, CLabelVariable>
LibVexmar::BlockWriting(const QString &key, const QList<Induction::SWriteInfo> &block)
{
    return engine.BlockWriting(key, block);
}

QMap<Induction::SWriteInfo, CLabelVariable>
LibVexmar::PointWriting(const QString &key, const QList<Induction::SWriteInfo> &items,
                        const int &pauseMs)
{
    return engine.PointWriting(key, items, pauseMs);
}

CLabelVariable LibVexmar::PointWriting(const QString &key, const Induction::SWriteInfo &item)
{
    return engine.PointWriting(key, item);
}

void LibVexmar::SetDataInfo(const QString &, const QList<DataInfo::SDataInfo> &) {}
