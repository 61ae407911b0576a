// The write half of the induction engine: records per item, write blocks, block and point writes.
#include "engineinternal.h"
#include "inductionengine.h"
#include "valuecodec.h"
#include "vexmarcodecs.h"

#include <QSequentialIterable>
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

using namespace EngineInternal;
using Induction::SWriteInfo;

namespace {

// What one item puts on the device.
struct WriteRecord
{
    SWriteInfo item;
    int start = 0;
    int length = 0; // bytes, or 1 point for a bool item
    bool bits = false;
    QByteArray payload; // the bytes, or one 0/1 byte per point
    // The payload is exactly `length` long and fills whole index units, so the record can be
    // written without touching a neighbour; anything else is refused rather than sent short.
    bool whole = false;
};

// The bytes of a numeric value list, least significant byte first (nothing when the value is no
// list of the type's elements); false for a non-numeric type.
bool numericBytes(int type, const QVariant &value, QByteArray &out)
{
    if (!withNumericType(type, [](auto) {}))
        return false;
    const int n = value.canConvert<QVariantList>() ? value.value<QSequentialIterable>().size() : 0;
    out.clear();
    ValueCodec::encodeNumbers(type, value, n, ValueCodec::ByteOrder::LittleEndian, &out);
    return true;
}

// The n bytes of a string label, or false when its text cannot be carried whole (the driver's
// own rule for texts, textBytes). In a string area they form a slot as the device keeps it: a
// length byte, then the text, which is what a read of the slot's bytes gives after the length.
bool stringBytes(const QString &text, int n, bool slot, QByteArray *out)
{
    if (n < 1)
        return false;
    QByteArray bytes;
    if (!Vexmar::textBytes(text, slot ? qMin(n - 1, Vexmar::maxSlotTextBytes) : n, &bytes))
        return false;
    out->clear();
    if (slot)
        out->append(char(quint8(bytes.size())));
    out->append(bytes);
    out->append(QByteArray(n - out->size(), '\0'));
    return true;
}

QList<QString> stringList(const QVariant &value)
{
    return value.canConvert<QList<QString>>() ? value.value<QList<QString>>() : QList<QString>();
}

// The record of one parsed item; false when the item yields nothing to write.
bool buildRecord(const SWriteInfo &item, const AddressMatch &m, WriteRecord &r)
{
    r.item = item;
    r.start = m.index;
    if (item.type == DataType::Bool) {
        if (!item.value.canConvert<QList<bool>>())
            return false;
        const QList<bool> points = item.value.value<QList<bool>>();
        r.bits = true;
        r.length = 1;
        if (!points.isEmpty())
            r.payload.append(char(points.first() ? 1 : 0));
        r.whole = r.payload.size() == r.length;
        return true;
    }
    r.length = labelElementSize(item, m.area);
    if (item.type == DataType::string) {
        const QList<QString> strings = stringList(item.value);
        if (strings.isEmpty())
            return false;
        // The first text, as the driver's write of one string takes it. One it cannot carry
        // whole leaves the record without bytes: its block is refused rather than sent changed.
        if (!stringBytes(strings.first(), r.length, isStringArea(m.area), &r.payload))
            r.payload.clear();
    } else {
        if (!numericBytes(item.type, item.value, r.payload))
            return false;
        // Further elements would land in the next label's bytes.
        r.payload.truncate(qMax(0, r.length));
    }
    r.whole = r.length > 0 && r.payload.size() == r.length && r.length % areaUnitBytes(m.area) == 0;
    return true;
}

QVariant blockData(bool bits, const QByteArray &payload)
{
    if (bits) {
        QList<bool> points;
        points.reserve(payload.size());
        for (char c : payload)
            points.append(c != 0);
        return QVariant::fromValue(points);
    }
    QList<char> bytes;
    bytes.reserve(payload.size());
    for (char c : payload)
        bytes.append(c);
    return QVariant::fromValue(bytes);
}

int dataCount(const SWriteBlock &b)
{
    if (b.type == Induction::InductionBit)
        return b.data.canConvert<QList<bool>>() ? b.data.value<QList<bool>>().size() : 0;
    return b.data.canConvert<QList<char>>() ? b.data.value<QList<char>>().size() : 0;
}

// A block the device can take as it is: its data fills its length, which fits one frame and, for
// bytes, covers whole index units (the driver would round anything else down and drop bytes).
bool isWritable(const SWriteBlock &b)
{
    if (b.length < 1 || dataCount(b) != b.length)
        return false;
    if (b.type == Induction::InductionBit)
        return b.length <= InductionEngine::maxFramePoints;
    const int unit = areaUnitBytes(areaCodeFromName(b.areaText));
    return unit > 0 && b.length % unit == 0 && b.length <= InductionEngine::maxFrameBytes;
}

} // namespace

QList<QList<SWriteInfo>> InductionEngine::InductiveDrive_Write(const QString &key,
                                                               const QList<SWriteInfo> &items)
{
    cannotWrite.clear();
    QMap<SWriteInfo, WriteRecord> byArea[vexmarAreaCount + 1];
    for (const SWriteInfo &item : items) {
        if (item.name.isEmpty())
            continue;
        const AddressMatch m = grammar.match(item.name, DataType::null);
        if (m.area == 0) {
            cannotWrite[key].append(item);
            continue;
        }
        WriteRecord r;
        if (buildRecord(item, m, r))
            byArea[m.area].insert(item, r);
    }

    QMap<QList<SWriteInfo>, SWriteBlock> blocks;
    for (int area = 1; area <= vexmarAreaCount; ++area) {
        const int unit = areaUnitBytes(area);
        for (const bool bits : {false, true}) {
            // Of records equal in every field only the last stays: they would write the same.
            using Same = std::tuple<int, int, bool, QByteArray>;
            std::map<Same, WriteRecord> distinct;
            for (const WriteRecord &r : qAsConst(byArea[area])) {
                if (r.bits == bits)
                    distinct[Same(r.start, r.length, r.whole, r.payload)] = r;
            }
            std::vector<WriteRecord> records;
            for (auto &entry : distinct)
                records.push_back(entry.second);
            std::stable_sort(records.begin(), records.end(),
                             [](const WriteRecord &a, const WriteRecord &b) {
                                 return a.start != b.start ? a.start < b.start : a.item < b.item;
                             });

            const int limit = bits ? writeBitLimit : writeByteLimit;
            const int frameMax = bits ? maxFramePoints : maxFrameBytes;
            QList<SWriteInfo> members;
            WriteRecord open;
            const auto close = [&] {
                SWriteBlock block;
                block.areaText = areaNames.nameFromCode(area);
                block.start = open.start;
                grammar.formatIndex(area, block.start);
                block.length = open.length;
                block.type = bits ? Induction::InductionBit : Induction::InductionWord;
                block.data = blockData(bits, open.payload);
                blocks.insert(members, block);
            };
            for (size_t i = 0; i < records.size(); ++i) {
                const WriteRecord &r = records[i];
                if (i > 0) {
                    // Only a record that starts exactly where the block ends may join: its bytes
                    // are laid after the block's, so anything else would land at a wrong index.
                    // A string area takes one slot per write, as it is read.
                    const int end
                        = bits ? open.start + open.length : open.start + open.length / unit;
                    const bool joins = open.whole && r.whole && r.start == end
                                       && (bits || !isStringArea(area)) && open.length < limit
                                       && open.length + r.length <= frameMax;
                    if (joins) {
                        members.append(r.item);
                        open.length += r.length;
                        open.payload += r.payload;
                        continue;
                    }
                    close();
                }
                open = r;
                members = {r.item};
            }
            if (!records.empty())
                close();
        }
    }
    writeBlocks.insert(key, blocks);
    return blocks.keys();
}

QMap<QList<SWriteInfo>, SWriteBlock>
InductionEngine::GetInductiveDrive_Write(const QString &key) const
{
    return writeBlocks.value(key);
}

SWriteBlock InductionEngine::GetInductiveDrive_Write(const QString &key,
                                                     const QList<SWriteInfo> &block) const
{
    return writeBlocks.value(key).value(block);
}

QList<SWriteInfo> InductionEngine::GetCannotInductiveDrive_Write(const QString &key) const
{
    return cannotWrite.value(key);
}

QMap<SWriteInfo, CLabelVariable> InductionEngine::BlockWriting(const QString &key,
                                                               const QList<SWriteInfo> &block)
{
    QMap<SWriteInfo, CLabelVariable> result;
    if (!writeCallback)
        return result;
    const SWriteBlock *stored = storedBlock(writeBlocks, key, block);
    if (!stored)
        return result;
    const SWriteBlock b = *stored;
    const DataType writeType = blockDeviceType(b.type);
    if (writeType == DataType::null)
        return result;

    const QString address = b.areaText + b.start.toString();
    CLabelVariable v;
    if (isWritable(b)) {
        v = writeCallback(key, address, writeType, b.data, b.length);
    } else {
        v.status = LabelStatus::BadCount;
        v.value = b.data;
        v.name = address;
        v.count = b.length;
        v.type = writeType;
    }
    for (const SWriteInfo &item : block) {
        CLabelVariable r;
        r = v;
        result.insert(item, r);
    }
    if (v.status == LabelStatus::Ok)
        writeBlocks[key].remove(block);
    return result;
}

CLabelVariable InductionEngine::PointWriting(const QString &key, const SWriteInfo &item)
{
    CLabelVariable result;
    if (!writeCallback)
        return result;
    if (item.type != DataType::string) {
        result = writeCallback(key, deviceAddress(item.name), static_cast<DataType>(item.type),
                               item.value, 1);
        return result;
    }
    const int n = labelElementSize(grammar, item);
    const AddressMatch m = grammar.match(item.name, DataType::string);
    const QString address = areaNames.nameFromCode(m.area) + QString::number(m.index);
    const QList<QString> strings = stringList(item.value);
    QByteArray bytes;
    // One text, the first, as the driver's write of one string takes it; no text, or one that
    // cannot be carried whole, is refused as that write refuses it, and nothing is sent.
    if (strings.isEmpty() || !stringBytes(strings.first(), n, isStringArea(m.area), &bytes)) {
        result.status = LabelStatus::BadCount;
        result.value = item.value;
        result.name = address;
        result.count = n;
        result.type = DataType::Int8;
        return result;
    }
    return writeCallback(key, address, DataType::Int8, blockData(false, bytes), n);
}

QMap<SWriteInfo, CLabelVariable>
InductionEngine::PointWriting(const QString &key, const QList<SWriteInfo> &items, const int &delay)
{
    QMap<SWriteInfo, CLabelVariable> result;
    for (const SWriteInfo &item : items) {
        result.insert(item, PointWriting(key, item));
        pause(delay);
    }
    return result;
}
