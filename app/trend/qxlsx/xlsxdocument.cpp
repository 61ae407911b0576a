#include "xlsxdocument.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryDir>
#include <xlsxwriter.h>

namespace QXlsx {

namespace {

// Copy in blocks: a report can be tens of megabytes.
constexpr qint64 copyBlockBytes = 1 << 20;

bool copyInto(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        *error = target.errorString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray block = source.read(copyBlockBytes);
        if (block.isEmpty() && source.error() != QFileDevice::NoError) {
            *error = source.errorString();
            target.cancelWriting();
            return false;
        }
        if (target.write(block) != block.size()) {
            *error = target.errorString();
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        *error = target.errorString();
        return false;
    }
    return true;
}

} // namespace

struct Document::Private
{
    QTemporaryDir tempDir;
    QByteArray tempDirPath;
    QString bookPath;
    lxw_workbook *workbook = nullptr;
    lxw_worksheet *sheet = nullptr;
    lxw_format *boldFormat = nullptr;
    int currentRow = 0; // 1-based; 0 before the first write
    bool closed = false;
    bool closeFailed = false;
    QString error;

    bool open()
    {
        if (workbook)
            return true;
        if (closed) {
            error = QStringLiteral("the workbook has been saved");
            return false;
        }
        if (!tempDir.isValid()) {
            error = QStringLiteral("no temporary folder: %1").arg(tempDir.errorString());
            return false;
        }
        tempDirPath = QFile::encodeName(tempDir.path());
        bookPath = tempDir.filePath(QStringLiteral("book.xlsx"));
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tempDirPath.data();
        workbook = workbook_new_opt(QFile::encodeName(bookPath).constData(), &options);
        if (workbook)
            sheet = workbook_add_worksheet(workbook, nullptr);
        if (!workbook || !sheet) {
            error = QStringLiteral("the workbook could not be created");
            return false;
        }
        return true;
    }

    lxw_format *formatOf(const Format &format)
    {
        if (format.isEmpty())
            return nullptr;
        if (!boldFormat) {
            boldFormat = workbook_add_format(workbook);
            format_set_bold(boldFormat);
        }
        return boldFormat;
    }
};

Document::Document()
    : d(std::make_unique<Private>())
{
}

Document::~Document()
{
    // An unsaved workbook still owns its memory and temporary files.
    if (d->workbook)
        workbook_close(d->workbook);
}

bool Document::write(int row, int column, const QVariant &value, const Format &format)
{
    return write(CellReference(row, column), value, format);
}

bool Document::write(const CellReference &cell, const QVariant &value, const Format &format)
{
    if (!cell.isValid()) {
        d->error = QStringLiteral("invalid cell reference");
        return false;
    }
    if (cell.row() < d->currentRow) {
        d->error = QStringLiteral("row %1 written after row %2").arg(cell.row()).arg(d->currentRow);
        return false;
    }
    if (!d->open())
        return false;
    d->currentRow = cell.row();
    const lxw_row_t row = lxw_row_t(cell.row() - 1);
    const lxw_col_t column = lxw_col_t(cell.column() - 1);
    lxw_format *cellFormat = d->formatOf(format);
    lxw_error result = LXW_NO_ERROR;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        if (cellFormat)
            result = worksheet_write_blank(d->sheet, row, column, cellFormat);
        break;
    case QMetaType::Bool:
        result = worksheet_write_boolean(d->sheet, row, column, value.toBool(), cellFormat);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        result = worksheet_write_number(d->sheet, row, column, value.toDouble(), cellFormat);
        break;
    default:
        result = worksheet_write_string(d->sheet, row, column,
                                        value.toString().toUtf8().constData(), cellFormat);
        break;
    }
    if (result != LXW_NO_ERROR) {
        d->error = QString::fromUtf8(lxw_strerror(result));
        return false;
    }
    return true;
}

bool Document::saveAs(const QString &fileName)
{
    if (!d->closed) {
        if (!d->open())
            return false;
        const lxw_error result = workbook_close(d->workbook);
        d->workbook = nullptr;
        d->sheet = nullptr;
        d->closed = true;
        if (result != LXW_NO_ERROR) {
            d->closeFailed = true;
            d->error = QString::fromUtf8(lxw_strerror(result));
        }
    }
    if (d->closeFailed)
        return false;
    QString error;
    if (!copyInto(d->bookPath, fileName, &error)) {
        d->error = error;
        return false;
    }
    d->error.clear();
    return true;
}

QString Document::errorString() const
{
    return d->error;
}

} // namespace QXlsx
