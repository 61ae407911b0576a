#pragma once

#include <QString>

class ReportModel;

// Saves a report as an .xlsx workbook: row 1 the headings, then one row per report row,
// every cell as the text the report table shows.
class ReportWorkbook
{
public:
    enum Result { Saved, TooManyRows, Failed };

    // A worksheet holds 1048576 rows, one of them the headings.
    static constexpr int maxReportRows = 1048575;

    // Nothing is written when the report has more rows than a worksheet holds.
    static Result save(const ReportModel &model, const QString &fileName, QString *error);
};
