#include "labelcsv.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>
#include <algorithm>

namespace LabelCsv {

namespace {

const QLatin1Char quote('"');
const QLatin1Char separator(',');

QString quoted(const QString &field)
{
    const bool needsQuotes = field.contains(separator) || field.contains(quote)
                             || field.contains(QLatin1Char('\n'))
                             || field.contains(QLatin1Char('\r'));
    if (!needsQuotes)
        return field;
    QString escaped = field;
    escaped.replace(quote, QStringLiteral("\"\""));
    return quote + escaped + quote;
}

QString line(const QStringList &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &field : fields)
        out.append(quoted(field));
    return out.join(separator) + QLatin1Char('\n');
}

// Length of the line end at i ("\n" or "\r\n"), 0 when there is none.
int lineEndAt(const QString &text, int i)
{
    if (i < text.size() && text.at(i) == QLatin1Char('\n'))
        return 1;
    if (i + 1 < text.size() && text.at(i) == QLatin1Char('\r')
        && text.at(i + 1) == QLatin1Char('\n'))
        return 2;
    return 0;
}

// Reads the record at start into fields and sets next to where the following one starts; false
// when a field opens a quote that is not closed, or closed and followed by anything but a comma
// or the end of a line.
bool readRecord(const QString &text, int start, QStringList *fields, int *next)
{
    const int size = text.size();
    int i = start;
    for (;;) {
        QString field;
        if (i < size && text.at(i) == quote) {
            bool closed = false;
            for (++i; i < size && !closed; ++i) {
                if (text.at(i) != quote)
                    field += text.at(i);
                else if (i + 1 < size && text.at(i + 1) == quote)
                    field += text.at(++i);
                else
                    closed = true;
            }
            if (!closed || (i < size && text.at(i) != separator && lineEndAt(text, i) == 0))
                return false;
        } else {
            while (i < size && text.at(i) != separator && lineEndAt(text, i) == 0)
                field += text.at(i++);
        }
        fields->append(field);
        if (i < size && text.at(i) == separator) {
            ++i;
            continue;
        }
        *next = i + lineEndAt(text, i);
        return true;
    }
}

QString fileError(const char *text, const QString &path, const QString &reason)
{
    return QCoreApplication::translate("LabelCsv", text).arg(path, reason);
}

} // namespace

QString toCsv(const QStringList &header, const QList<LabelRow> &rows)
{
    QString text = line(header);
    for (const LabelRow &row : rows)
        text += line(row);
    return text;
}

QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    const int size = text.size();
    int start = 0;
    while (start < size) {
        QStringList fields;
        int next = 0;
        if (!readRecord(text, start, &fields, &next)) {
            // A quote that does not make a well-formed field is text: split its line plainly.
            int end = text.indexOf(QLatin1Char('\n'), start);
            next = end < 0 ? size : end + 1;
            if (end < 0)
                end = size;
            if (end > start && text.at(end - 1) == QLatin1Char('\r'))
                --end;
            fields = text.mid(start, end - start).split(separator);
        }
        if (fields.size() > 1 || !fields.value(0).trimmed().isEmpty())
            records.append(fields);
        start = next;
    }
    return records;
}

bool exportFile(const QString &path, const QStringList &header, const QList<LabelRow> &rows,
                QString *errorText)
{
    const QString text = toCsv(header, rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (errorText)
            *errorText = fileError(QT_TRANSLATE_NOOP("LabelCsv", "无法打开文件 %1：%2"), path,
                                   file.errorString());
        return false;
    }
    QTextStream out(&file);
    QTextCodec *codec = QTextCodec::codecForLocale();
    if (!codec->canEncode(text)) {
        out.setCodec("UTF-8");
        out.setGenerateByteOrderMark(true);
    } else {
        out.setCodec(codec);
    }
    out << text;
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        if (errorText)
            *errorText = fileError(QT_TRANSLATE_NOOP("LabelCsv", "无法写入文件 %1：%2"), path,
                                   file.errorString());
        return false;
    }
    return true;
}

bool importFile(const QString &path, Import *result, QString *errorText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (errorText)
            *errorText = fileError(QT_TRANSLATE_NOOP("LabelCsv", "无法打开文件 %1：%2"), path,
                                   file.errorString());
        return false;
    }
    QTextStream in(&file);
    const QList<QStringList> records = parseCsv(in.readAll());
    *result = Import();
    // The first record is the header, dropped unexamined.
    for (int i = 1; i < records.size(); ++i) {
        const QStringList &fields = records.at(i);
        // Bytes that are not text, or control characters, are no label: such a row would show
        // as garbage, and a project file cannot hold it.
        const bool isLabel = fields.size() == LabelColumnCount
                             && std::all_of(fields.cbegin(), fields.cend(), LabelRows::isLabelText);
        if (isLabel)
            result->rows.append(fields);
        else
            ++result->skipped;
    }
    return true;
}

} // namespace LabelCsv
