#include "projectfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QLatin1String suffix(".dpro");

// Writes the document; full adds connect and the labels, as a save does.
bool writeDocument(QIODevice *device, const ProjectData &data, bool full)
{
    QXmlStreamWriter xml(device);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("pro"));
    xml.writeTextElement(QStringLiteral("name"), data.name);
    xml.writeTextElement(QStringLiteral("drivelib"), data.driveLibName);
    if (full) {
        xml.writeEmptyElement(QStringLiteral("connect"));
        xml.writeAttribute(QStringLiteral("select"), data.linkMode);
        xml.writeAttribute(QStringLiteral("par"), data.linkParameter);
        xml.writeStartElement(QStringLiteral("label"));
        for (const LabelRow &row : data.labels) {
            xml.writeEmptyElement(QStringLiteral("item"));
            xml.writeAttribute(QStringLiteral("time"), row.value(LabelColumnTime));
            xml.writeAttribute(QStringLiteral("label"), row.value(LabelColumnLabel));
            xml.writeAttribute(QStringLiteral("type"), row.value(LabelColumnType));
            xml.writeAttribute(QStringLiteral("value"), row.value(LabelColumnValue));
            xml.writeAttribute(QStringLiteral("unit"), row.value(LabelColumnUnit));
            xml.writeAttribute(QStringLiteral("describe"), row.value(LabelColumnDescription));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return !xml.hasError();
}

} // namespace

ProjectReadResult ProjectFile::read(const QString &path)
{
    ProjectReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.status = ProjectReadResult::OpenFailed;
        result.errorText = tr("无法打开项目文件 %1：%2").arg(path, file.errorString());
        return result;
    }
    ProjectData &data = result.data;
    QXmlStreamReader xml(&file);
    bool rootSeen = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef element = xml.name();
        if (!rootSeen) {
            rootSeen = true;
            if (element != QLatin1String("pro")) {
                xml.raiseError(tr("不是项目文件（根元素 \"%1\" 不是 \"pro\"）").arg(element));
                break;
            }
        }
        if (element == QLatin1String("name")) {
            data.name = xml.readElementText();
        } else if (element == QLatin1String("drivelib")) {
            data.driveLibName = xml.readElementText();
        } else if (element == QLatin1String("connect")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            data.hasConnect = true;
            data.linkMode = attributes.value(QLatin1String("select")).toString();
            data.linkParameter = attributes.value(QLatin1String("par")).toString();
        } else if (element == QLatin1String("item")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            LabelRow row;
            for (const char *key : {"time", "label", "describe", "value", "unit", "type"})
                row.append(attributes.value(QLatin1String(key)).toString());
            data.labels.append(row);
        }
    }
    if (xml.hasError()) {
        // Half a project is no project: saving it would overwrite the file with the part read.
        data = ProjectData();
        result.status = ProjectReadResult::XmlError;
        result.errorLine = xml.lineNumber();
        result.errorText = tr("项目文件 %1 第 %2 行有错误：%3")
                               .arg(path)
                               .arg(result.errorLine)
                               .arg(xml.errorString());
    }
    return result;
}

QString ProjectFile::unstorableText(const ProjectData &data)
{
    const QStringList columns = LabelRows::columnNames();
    for (int r = 0; r < data.labels.size(); ++r) {
        const LabelRow &row = data.labels.at(r);
        for (int c = 0; c < row.size() && c < LabelColumnCount; ++c) {
            const int at = LabelRows::firstUnstorableCharacter(row.at(c));
            if (at >= 0)
                return tr("第 %1 行（标签 %2）的%3含有项目文件无法保存的字符 %4")
                    .arg(r + 1)
                    .arg(row.value(LabelColumnLabel), columns[c],
                         LabelRows::characterName(row.at(c), at));
        }
    }
    const QPair<QString, QString> others[] = {{tr("工程名称"), data.name},
                                              {tr("驱动库名称"), data.driveLibName},
                                              {tr("通信设置"), data.linkMode},
                                              {tr("通信设置"), data.linkParameter}};
    for (const auto &field : others) {
        const int at = LabelRows::firstUnstorableCharacter(field.second);
        if (at >= 0)
            return tr("%1含有项目文件无法保存的字符 %2")
                .arg(field.first, LabelRows::characterName(field.second, at));
    }
    return QString();
}

bool ProjectFile::write(const QString &path, const ProjectData &data, QString *errorText)
{
    // Found before the file is touched: the writer would only fail with no reason given, or
    // drop half a surrogate pair without a word.
    const QString unstorable = unstorableText(data);
    if (!unstorable.isEmpty()) {
        if (errorText)
            *errorText = tr("无法保存项目文件 %1：%2").arg(path, unstorable);
        return false;
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text) && writeDocument(&file, data, true)
        && file.commit()) {
        return true;
    }
    if (errorText)
        *errorText = tr("无法保存项目文件 %1：%2").arg(path, file.errorString());
    return false;
}

bool ProjectFile::create(const QString &path, const QString &name, const QString &driveLibName,
                         QString *errorText)
{
    QFile file(path);
    // NewOnly: an existing project is never overwritten, not even by a race.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text)) {
        if (errorText) {
            *errorText = file.exists()
                             ? tr("项目文件已存在：%1").arg(path)
                             : tr("无法创建项目文件 %1：%2").arg(path, file.errorString());
        }
        return false;
    }
    ProjectData data;
    data.name = name;
    data.driveLibName = driveLibName;
    if (writeDocument(&file, data, false) && file.flush())
        return true;
    if (errorText)
        *errorText = tr("无法创建项目文件 %1：%2").arg(path, file.errorString());
    file.close();
    file.remove();
    return false;
}

bool ProjectFile::isPlainDriverName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.contains(QLatin1String("..")) && !name.contains(QLatin1Char(':'))
           && !name.contains(QChar(0));
}

QString ProjectFile::driverLibraryPath(const QString &driverDir, const QString &name,
                                       QString *errorText)
{
    if (!isPlainDriverName(name)) {
        if (errorText)
            *errorText = tr("驱动库名称无效：%1").arg(name);
        return QString();
    }
    const QFileInfoList files
        = QDir(driverDir).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        if (file.baseName() == name && QLibrary::isLibrary(file.fileName()))
            return file.absoluteFilePath();
    }
    if (errorText)
        *errorText = tr("在 %1 中找不到驱动库 %2").arg(QDir::toNativeSeparators(driverDir), name);
    return QString();
}

QString ProjectFile::historyDatabasePath(const QString &instanceMode, const QString &projectPath,
                                         const QString &sharedDir)
{
    if (instanceMode != QLatin1String("1"))
        return QDir(sharedDir).absoluteFilePath(QStringLiteral("HistoryData.db"));
    QString path = QFileInfo(projectPath).absoluteFilePath();
    if (path.endsWith(suffix, Qt::CaseInsensitive))
        path.chop(suffix.size());
    return path + QStringLiteral(".db");
}

QString ProjectFile::projectSettingsPath(const QString &dir, const QString &projectFileName)
{
    QString base = projectFileName;
    if (base.endsWith(suffix, Qt::CaseInsensitive))
        base.chop(suffix.size());
    // The program's own files in the same folder ("settings", the broker's "config") are never
    // a project's: such a project keeps its full file name in front of ".ini".
    for (const char *reserved : {"settings", "config"}) {
        if (base.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return QStringLiteral("%1/%2.ini").arg(dir, projectFileName);
    }
    return QStringLiteral("%1/%2.ini").arg(dir, base);
}
