#include "xlsxcellreference.h"

namespace QXlsx {

CellReference::CellReference(int row, int column)
    : m_row(row)
    , m_column(column)
{
}

CellReference::CellReference(const QString &text)
{
    parse(text);
}

CellReference::CellReference(const char *text)
{
    parse(QString::fromLatin1(text));
}

void CellReference::parse(const QString &text)
{
    int i = 0;
    qint64 column = 0;
    // Three letters reach XFD; more can only be out of range, and stopping early keeps the
    // sum from overflowing.
    while (i < text.size() && i < 4 && text.at(i) >= QLatin1Char('A')
           && text.at(i) <= QLatin1Char('Z')) {
        column = column * 26 + (text.at(i).unicode() - 'A' + 1);
        ++i;
    }
    const int letters = i;
    qint64 row = 0;
    while (i < text.size() && i - letters < 8 && text.at(i) >= QLatin1Char('0')
           && text.at(i) <= QLatin1Char('9')) {
        row = row * 10 + (text.at(i).unicode() - '0');
        ++i;
    }
    if (letters == 0 || i == letters || i != text.size() || text.at(letters) == QLatin1Char('0'))
        return;
    if (column > maxColumns || row > maxRows)
        return;
    m_row = int(row);
    m_column = int(column);
}

bool CellReference::isValid() const
{
    return m_row >= 1 && m_row <= maxRows && m_column >= 1 && m_column <= maxColumns;
}

QString CellReference::toString() const
{
    if (!isValid())
        return QString();
    return columnName(m_column) + QString::number(m_row);
}

QString CellReference::columnName(int column)
{
    if (column < 1 || column > maxColumns)
        return QString();
    QString name;
    // Bijective base 26: there is no zero digit, Z is 26.
    while (column > 0) {
        const int digit = (column - 1) % 26;
        name.prepend(QLatin1Char(char('A' + digit)));
        column = (column - 1) / 26;
    }
    return name;
}

} // namespace QXlsx
