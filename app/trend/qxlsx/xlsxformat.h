#pragma once

namespace QXlsx {

// How a cell is drawn. The default format leaves the cell as the worksheet draws it.
class Format
{
public:
    void setFontBold(bool bold) { m_bold = bold; }
    bool fontBold() const { return m_bold; }
    // True for the default format: nothing to add to the workbook.
    bool isEmpty() const { return !m_bold; }

private:
    bool m_bold = false;
};

} // namespace QXlsx
