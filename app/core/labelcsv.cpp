#include "labelcsv.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

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
    QStringList fields;
    QString field;
    bool inQuotes = false;
    bool atFieldStart = true;
    bool recordStarted = false;
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        recordStarted = true;
        if (inQuotes) {
            if (c != quote)
                field += c;
            else if (i + 1 < size && text.at(i + 1) == quote)
                field += text.at(++i);
            else
                inQuotes = false;
            continue;
        }
        if (c == quote && atFieldStart) {
            inQuotes = true;
            atFieldStart = false;
        } else if (c == separator) {
            fields.append(field);
            field.clear();
            atFieldStart = true;
        } else if (c == QLatin1Char('\n')
                   || (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == '\n')) {
            if (c == QLatin1Char('\r'))
                ++i;
            fields.append(field);
            records.append(fields);
            fields.clear();
            field.clear();
            atFieldStart = true;
            recordStarted = false;
        } else {
            field += c;
            atFieldStart = false;
        }
    }
    if (recordStarted) {
        fields.append(field);
        records.append(fields);
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

bool importFile(const QString &path, QList<LabelRow> *rows, QString *errorText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (errorText)
            *errorText = fileError(QT_TRANSLATE_NOOP("LabelCsv", "无法打开文件 %1：%2"), path,
                                   file.errorString());
        return false;
    }
    QTextStream in(&file);
    QList<QStringList> records = parseCsv(in.readAll());
    if (!records.isEmpty())
        records.removeFirst();
    *rows = records;
    return true;
}

} // namespace LabelCsv
