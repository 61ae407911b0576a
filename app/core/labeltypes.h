#pragma once

#include "datatype.h"

#include <QStringList>

// The label table's data-type selector: its 33 entries and how an entry's position maps to a
// DataType. The Int64/UInt64 byte orders (25 to 32) have no entry.
namespace LabelTypes {

constexpr int entryCount = 33;

// Entries in selector order. Entry 25 is "float_ABCD" padded with blanks to 259 characters;
// stored project files and CSV lists carry it that way, so it is matched with the blanks.
const QStringList &dataTypeNames();

// DataType of the entry at position p: p for 0 to 24, p + 8 for 25 to 32; null outside.
DataType dataTypeAt(int position);

// Position of the entry showing type, -1 for a type without entry.
int positionOf(int type);

// Position of the entry whose text equals text exactly, -1 when none does.
int positionOfName(const QString &text);

// Selector text of a type (the padded entry for float_ABCD), empty for a type without entry.
QString entryName(int type);

} // namespace LabelTypes

namespace LabelRows {

// The rows that hold a selected cell, each once, bottom row first: removing them one at a time
// in this order keeps the indexes of the rows still to go valid. Negative rows are dropped.
QList<int> removalOrder(const QList<int> &selectedRows);

} // namespace LabelRows

// One row of the label table as texts, in column order.
using LabelRow = QStringList;

// Columns of the label table (and fields of a LabelRow).
enum LabelColumn {
    LabelColumnTime = 0,
    LabelColumnLabel = 1,
    LabelColumnDescription = 2,
    LabelColumnValue = 3,
    LabelColumnUnit = 4,
    LabelColumnType = 5,
    LabelColumnCount = 6,
};
