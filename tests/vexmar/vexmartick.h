#pragma once

// A polling tick as the program makes it, and value texts for comparing label values. Free of
// QtTest, so the benchmark can use it too.
#include "drivebaseclass.h"

#include <QStringList>
#include <QVariant>

struct VexmarTick
{
    QList<QList<Induction::SReadInfo>> blocks;
    QMap<Induction::SReadInfo, CLabelVariable> values;
};

// DebugCmd(1), the grouped read of the list under key "1", then one block read per block.
inline VexmarTick runTick(CDriveBaseClass *driver, const QList<Induction::SReadInfo> &records)
{
    const QString key = QStringLiteral("1");
    VexmarTick tick;
    driver->DebugCmd(StopDebug);
    tick.blocks = driver->InductiveDrive_Read(key, records);
    for (const QList<Induction::SReadInfo> &block : tick.blocks) {
        const QMap<Induction::SReadInfo, CLabelVariable> read = driver->BlockReading(key, block);
        for (auto it = read.cbegin(); it != read.cend(); ++it)
            tick.values.insert(it.key(), it.value());
    }
    return tick;
}

namespace VexmarValueText {

inline QString element(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}
inline QString element(char c)
{
    return QString::number(int(c));
}
inline QString element(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}
inline QString element(float f)
{
    return QString::number(double(f), 'g', 9);
}
inline QString element(double d)
{
    return QString::number(d, 'g', 17);
}
template<typename T>
QString element(T n)
{
    return QString::number(n);
}

template<typename T>
bool append(const QVariant &v, const char *tag, QString *out)
{
    if (v.userType() != qMetaTypeId<QList<T>>())
        return false;
    QStringList parts;
    for (const T &e : v.value<QList<T>>())
        parts << element(e);
    *out = QLatin1String(tag) + QLatin1Char(':') + parts.join(QLatin1Char(','));
    return true;
}

} // namespace VexmarValueText

// "type:e1,e2" for a value list of one of the element types a driver stores, so that a wrong
// element type shows as plainly as a wrong number; "invalid" or the type name otherwise.
inline QString valueText(const QVariant &v)
{
    using namespace VexmarValueText;
    QString out;
    if (append<bool>(v, "bool", &out) || append<char>(v, "char", &out)
        || append<uchar>(v, "uchar", &out) || append<short>(v, "short", &out)
        || append<ushort>(v, "ushort", &out) || append<int>(v, "int", &out)
        || append<uint>(v, "uint", &out) || append<float>(v, "float", &out)
        || append<qlonglong>(v, "qlonglong", &out) || append<qulonglong>(v, "qulonglong", &out)
        || append<double>(v, "double", &out) || append<QString>(v, "string", &out))
        return out;
    return v.isValid() ? QString::fromLatin1(v.typeName()) : QStringLiteral("invalid");
}
