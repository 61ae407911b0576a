#pragma once

#include "datatype.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <type_traits>

// Type dispatch over the element type of a DataType's value list: calls f(T()) with T the element
// type (byte-order variants as their base type) and returns true; false, without a call, for a
// non-type. Every place that handles values by type goes through this one switch.
template<typename F>
bool withElementType(int type, F &&f)
{
    switch (baseDataType(type)) {
    case Bool:
        f(bool());
        return true;
    case Int8:
        f(char());
        return true;
    case UInt8:
        f((unsigned char)0);
        return true;
    case Int16:
        f(short());
        return true;
    case UInt16:
        f((unsigned short)0);
        return true;
    case Int32:
        f(int());
        return true;
    case UInt32:
        f(0u);
        return true;
    case Float:
        f(float());
        return true;
    case Int64:
        f(qint64());
        return true;
    case UInt64:
        f(quint64());
        return true;
    case Double:
        f(double());
        return true;
    case string:
        f(QString());
        return true;
    default:
        return false;
    }
}

// As withElementType, for the numeric types only (not bool, not string).
template<typename F>
bool withNumericType(int type, F &&f)
{
    const int base = baseDataType(type);
    if (base == Bool || base == string)
        return false;
    return withElementType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (!std::is_same<T, bool>::value && !std::is_same<T, QString>::value)
            f(tag);
    });
}

// A one-element value list of the type's element type holding x (bool: x != 0; string: its
// decimal text); invalid for a non-type. Integer types take x converted as C++ converts.
inline QVariant oneElementList(int type, double x)
{
    QVariant v;
    withElementType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_same<T, QString>::value)
            v = QVariant::fromValue(QList<QString>{QString::number(x)});
        else if constexpr (std::is_same<T, bool>::value)
            v = QVariant::fromValue(QList<bool>{x != 0.0});
        else
            v = QVariant::fromValue(QList<T>{static_cast<T>(x)});
    });
    return v;
}
