#include "inductionengine.h"

#include "engineinternal.h"
#include "valuecodec.h"
#include "vexmarareas.h"
#include "vexmarcodecs.h"

#include <QThread>
#include <algorithm>
#include <set>
#include <vector>

int areaUnitBytes(int area)
{
    // Indexed by engine area code; 0 is "no area". The engine groups as the wire addresses:
    // points in the bit areas, 16-bit words in SA, slots in the string area, and 32-bit
    // registers everywhere else (AI_S, AO_F and AO_S included). SO is sized as a string area.
    if (area == areaCodeFromName(QStringLiteral("SO")))
        return Vexmar::stringSlotBytes;
    const int wire = wireAreaOf(area);
    if (wire == Vexmar::AreaNone)
        return 0;
    if (Vexmar::isBitArea(wire))
        return 1;
    if (wire == Vexmar::AreaSA)
        return 2;
    if (Vexmar::isStringArea(wire))
        return Vexmar::stringSlotBytes;
    return 4;
}

int areaEndIndex(int area)
{
    return Vexmar::getmaximum_length(wireAreaOf(area));
}

bool isBitArea(int area)
{
    return areaUnitBytes(area) == 1;
}

bool isWordArea(int area)
{
    return areaUnitBytes(area) > 1;
}

namespace EngineInternal {

bool isStringArea(int area)
{
    return areaUnitBytes(area) == stringSlotBytes;
}

DataType blockDeviceType(int blockType)
{
    if (blockType == Induction::InductionWord)
        return DataType::Int8;
    if (blockType == Induction::InductionBit)
        return DataType::Bool;
    return DataType::null;
}

void pause(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace EngineInternal

using namespace EngineInternal;
using Induction::SReadInfo;

void InductionEngine::SetInductionParam(const Induction::EInductionFun &fun,
                                        const Induction::EInductionType &type, const int &value)
{
    qint32 *limit = nullptr;
    int frameMax = 0;
    if (fun == Induction::InductionRead && type == Induction::InductionWord) {
        limit = &readByteLimit;
        frameMax = maxFrameBytes;
    } else if (fun == Induction::InductionRead && type == Induction::InductionBit) {
        limit = &readBitLimit;
        frameMax = maxFramePoints;
    } else if (fun == Induction::InductionWrite && type == Induction::InductionWord) {
        limit = &writeByteLimit;
        frameMax = maxFrameBytes;
    } else if (fun == Induction::InductionWrite && type == Induction::InductionBit) {
        limit = &writeBitLimit;
        frameMax = maxFramePoints;
    }
    if (limit)
        *limit = qBound(0, value, frameMax);
}

QString InductionEngine::deviceAddress(const QString &address) const
{
    // The driver's own parser knows the upper-case mnemonics only.
    const AddressMatch m = grammar.match(address, DataType::null);
    if (m.area == 0)
        return address;
    return areaNames.nameFromCode(m.area) + QString::number(m.index);
}

// ---- read grouping ---------------------------------------------------------------------------

namespace {

struct Placed
{
    SReadInfo item;
    int index = 0;
    int size = 0;
};

int roundUp(int bytes, int unit)
{
    return unit > 1 ? (bytes + unit - 1) / unit * unit : bytes;
}

void addMember(SReadBlock &block, const Placed &p, int area, int start)
{
    SMemberPos pos;
    pos.unitBytes = areaUnitBytes(area);
    pos.offset = p.index - start;
    if (p.item.type == DataType::Bool && isWordArea(area))
        pos.offset *= pos.unitBytes * 8; // bit number of the element's first bit
    block.members.insert(p.item, pos);
}

// Splits one area's items (sorted by index) into blocks that one device read serves. A block
// grows while its extent stays within the limit; an item is never split, and a block in a string
// area holds one slot, because the driver drops each slot's length byte from the data.
QList<SReadBlock> groupArea(int area, const std::vector<Placed> &placed, int bitLimit,
                            int byteLimit, const AddressGrammar &grammar)
{
    const bool bits = isBitArea(area);
    const bool slotPerBlock = isStringArea(area);
    const int unit = areaUnitBytes(area);
    QList<SReadBlock> blocks;
    SReadBlock current;
    int start = 0;
    int extent = 0; // points (bit area) or bytes (word area) covered so far

    const auto close = [&] {
        current.length = bits ? extent : roundUp(qMax(0, extent), unit);
        grammar.formatIndex(area, current.start);
        blocks.append(current);
    };
    for (size_t i = 0; i < placed.size(); ++i) {
        const Placed &p = placed[i];
        if (i > 0) {
            const int end = bits ? p.index - start + 1 : (p.index - start) * unit + p.size;
            const bool full = slotPerBlock ? p.index != start : end > (bits ? bitLimit : byteLimit);
            if (!full) {
                extent = qMax(extent, end);
                addMember(current, p, area, start);
                continue;
            }
            close();
        }
        current = SReadBlock();
        current.areaText = areaNameFromCode(area);
        current.type = bits ? Induction::InductionBit : Induction::InductionWord;
        start = p.index;
        current.start = start;
        extent = bits ? 1 : p.size;
        addMember(current, p, area, start);
    }
    if (!placed.empty())
        close();
    return blocks;
}

// Whether all of an item lies before the end of its area: one point in a bit area, a slot in a
// string area, its bytes in a word area.
bool insideArea(int area, const Placed &p)
{
    const qint64 end = areaEndIndex(area);
    if (isBitArea(area) || isStringArea(area))
        return p.index <= end;
    const int unit = areaUnitBytes(area);
    return qint64(p.index - 1) * unit + qMax(p.size, 1) <= end * unit;
}

void sortAndMerge(int area, std::vector<Placed> &placed)
{
    const bool bits = isBitArea(area);
    std::sort(placed.begin(), placed.end(), [bits](const Placed &a, const Placed &b) {
        if (a.index != b.index)
            return a.index < b.index;
        if (!bits && a.size != b.size)
            return a.size > b.size; // the longest first, so it fixes the block's extent
        return a.item < b.item;
    });
    // Equal items share index and size, so they stand side by side now.
    placed.erase(std::unique(placed.begin(), placed.end(),
                             [](const Placed &a, const Placed &b) { return a.item == b.item; }),
                 placed.end());
}

} // namespace

QList<QList<SReadInfo>> InductionEngine::InductiveDrive_Read(const QString &key,
                                                             const QList<SReadInfo> &items)
{
    std::vector<Placed> byArea[vexmarAreaCount + 1];
    QList<SReadInfo> failed;
    bool anyPlaced = false;
    for (const SReadInfo &item : items) {
        const AddressMatch m = grammar.match(item.name, DataType::null);
        if (m.area == 0) {
            failed.append(item);
            continue;
        }
        byArea[m.area].push_back(Placed{item, m.index, labelElementSize(item, m.area)});
        anyPlaced = true;
    }

    if (!failed.isEmpty()) {
        // The polling loop hands over the same list on every tick: keep each item once.
        QList<SReadInfo> &unreadable = cannotRead[key];
        std::set<SReadInfo> known(unreadable.cbegin(), unreadable.cend());
        for (const SReadInfo &item : qAsConst(failed)) {
            if (known.insert(item).second)
                unreadable.append(item);
        }
    }

    QList<QList<SReadInfo>> result;
    if (!anyPlaced)
        return result;
    const int bitLimit = qBound(1, readBitLimit, maxFramePoints);
    const int byteLimit = qBound(0, readByteLimit, maxFrameBytes);
    QMap<QList<SReadInfo>, SReadBlock> &stored = readBlocks[key];
    for (int area = 1; area <= vexmarAreaCount; ++area) {
        if (byArea[area].empty())
            continue;
        sortAndMerge(area, byArea[area]);
        // A block never reaches past the area's end: the labels beyond it are grouped apart,
        // so that the driver refuses their blocks alone and the others still read.
        std::vector<Placed> inside;
        std::vector<Placed> outside;
        for (const Placed &p : byArea[area])
            (insideArea(area, p) ? inside : outside).push_back(p);
        QList<SReadBlock> blocks = groupArea(area, inside, bitLimit, byteLimit, grammar);
        blocks += groupArea(area, outside, bitLimit, byteLimit, grammar);
        for (const SReadBlock &block : blocks) {
            const QList<SReadInfo> members = block.members.keys();
            stored.insert(members, block);
            result.append(members);
        }
    }
    return result;
}

QList<QList<SReadInfo>>
InductionEngine::InductiveDrive_Read(const QString &key,
                                     const QList<Induction::SReadInfo_manual> &blocks)
{
    QList<QList<SReadInfo>> result;
    for (const Induction::SReadInfo_manual &manual : blocks) {
        const AddressMatch m = grammar.match(manual.name, DataType::null);
        SReadBlock block;
        block.areaText = m.area == 0 ? QString() : areaNames.nameFromCode(m.area);
        block.start = QString::number(m.index);
        block.length = manual.length;
        block.type = isBitArea(m.area)    ? Induction::InductionBit
                     : isWordArea(m.area) ? Induction::InductionWord
                                          : Induction::InductionNone;
        for (const Induction::SManualMember &member : manual.members) {
            SMemberPos pos;
            pos.offset = member.offset;
            pos.unitBytes = areaUnitBytes(m.area);
            block.members.insert(member.info, pos);
        }
        const QList<SReadInfo> members = block.members.keys();
        readBlocks[key].insert(members, block);
        result.append(members);
    }
    return result;
}

QMap<QList<SReadInfo>, SReadBlock> InductionEngine::GetInductiveDrive_Read(const QString &key) const
{
    return readBlocks.value(key);
}

SReadBlock InductionEngine::GetInductiveDrive_Read(const QString &key,
                                                   const QList<SReadInfo> &block) const
{
    return readBlocks.value(key).value(block);
}

void InductionEngine::DelInductiveDrive_Read(const QString &key)
{
    readBlocks.remove(key);
}

void InductionEngine::DelInductiveDrive_Read(const QString &key, const QList<SReadInfo> &block)
{
    const auto it = readBlocks.find(key);
    if (it != readBlocks.end())
        it->remove(block);
}

QList<SReadInfo> InductionEngine::GetCannotInductiveDrive_Read(const QString &key) const
{
    return cannotRead.value(key);
}

void InductionEngine::DelCannotInductiveDrive_Read(const QString &key)
{
    const auto it = cannotRead.find(key);
    if (it != cannotRead.end())
        it->clear();
}

// ---- block and point reading -----------------------------------------------------------------

namespace {

// One element of a word-area member from its bytes (least significant first). The byte-order
// variants travel with the bytes of their base type, unreordered.
QVariant decodeElement(int type, const uchar *bytes)
{
    return ValueCodec::decodeNumbers(type, QByteArray(reinterpret_cast<const char *>(bytes), 8), 1,
                                     ValueCodec::ByteOrder::LittleEndian);
}

// The value of one member of a word-area block; missing data counts as zero bytes.
QVariant decodeWordMember(const SReadInfo &item, const SMemberPos &pos, const QList<char> &data,
                          int size)
{
    if (item.type == DataType::Bool) {
        const qint64 at = pos.offset / 8;
        const char byte = at < data.size() ? data.at(int(at)) : 0;
        return QVariant::fromValue(QList<bool>{((uchar(byte) >> (pos.offset % 8)) & 1) != 0});
    }
    // Read as bytes, every slot of a string area comes as its text without the length byte.
    const bool inSlots = pos.unitBytes == stringSlotBytes;
    const qint64 first = qint64(pos.offset) * (inSlots ? Vexmar::maxSlotTextBytes : pos.unitBytes);
    if (item.type == DataType::string) {
        // Zero bytes past the data would end the text anyway, so only the data is looked at.
        const qint64 end = first + (inSlots ? qMin(size, Vexmar::maxSlotTextBytes) : size);
        QByteArray text;
        for (qint64 i = first; i < end && i < data.size(); ++i)
            text.append(data.at(int(i)));
        return QVariant::fromValue(QList<QString>{Vexmar::textOf(text)});
    }
    uchar scratch[8] = {};
    for (int i = 0; i < size && i < int(sizeof(scratch)); ++i) {
        const qint64 at = first + i;
        if (at >= data.size())
            break;
        scratch[i] = uchar(data.at(int(at)));
    }
    return decodeElement(item.type, scratch);
}

CLabelVariable memberRecord(const CLabelVariable &blockRecord, const SReadInfo &item,
                            const QVariant &value)
{
    CLabelVariable r;
    r = blockRecord;
    r.name = item.name;
    r.count = 1;
    r.type = item.type;
    r.value = value;
    return r;
}

} // namespace

QMap<SReadInfo, CLabelVariable> InductionEngine::BlockReading(const QString &key,
                                                              const QList<SReadInfo> &block)
{
    QMap<SReadInfo, CLabelVariable> result;
    if (!readCallback)
        return result;
    const SReadBlock *stored = storedBlock(readBlocks, key, block);
    if (!stored)
        return result;
    const SReadBlock b = *stored;
    const DataType readType = blockDeviceType(b.type);
    if (readType == DataType::null)
        return result;

    const QString address = b.areaText + b.start.toString();
    const CLabelVariable rec = readCallback(key, address, readType, b.length);

    if (b.type == Induction::InductionBit) {
        const QList<bool> points
            = rec.value.canConvert<QList<bool>>() ? rec.value.value<QList<bool>>() : QList<bool>();
        for (auto it = b.members.cbegin(); it != b.members.cend(); ++it) {
            const int offset = it->offset;
            // A failed read has no points; its members still learn that it failed.
            if (offset < 0 || (rec.status == LabelStatus::Ok && offset >= points.size()))
                continue;
            const bool point = offset < points.size() && points.at(offset);
            result.insert(it.key(),
                          memberRecord(rec, it.key(), QVariant::fromValue(QList<bool>{point})));
        }
        return result;
    }

    const QList<char> data
        = rec.value.canConvert<QList<char>>() ? rec.value.value<QList<char>>() : QList<char>();
    for (auto it = b.members.cbegin(); it != b.members.cend(); ++it) {
        const int size = labelElementSize(grammar, it.key());
        if (it->offset < 0 || size < 0)
            continue;
        result.insert(it.key(),
                      memberRecord(rec, it.key(), decodeWordMember(it.key(), *it, data, size)));
    }
    return result;
}

CLabelVariable InductionEngine::PointReading(const QString &key, const SReadInfo &item)
{
    if (!readCallback)
        return CLabelVariable();
    if (item.type != DataType::string)
        return readCallback(key, deviceAddress(item.name), static_cast<DataType>(item.type), 1);

    QMap<SReadInfo, SPointRead> &known = pointReads[key];
    SPointRead read = known.value(item);
    if (read == SPointRead()) {
        const AddressMatch m = grammar.match(item.name, DataType::string);
        read.address = areaNames.nameFromCode(m.area) + QString::number(m.index);
        read.type = DataType::Int8;
        read.count = labelElementSize(grammar, item);
        known.insert(item, read);
    }
    return readCallback(key, read.address, static_cast<DataType>(read.type), read.count);
}

QMap<SReadInfo, CLabelVariable>
InductionEngine::PointReading(const QString &key, const QList<SReadInfo> &items, const int &delayMs)
{
    QMap<SReadInfo, CLabelVariable> result;
    for (const SReadInfo &item : items) {
        result.insert(item, PointReading(key, item));
        pause(delayMs);
    }
    return result;
}
