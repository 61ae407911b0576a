#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QtTest>

// A workbook read back by openpyxl: the first sheet's title and its cells that hold a value.
struct XlsxCell
{
    QString type; // openpyxl's data type: "s" text, "n" number, "b" boolean
    QString text; // the value as Python prints it
    bool bold = false;
};

struct XlsxSheet
{
    bool ok = false;
    QString title;
    QMap<QString, XlsxCell> cells; // by reference, "A1"
    QString error;
};

inline XlsxSheet readXlsx(const QString &path)
{
    static const char script[] = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
cells = {}
for row in sheet.iter_rows():
    for cell in row:
        if cell.value is not None:
            value = cell.value
            text = ("TRUE" if value else "FALSE") if isinstance(value, bool) else str(value)
            cells[cell.coordinate] = [cell.data_type, text, bool(cell.font.b)]
print(json.dumps({"title": sheet.title, "cells": cells}))
)";
    XlsxSheet sheet;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(script), path});
    // Large workbooks take openpyxl a while on a loaded machine.
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        sheet.error = QString::fromUtf8(python.readAllStandardError());
        return sheet;
    }
    const QJsonObject root = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    sheet.title = root.value(QStringLiteral("title")).toString();
    const QJsonObject cells = root.value(QStringLiteral("cells")).toObject();
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const QJsonArray cell = it.value().toArray();
        sheet.cells.insert(it.key(),
                           {cell.at(0).toString(), cell.at(1).toString(), cell.at(2).toBool()});
    }
    sheet.ok = true;
    return sheet;
}
