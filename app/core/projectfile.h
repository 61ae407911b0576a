#pragma once

#include "labeltypes.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// What a project file holds: driver, link and labels.
struct ProjectData
{
    QString name;         // text of "name"
    QString driveLibName; // text of "drivelib"
    bool hasConnect = false;
    QString linkMode;      // "select" of "connect": "com" or "net"
    QString linkParameter; // "par" of "connect": the link string
    QList<LabelRow> labels;
};

// Outcome of reading a project file. A file that does not read whole (cut off, empty, not XML,
// another root element) is an XmlError with data empty.
struct ProjectReadResult
{
    enum Status { Ok, OpenFailed, XmlError };
    Status status = Ok;
    ProjectData data;
    QString errorText; // translated, names the file (and the line of an XML error)
    qint64 errorLine = 0;
};

// Project files (XML, suffix "dpro", root "pro") in both directions, and the names derived
// from a project: its driver library, history database and settings file.
class ProjectFile
{
    Q_DECLARE_TR_FUNCTIONS(ProjectFile)

public:
    static ProjectReadResult read(const QString &path);
    // The full form: name, drivelib, connect and one "item" per label. Replaces the file only
    // once everything is written; refuses data holding a character the file cannot carry, and
    // errorText then names it and where it is.
    static bool write(const QString &path, const ProjectData &data, QString *errorText = nullptr);
    // Where data holds a character a project file cannot carry (the label and column, or the
    // link, and the character), translated; empty when it holds none.
    static QString unstorableText(const ProjectData &data);
    // The file of a new project: only name and drivelib. Refuses a file that already exists.
    static bool create(const QString &path, const QString &name, const QString &driveLibName,
                       QString *errorText = nullptr);

    // A driver name from a project file may only name a file in the driver folder: no path,
    // no "/", "\", ".." or drive letter.
    static bool isPlainDriverName(const QString &name);
    // Absolute path of the library in driverDir whose name up to its first dot is name; empty,
    // with a translated errorText, when the name is not plain or no such library is there.
    static QString driverLibraryPath(const QString &driverDir, const QString &name,
                                     QString *errorText = nullptr);

    // The history database of a project by instance mode: "1" gives a.db beside a.dpro, any
    // other mode "HistoryData.db" in sharedDir. Always absolute, so that the existence test,
    // the creation and every open concern the same file.
    static QString historyDatabasePath(const QString &instanceMode, const QString &projectPath,
                                       const QString &sharedDir);
    // "<dir>/<project file name without .dpro>.ini"; "<dir>/<project file name>.ini" for a
    // project named like a program file ("settings", "config").
    static QString projectSettingsPath(const QString &dir, const QString &projectFileName);
};
