#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QSettings;

// One label of a section: its name and the texts of its zero-scale ("零刻度") and full-scale
// ("满刻度") cells. A series-table row without a label item is kept as a gap: it counts but
// writes no keys.
struct SectionEntry
{
    QString label;
    QString zeroScale;
    QString fullScale;
    bool hasLabel = true;
};

// The chart sections of a project in its settings file: "Section/0" the number of sections,
// "Section/<n>" the label count of section n, and in group "Section<n>" the keys "<j>" (label
// name of entry j), "Max<j>" (its zero-scale text), "Min<j>" (its full-scale text) and "name".
// Max carries the zero scale and Min the full scale, in both directions. Sections are numbered
// from 1; every call reads or writes the file, there is no cache.
class ChartSections
{
public:
    explicit ChartSections(QSettings *settings);

    // The text a fresh settings file holds under "Section/1"; it reads as a count of 0.
    static QString placeholder();
    // Writes the placeholder of a fresh settings file.
    void startFile();

    // Number of sections; a missing or broken count, or one beyond maxSections, reads as such.
    int count() const;
    QString name(int n) const;
    QStringList names() const;
    // Label count of section n; missing, the placeholder, no number or n < 1 reads as 0.
    int entryCount(int n) const;
    // The entries of section n in order; missing keys read as empty texts.
    QList<SectionEntry> entries(int n) const;
    QStringList labelNames(int n) const;

    // The name a new section n gets: base followed by n, or when that is taken by an existing
    // section, followed by n and "_1", "_2", … up to the first free one.
    QString newName(const QString &base) const;
    // Appends a section of these rows named name; its number (the new count), or 0 when the
    // file could not be written.
    int add(const QList<SectionEntry> &rows, const QString &name);
    // Removes section n (1 … count) and moves the later ones down; false for any other n, or
    // when the file could not be written.
    bool remove(int n);
    // Replaces the rows and the name of section n (1 … count); false for any other n, or when
    // the file could not be written.
    bool modify(int n, const QList<SectionEntry> &rows, const QString &name);
    // Whether the last add, remove or modify failed to reach the file (a full disk, a file that
    // cannot be written). The sections then read as the file holds them.
    bool writeFailed() const { return m_writeFailed; }

    // A hand-edited file cannot make the section lists grow without end.
    static constexpr int maxSections = 1000;

private:
    // Section n anew: these rows and this name.
    void writeSection(int n, const QList<SectionEntry> &rows, const QString &name);
    // Every key and its value, as the file holds them before a change.
    QVariantMap snapshot() const;
    // Writes the file; when that fails, puts the keys of `before` back so that nothing unsaved
    // is read as a section (nor written later by chance). False then.
    bool commit(const QVariantMap &before);

    QSettings *m_settings;
    bool m_writeFailed = false;
};
