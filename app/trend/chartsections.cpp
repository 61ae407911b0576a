#include "chartsections.h"

#include <QSettings>

namespace {

QString countKey(int n)
{
    return QStringLiteral("Section/%1").arg(n);
}

QString group(int n)
{
    return QStringLiteral("Section%1").arg(n);
}

QString entryKey(int n, const QString &format, int j)
{
    return group(n) + QLatin1Char('/') + format.arg(j);
}

QString nameKey(int n)
{
    return group(n) + QStringLiteral("/name");
}

} // namespace

ChartSections::ChartSections(QSettings *settings)
    : m_settings(settings)
{
}

QString ChartSections::placeholder()
{
    return QStringLiteral("value");
}

void ChartSections::startFile()
{
    m_settings->setValue(countKey(1), placeholder());
    m_settings->sync();
}

int ChartSections::count() const
{
    return qBound(0, m_settings->value(countKey(0)).toInt(), maxSections);
}

QString ChartSections::name(int n) const
{
    return m_settings->value(nameKey(n)).toString();
}

QStringList ChartSections::names() const
{
    QStringList list;
    const int n = count();
    for (int i = 1; i <= n; ++i)
        list.append(name(i));
    return list;
}

int ChartSections::entryCount(int n) const
{
    // "Section/0" is the number of sections, not a section; an empty list has no section 0.
    if (n < 1)
        return 0;
    return qMax(0, m_settings->value(countKey(n)).toInt());
}

QList<SectionEntry> ChartSections::entries(int n) const
{
    QList<SectionEntry> list;
    const int size = entryCount(n);
    for (int j = 1; j <= size; ++j) {
        SectionEntry entry;
        entry.label = m_settings->value(entryKey(n, QStringLiteral("%1"), j)).toString();
        entry.zeroScale = m_settings->value(entryKey(n, QStringLiteral("Max%1"), j)).toString();
        entry.fullScale = m_settings->value(entryKey(n, QStringLiteral("Min%1"), j)).toString();
        list.append(entry);
    }
    return list;
}

QStringList ChartSections::labelNames(int n) const
{
    QStringList list;
    for (const SectionEntry &entry : entries(n))
        list.append(entry.label);
    return list;
}

QString ChartSections::newName(const QString &base) const
{
    const QStringList taken = names();
    const QString plain = base + QString::number(count() + 1);
    if (!taken.contains(plain))
        return plain;
    for (int suffix = 1;; ++suffix) {
        const QString candidate = plain + QStringLiteral("_%1").arg(suffix);
        if (!taken.contains(candidate))
            return candidate;
    }
}

void ChartSections::writeSection(int n, const QList<SectionEntry> &rows, const QString &name)
{
    // Keys left in section n (by an earlier broken file, or of the rows replaced) would mix
    // into the new rows.
    m_settings->remove(group(n));
    m_settings->setValue(countKey(n), QString::number(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const SectionEntry &row = rows[r];
        // A row without a label leaves its number unused.
        if (!row.hasLabel)
            continue;
        m_settings->setValue(entryKey(n, QStringLiteral("%1"), r + 1), row.label);
        m_settings->setValue(entryKey(n, QStringLiteral("Max%1"), r + 1), row.zeroScale);
        m_settings->setValue(entryKey(n, QStringLiteral("Min%1"), r + 1), row.fullScale);
    }
    m_settings->setValue(nameKey(n), name);
}

QVariantMap ChartSections::snapshot() const
{
    QVariantMap keys;
    for (const QString &key : m_settings->allKeys())
        keys.insert(key, m_settings->value(key));
    return keys;
}

bool ChartSections::commit(const QVariantMap &before)
{
    m_settings->sync();
    // A settings object keeps its first error for good: a fresh one on the same file (they
    // share the keys held in memory) tells whether this write reached the file.
    QSettings file(m_settings->fileName(), m_settings->format());
    file.sync();
    m_writeFailed = file.status() != QSettings::NoError;
    if (!m_writeFailed)
        return true;
    m_settings->clear();
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        m_settings->setValue(it.key(), it.value());
    return false;
}

int ChartSections::add(const QList<SectionEntry> &rows, const QString &name)
{
    const QVariantMap before = snapshot();
    const int n = count() + 1;
    m_settings->setValue(countKey(0), n);
    writeSection(n, rows, name);
    return commit(before) ? n : 0;
}

bool ChartSections::remove(int n)
{
    const int total = count();
    if (n < 1 || n > total)
        return false;
    const QVariantMap before = snapshot();
    for (int m = n; m < total; ++m) {
        const int size = entryCount(m + 1);
        m_settings->setValue(countKey(m), QString::number(size));
        m_settings->remove(group(m));
        for (int i = 1; i <= size; ++i) {
            for (const QString &format :
                 {QStringLiteral("%1"), QStringLiteral("Max%1"), QStringLiteral("Min%1")}) {
                const QString from = entryKey(m + 1, format, i);
                if (m_settings->contains(from))
                    m_settings->setValue(entryKey(m, format, i), m_settings->value(from));
            }
        }
        m_settings->setValue(nameKey(m), m_settings->value(nameKey(m + 1)));
    }
    m_settings->remove(countKey(total));
    m_settings->remove(group(total));
    m_settings->setValue(countKey(0), total - 1);
    return commit(before);
}

bool ChartSections::modify(int n, const QList<SectionEntry> &rows, const QString &name)
{
    if (n < 1 || n > count())
        return false;
    const QVariantMap before = snapshot();
    writeSection(n, rows, name);
    return commit(before);
}
