#include "libcorvid.h"

#include "s7codec.h"

#include <QDateTime>

namespace {

QString areaText(int area, int dbNumber)
{
    switch (area) {
    case LibCorvid::AreaI:
        return QStringLiteral("I");
    case LibCorvid::AreaQ:
        return QStringLiteral("Q");
    case LibCorvid::AreaM:
        return QStringLiteral("M");
    case LibCorvid::AreaDB:
        return QStringLiteral("DB%1").arg(dbNumber);
    default:
        return QString();
    }
}

// Status of an item the controller refused, by the meaning of its return code.
int refusalStatus(quint8 code)
{
    switch (code) {
    case 0x0A: // object does not exist: no such data block
        return LabelStatus::AreaNotRecognised;
    case 0x06: // data type not supported
    case 0x07: // data type inconsistent
        return LabelStatus::TypeNotSupported;
    default: // 0x05 address out of range, 0x03 access denied, hardware faults
        return LabelStatus::AddressOutOfRange;
    }
}

CLabelVariable entryFor(const Induction::SReadInfo &info, int status)
{
    CLabelVariable entry;
    entry.status = status;
    entry.name = info.name;
    entry.type = info.type;
    entry.count = 1;
    return entry;
}

} // namespace

LibCorvid::LibCorvid() = default;

LibCorvid::~LibCorvid() = default;

QString LibCorvid::getDriveName()
{
    return QStringLiteral("Siemens_S7");
}

QString LibCorvid::getversion_number()
{
    return QStringLiteral("V1.8.2 20230221");
}

QString LibCorvid::DebugCmd(EDebugCmdType cmd)
{
    switch (cmd) {
    case StartDebug:
        m_transport.debugEnabled = true;
        return QStringLiteral("StartDebug");
    case StopDebug:
        m_transport.debugEnabled = false;
        return QStringLiteral("StopDebug");
    case BuildInfo:
        return QStringLiteral("v1.8.2 %1 %2").arg(QLatin1String(__DATE__), QLatin1String(__TIME__));
    case DriveName:
        return getDriveName();
    }
    return QString();
}

int LibCorvid::ConnectDrive(QString link)
{
    const int colon = link.indexOf(QLatin1Char(':'));
    m_plcAddress = colon < 0 ? link : link.left(colon);
    m_plcPort = (colon < 0 ? link : link.mid(colon + 1)).toInt();
    m_linked = false;
    if (m_plcAddress.isEmpty() || m_plcPort <= 0 || m_plcPort > 65535)
        return -1;
    const int result = m_transport.ConnectToPlc(m_plcAddress, m_plcPort);
    m_linked = result == 0;
    m_reconnectTried = false;
    return result;
}

bool LibCorvid::reconnectIfDropped()
{
    if (m_transport.isConnected())
        return true;
    if (!m_linked || m_reconnectTried)
        return false;
    m_reconnectTried = true;
    return m_transport.ConnectToPlc(m_plcAddress, m_plcPort) == 0;
}

int LibCorvid::SetConnectPar(QString par)
{
    m_connectionParameter = par.toUInt();
    return int(m_connectionParameter);
}

int LibCorvid::DisConnectDrive()
{
    m_linked = false;
    return m_transport.DisconnectFromPlc();
}

CLabelVariable LibCorvid::ReadVariable(QString address, DataType type)
{
    return ReadVariable(address, type, 1);
}

int LibCorvid::checkRequest(const S7::Address &address, DataType type, int count)
{
    if (!address.valid)
        return LabelStatus::AddressOutOfRange;
    if (count <= 0)
        return LabelStatus::BadCount;
    if (address.byteAddress + count > S7::maxByteAddress)
        return LabelStatus::AddressOutOfRange;
    if (getBytelen(type, count) == 0)
        return LabelStatus::TypeNotSupported; // no codec: nothing worth a request
    return LabelStatus::Ok;
}

CLabelVariable LibCorvid::ReadVariable(QString address, DataType type, int count)
{
    CLabelVariable result;
    result.time = QDateTime::currentDateTime();
    const S7::Address a = S7::parseAddress(address);
    const int refusal = checkRequest(a, type, count);
    if (refusal != LabelStatus::Ok)
        result.status = refusal;
    else
        result = Read_data(a.byteAddress, a.dbNumber, a.bit, type, count, a.area, address);
    result.name = address;
    result.type = type;
    result.count = count;
    return result;
}

CLabelVariable LibCorvid::Read_data(int byteAddress, int dbNumber, int bit, DataType type,
                                    int count, int area, QString address)
{
    CLabelVariable result;
    // Bools start at their bit, so a run may reach into one more byte than count / 8.
    const int bytes = type == Bool ? (bit + count + 7) / 8 : getBytelen(type, count);
    QByteArray data;
    const int rc = m_transport.ReadArea(byteAddress, bytes, &data, dbNumber, area, address);
    if (rc != CmdSiemens_S7::Ok) {
        result.status = statusOf(rc);
        return result;
    }
    result.time = QDateTime::currentDateTime();
    result.value = S7::decodeValue(type, data, count, bit);
    result.status = result.value.isValid() ? LabelStatus::Ok : LabelStatus::TypeNotSupported;
    return result;
}

CLabelVariable LibCorvid::WriteVariable(QString address, DataType type, CLabelVariable value)
{
    return WriteVariable(address, type, value, 1);
}

CLabelVariable LibCorvid::WriteVariable(QString address, DataType type, CLabelVariable value,
                                        int count)
{
    const S7::Address a = S7::parseAddress(address);
    const int refusal = checkRequest(a, type, count);
    if (refusal != LabelStatus::Ok)
        value.status = refusal;
    else {
        reconnectIfDropped();
        value = Write_data(a.byteAddress, a.dbNumber, a.bit, type, count, value, a.area, address);
        if (!m_transport.isConnected())
            m_reconnectTried = true;
        // Inputs are overwritten by the controller's next input scan: the write is reported.
        if (a.area == AreaI && value.status == LabelStatus::Ok)
            value.status = LabelStatus::WriteToInputArea;
    }
    value.name = address;
    value.type = type;
    value.count = count;
    return value;
}

CLabelVariable LibCorvid::Write_data(int byteAddress, int dbNumber, int bit, DataType type,
                                     int count, CLabelVariable value, int area, QString address)
{
    CLabelVariable result = value;
    QByteArray data;
    if (S7::encodeValue(type, value, count, &data) != 0) {
        result.status = LabelStatus::BadCount; // the value holds fewer elements than count
        return result;
    }
    int rc;
    if (type == Bool) {
        // Bit access: a byte write would overwrite the seven neighbouring bits.
        rc = m_transport.WriteBits(dbNumber, byteAddress * 8 + bit, data, area, address);
    } else {
        // Only bools address bits; other types stay on their byte.
        rc = m_transport.WriteArea(dbNumber, byteAddress * 8, data.size(), &data, area, address);
    }
    result.status = statusOf(rc);
    if (rc == CmdSiemens_S7::Ok)
        result.time = QDateTime::currentDateTime();
    return result;
}

int LibCorvid::DestroyFree()
{
    m_linked = false;
    return m_transport.DestroyFree();
}

int LibCorvid::statusOf(int transportResult) const
{
    switch (transportResult) {
    case CmdSiemens_S7::Ok:
        return LabelStatus::Ok;
    case CmdSiemens_S7::FrameError:
        return LabelStatus::ReplyFrameError;
    case CmdSiemens_S7::NoReply:
        return LabelStatus::ResponseTimeout;
    case CmdSiemens_S7::NotConnected:
        return LabelStatus::DeviceOffline;
    case CmdSiemens_S7::BadLength:
        return LabelStatus::BadCount;
    case CmdSiemens_S7::Refused:
        return refusalStatus(m_transport.lastReturnCode());
    default:
        return LabelStatus::NotDone;
    }
}

LibCorvid::AreaType LibCorvid::getArea(QString address)
{
    return AreaType(S7::parseAddress(address).area);
}

int LibCorvid::getAddr(QString address, AreaType)
{
    return S7::parseAddress(address).byteAddress;
}

unsigned LibCorvid::getmodule_number(QString address, AreaType)
{
    return unsigned(S7::parseAddress(address).dbNumber);
}

unsigned LibCorvid::getmodule_bit(QString address, AreaType)
{
    return unsigned(S7::parseAddress(address).bit);
}

int LibCorvid::getBytelen(DataType type, int count)
{
    return S7::byteLength(type, count);
}

// Grouped reads ------------------------------------------------------------------------------

void LibCorvid::SetInductionParam(const Induction::EInductionFun &,
                                  const Induction::EInductionType &, const int &)
{
    // Grouping follows the PDU the controller grants; there is nothing to set.
}

QList<QList<Induction::SReadInfo>>
LibCorvid::InductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &items)
{
    // A new tick: a dropped connection may be re-made once more.
    m_reconnectTried = false;
    // The polling loop hands over the same list on every tick: group it once per list and PDU.
    const int pdu = m_transport.pduLength();
    const auto last = m_lastGrouping.constFind(key);
    if (last != m_lastGrouping.cend() && last->pdu == pdu && last->items == items)
        return last->blocks;
    const S7::ReadPlan plan = S7::planReads(items, pdu);
    QMap<QList<Induction::SReadInfo>, S7::ReadPlan> stored;
    QList<QList<Induction::SReadInfo>> blocks;
    // Each job becomes a block that carries its own plan of one request.
    for (const S7::PlannedJob &job : plan.jobs) {
        S7::ReadPlan part;
        S7::PlannedJob local;
        local.items = job.items;
        QList<Induction::SReadInfo> block;
        for (const QList<int> &members : job.members) {
            QList<int> localMembers;
            for (int i : members) {
                localMembers.append(part.labels.size());
                part.labels.append(plan.labels.at(i));
                block.append(plan.labels.at(i).info);
            }
            local.members.append(localMembers);
        }
        part.jobs.append(local);
        stored.insert(block, part);
        blocks.append(block);
    }
    if (!plan.unreadable.isEmpty()) {
        S7::ReadPlan part;
        QList<Induction::SReadInfo> block;
        for (int i : plan.unreadable) {
            part.unreadable.append(part.labels.size());
            part.labels.append(plan.labels.at(i));
            block.append(plan.labels.at(i).info);
        }
        stored.insert(block, part);
        blocks.append(block);
    }
    m_readLists.insert(key, stored);
    m_lastGrouping.insert(key, Grouping{items, pdu, blocks});
    return blocks;
}

QList<QList<Induction::SReadInfo>>
LibCorvid::InductiveDrive_Read(const QString &, const QList<Induction::SReadInfo_manual> &)
{
    return {}; // caller-laid-out blocks are a feature of the controller-family driver
}

void LibCorvid::DelInductiveDrive_Read(const QString &key)
{
    m_readLists.remove(key);
    m_lastGrouping.remove(key);
}

void LibCorvid::DelInductiveDrive_Read(const QString &key, const QList<Induction::SReadInfo> &block)
{
    auto it = m_readLists.find(key);
    if (it != m_readLists.end())
        it->remove(block);
    m_lastGrouping.remove(key);
}

void LibCorvid::DelCannotInductiveDrive_Read(const QString &)
{
    // Every record lands in a block; there is no list of left-out records.
}

QMap<QList<Induction::SReadInfo>, SReadBlock> LibCorvid::GetInductiveDrive_Read(const QString &key)
{
    QMap<QList<Induction::SReadInfo>, SReadBlock> result;
    const auto stored = m_readLists.value(key);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        result.insert(it.key(), GetInductiveDrive_Read(key, it.key()));
    return result;
}

SReadBlock LibCorvid::GetInductiveDrive_Read(const QString &key,
                                             const QList<Induction::SReadInfo> &block)
{
    SReadBlock info;
    const S7::ReadPlan plan = m_readLists.value(key).value(block);
    if (plan.jobs.isEmpty())
        return info;
    const S7::PlannedJob &job = plan.jobs.first();
    const S7::ReadItem &first = job.items.first();
    info.areaText = areaText(first.area, first.dbNumber);
    info.start = QString::number(first.byteAddress);
    info.type = Induction::InductionWord;
    for (int i = 0; i < job.items.size(); ++i) {
        info.length += job.items.at(i).byteCount;
        for (int m : job.members.at(i)) {
            SMemberPos pos;
            pos.offset = plan.labels.at(m).address.byteAddress - job.items.at(i).byteAddress;
            pos.unitBytes = 1;
            info.members.insert(plan.labels.at(m).info, pos);
        }
    }
    return info;
}

QList<Induction::SReadInfo> LibCorvid::GetCannotInductiveDrive_Read(const QString &)
{
    return {};
}

QMap<Induction::SReadInfo, CLabelVariable>
LibCorvid::BlockReading(const QString &key, const QList<Induction::SReadInfo> &block)
{
    const auto stored = m_readLists.constFind(key);
    S7::ReadPlan plan;
    if (stored != m_readLists.cend() && stored->contains(block))
        plan = stored->value(block);
    else
        plan = S7::planReads(block, m_transport.pduLength()); // a block nobody grouped here

    QMap<Induction::SReadInfo, CLabelVariable> result;
    // The clock costs a time-zone look-up: read it once per reply, not once per label.
    const QDateTime now = plan.unreadable.isEmpty() ? QDateTime() : QDateTime::currentDateTime();
    for (int i : plan.unreadable) {
        CLabelVariable entry = entryFor(plan.labels.at(i).info, plan.labels.at(i).status);
        entry.time = now;
        result.insert(plan.labels.at(i).info, entry);
    }
    if (!plan.jobs.isEmpty())
        reconnectIfDropped();
    for (const S7::PlannedJob &job : plan.jobs) {
        QList<S7::ItemResult> items;
        const int rc = m_transport.ReadItems(job.items, &items,
                                             plan.labels.at(job.members.first().first()).info.name);
        // A connection that failed in this tick is tried again in the next one, not now.
        if (!m_transport.isConnected())
            m_reconnectTried = true;
        const QDateTime readAt
            = rc == CmdSiemens_S7::Ok ? QDateTime::currentDateTime() : QDateTime();
        for (int k = 0; k < job.items.size(); ++k) {
            const quint8 code = rc == CmdSiemens_S7::Ok ? items.at(k).returnCode : 0;
            for (int m : job.members.at(k)) {
                const S7::PlannedLabel &label = plan.labels.at(m);
                CLabelVariable entry = entryFor(label.info, LabelStatus::NotDone);
                if (rc != CmdSiemens_S7::Ok) {
                    entry.status = statusOf(rc);
                } else if (code != S7::itemOk) {
                    entry.status = refusalStatus(code);
                } else {
                    const int offset = label.address.byteAddress - job.items.at(k).byteAddress;
                    entry.value = S7::decodeValue(label.info.type,
                                                  items.at(k).data.mid(offset, label.bytes), 1,
                                                  label.address.bit);
                    entry.status = LabelStatus::Ok;
                    entry.time = readAt;
                }
                result.insert(label.info, entry);
            }
        }
    }
    return result;
}

QMap<Induction::SReadInfo, CLabelVariable>
LibCorvid::PointReading(const QString &, const QList<Induction::SReadInfo> &items, const int &)
{
    QMap<Induction::SReadInfo, CLabelVariable> result;
    for (const Induction::SReadInfo &item : items)
        result.insert(item, ReadVariable(item.name, DataType(item.type), 1));
    return result;
}

CLabelVariable LibCorvid::PointReading(const QString &, const Induction::SReadInfo &item)
{
    return ReadVariable(item.name, DataType(item.type), 1);
}

// Grouped writes: every record is its own write, in the order given --------------------------

QList<QList<Induction::SWriteInfo>>
LibCorvid::InductiveDrive_Write(const QString &, const QList<Induction::SWriteInfo> &items)
{
    QList<QList<Induction::SWriteInfo>> blocks;
    for (const Induction::SWriteInfo &item : items)
        blocks.append({item});
    return blocks;
}

QMap<QList<Induction::SWriteInfo>, SWriteBlock> LibCorvid::GetInductiveDrive_Write(const QString &)
{
    return {};
}

SWriteBlock LibCorvid::GetInductiveDrive_Write(const QString &,
                                               const QList<Induction::SWriteInfo> &)
{
    return {};
}

QList<Induction::SWriteInfo> LibCorvid::GetCannotInductiveDrive_Write(const QString &)
{
    return {};
}

QMap<Induction::SWriteInfo, CLabelVariable>
LibCorvid::BlockWriting(const QString &key, const QList<Induction::SWriteInfo> &block)
{
    QMap<Induction::SWriteInfo, CLabelVariable> result;
    for (const Induction::SWriteInfo &item : block)
        result.insert(item, PointWriting(key, item));
    return result;
}

QMap<Induction::SWriteInfo, CLabelVariable>
LibCorvid::PointWriting(const QString &key, const QList<Induction::SWriteInfo> &items, const int &)
{
    return BlockWriting(key, items);
}

CLabelVariable LibCorvid::PointWriting(const QString &, const Induction::SWriteInfo &item)
{
    CLabelVariable value;
    value.value = item.value;
    return WriteVariable(item.name, DataType(item.type), value, 1);
}

void LibCorvid::SetDataInfo(const QString &, const QList<DataInfo::SDataInfo> &) {}

// Codecs ---------------------------------------------------------------------------------------

QVariant LibCorvid::set_variant_bool(int startBit, QByteArray data, int byteCount)
{
    return S7::decodeBits(startBit, data, byteCount);
}

#define CORVID_CODEC(Type, Decoder, Encoder)                                                       \
    QVariant LibCorvid::Decoder(QByteArray data, int count)                                        \
    {                                                                                              \
        return S7::decodeValue(Type, data, count, 0);                                              \
    }                                                                                              \
    int LibCorvid::Encoder(CLabelVariable value, int count, QByteArray *out)                       \
    {                                                                                              \
        return S7::encodeValue(Type, value, count, out);                                           \
    }

CORVID_CODEC(Int8, set_variant_Int8, Wset_variant_Int8)
CORVID_CODEC(UInt8, set_variant_UInt8, Wset_variant_UInt8)
CORVID_CODEC(Int16, set_variant_Int16, Wset_variant_Int16)
CORVID_CODEC(UInt16, set_variant_UInt16, Wset_variant_uInt16)
CORVID_CODEC(Int32, set_variant_Int32, Wset_variant_Int32)
CORVID_CODEC(UInt32, set_variant_UInt32, Wset_variant_UInt32)
CORVID_CODEC(Float, set_variant_fload, Wset_variant_float)
CORVID_CODEC(Int64, set_variant_Int64, Wset_variant_Int64)
CORVID_CODEC(UInt64, set_variant_UInt64, Wset_variant_UInt64)
CORVID_CODEC(Double, set_variant_double, Wset_variant_double)
#undef CORVID_CODEC

int LibCorvid::Wset_variant_bool(CLabelVariable value, int count, QByteArray *out)
{
    return S7::encodeValue(Bool, value, count, out);
}
