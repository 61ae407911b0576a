#pragma once

#include "labelvariable.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

// Records of the grouped ("induction") read and write operations of the driver interface.
namespace Induction {

// One label to read: its address text and its DataType.
struct SReadInfo
{
    QString name;
    qint32 type = 0;

    bool operator<(const SReadInfo &other) const
    {
        if (name == other.name)
            return type < other.type;
        return name < other.name;
    }
    bool operator==(const SReadInfo &other) const
    {
        return name == other.name && type == other.type;
    }
    bool operator!=(const SReadInfo &other) const { return !(*this == other); }
};

// One label to write: address, type and the value to send.
struct SWriteInfo
{
    QString name;
    qint32 type = 0;
    QVariant value;

    bool operator<(const SWriteInfo &other) const
    {
        if (name == other.name)
            return type < other.type;
        return name < other.name;
    }
    bool operator==(const SWriteInfo &other) const
    {
        return name == other.name && type == other.type;
    }
    bool operator!=(const SWriteInfo &other) const { return !(*this == other); }
};

// A member of a caller-laid-out block: the item and its offset in the block.
struct SManualMember
{
    SReadInfo info;
    qint32 offset = 0;
};

// One read block laid out by the caller: start address, device length and members.
struct SReadInfo_manual
{
    QString name;
    qint32 length = 0;
    QList<SManualMember> members;
};

enum EInductionFun : int {
    InductionRead = 1,
    InductionWrite = 2,
};

enum EInductionType : int {
    InductionNone = 0,
    InductionWord = 1, // word-area blocks; limits count bytes
    InductionBit = 2,  // bit-area blocks; limits count points
};

} // namespace Induction

namespace DataInfo {

// Element of SetDataInfo's list. No operation reads it; it carries a label's address,
// type and a free note so a driver may keep per-label extras later.
struct SDataInfo
{
    QString name;
    qint32 type = 0;
    QString note;
};

} // namespace DataInfo

// Place of one member in its read block.
struct SMemberPos
{
    qint32 offset = 0;    // bit position for bool members, else index units from the start
    qint32 unitBytes = 0; // bytes per index unit of the block's area
};

// One read block: one device read.
struct SReadBlock
{
    QString areaText;
    QVariant start;     // int while formed, decimal text once stored
    qint32 length = 0;  // bytes (word area) or points (bit area)
    qint32 type = 0;    // Induction::EInductionType
    QMap<Induction::SReadInfo, SMemberPos> members;
};

// One write record or write block.
struct SWriteBlock
{
    QString areaText;
    QVariant start;
    qint32 length = 0;
    qint32 type = 0; // Induction::EInductionType or 0
    QVariant data;
};
