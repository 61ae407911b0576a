#pragma once

#include "xlsxcellreference.h"
#include "xlsxformat.h"

#include <QString>
#include <QVariant>
#include <memory>

namespace QXlsx {

// A workbook of one worksheet ("Sheet1"), written row by row and saved once as an .xlsx file.
//
// Rows stream to a temporary file as they are left (constant memory), so cells must come in
// rising row order: a write to a row above the current one is refused. Within a row any
// order goes. saveAs() assembles the file and reports whether that worked.
class Document
{
public:
    Document();
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // Strings become text cells, numbers number cells, bools boolean cells; an invalid
    // variant leaves the cell empty. False for an invalid cell, a row above the current one,
    // a text longer than a cell holds (32767 characters), or after saveAs.
    bool write(const CellReference &cell, const QVariant &value, const Format &format = Format());
    bool write(int row, int column, const QVariant &value, const Format &format = Format());

    // Writes the workbook to fileName, replacing a file of that name only once the whole
    // workbook is written. False, with errorString(), when it cannot be saved.
    bool saveAs(const QString &fileName);

    QString errorString() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace QXlsx
