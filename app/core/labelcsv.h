#pragma once

#include "labeltypes.h"

#include <QList>
#include <QString>
#include <QStringList>

// CSV label lists: a header line, then one line per label with its six texts.
// Fields holding a comma, a quote or a line break are quoted as RFC 4180 says; all other
// fields are written as they are, so lists without such characters look as they always did.
namespace LabelCsv {

// Lines ended by "\n".
QString toCsv(const QStringList &header, const QList<LabelRow> &rows);
// Records of fields. Lines end at "\n" or "\r\n"; blank lines give no record. A field that
// starts with a quote runs to its closing quote ("" inside stands for one quote), so it may hold
// commas and line breaks, but only when that quote is closed and followed by a comma or the end
// of a line: a record with a quote that is not so is its line split at every comma.
QList<QStringList> parseCsv(const QString &text);

// What an import read: the label rows, and how many records after the header were skipped for
// not having six fields or for holding what is no label text (LabelRows::isLabelText).
struct Import
{
    QList<LabelRow> rows;
    int skipped = 0;
};

// Writes the list in the system locale's encoding without byte-order mark; text that encoding
// cannot hold is written as UTF-8 with a byte-order mark instead, which the import recognises.
// Returns false with a translated errorText when the file cannot be written.
bool exportFile(const QString &path, const QStringList &header, const QList<LabelRow> &rows,
                QString *errorText = nullptr);
// Reads the records after the header line; a record that does not have six fields of label
// text is skipped and counted. Returns false with a translated errorText when the file cannot be
// read.
bool importFile(const QString &path, Import *result, QString *errorText = nullptr);

} // namespace LabelCsv
