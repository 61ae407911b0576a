#include "reportworkbook.h"

#include "reportmodel.h"
#include "xlsxdocument.h"

ReportWorkbook::Result ReportWorkbook::save(const ReportModel &model, const QString &fileName,
                                            QString *error)
{
    const int rows = model.rowCount();
    if (rows > maxReportRows) {
        *error = QStringLiteral("%1 rows, a worksheet holds %2").arg(rows).arg(maxReportRows);
        return TooManyRows;
    }
    const int columns = model.columnCount();
    QXlsx::Document book;
    for (int column = 0; column < columns; ++column) {
        const QString heading = model.headingText(column);
        if (!heading.isEmpty() && !book.write(1, column + 1, heading)) {
            *error = book.errorString();
            return Failed;
        }
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QString text = model.cellText(row, column);
            if (!text.isEmpty() && !book.write(row + 2, column + 1, text)) {
                *error = book.errorString();
                return Failed;
            }
        }
    }
    if (!book.saveAs(fileName)) {
        *error = book.errorString();
        return Failed;
    }
    return Saved;
}
