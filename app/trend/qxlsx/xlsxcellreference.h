#pragma once

#include <QString>

namespace QXlsx {

// A cell of a worksheet by row and column, both counted from 1, as in "B7" (row 7, column 2).
// Columns past Z take more letters: AA, AB, ... up to XFD (16384).
class CellReference
{
public:
    CellReference() = default;
    CellReference(int row, int column);
    // Letters then digits, upper case ("A1", "AB12"); anything else gives an invalid reference.
    CellReference(const QString &text);
    CellReference(const char *text);

    int row() const { return m_row; }
    int column() const { return m_column; }
    // Inside a worksheet: rows 1..1048576, columns 1..16384.
    bool isValid() const;
    // "AB12"; empty when invalid.
    QString toString() const;

    // 1 -> "A", 26 -> "Z", 27 -> "AA"; empty outside 1..16384.
    static QString columnName(int column);

    static constexpr int maxRows = 1048576;
    static constexpr int maxColumns = 16384;

private:
    void parse(const QString &text);

    int m_row = -1;
    int m_column = -1;
};

} // namespace QXlsx
