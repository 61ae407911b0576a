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

// Whether a type text from a file names no entry. Such a row is of type "null" and keeps the
// text, so that a save writes back what it read. An empty text is no type, not an unknown one.
bool isUnknownName(const QString &text);

} // namespace LabelTypes

namespace LabelRows {

// The rows that hold a selected cell, each once, bottom row first: removing them one at a time
// in this order keeps the indexes of the rows still to go valid. Negative rows are dropped.
QList<int> removalOrder(const QList<int> &selectedRows);

} // namespace LabelRows

// One row of the label table as texts, in column order.
using LabelRow = QStringList;

namespace LabelRows {

// Position of the first character of text that a project file cannot hold, -1 when there is
// none: XML 1.0 has no way to write a control character other than tab, line feed and carriage
// return, nor U+FFFE, U+FFFF or half of a surrogate pair.
int firstUnstorableCharacter(const QString &text);
// Whether text can be a label's: storable, and free of the other control characters (DEL, C1)
// and of U+FFFD, which is what decoding makes of bytes that are not text.
bool isLabelText(const QString &text);
// How messages name a character: "U+0007".
QString characterName(const QString &text, int position);

// The texts of the table's column headers, in column order, translated: the names messages
// give the columns too.
QStringList columnNames();

// The warning on rows whose type text names no entry: which labels, with their texts, and what
// such a row is; empty when there are none. Translated.
QString unknownTypesText(const QList<LabelRow> &rows);

} // namespace LabelRows

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
