#pragma once

#include "datatype.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

// Status codes a driver operation leaves in CLabelVariable::status.
namespace LabelStatus {
enum : int {
    Ok = 0,
    NotDone = 1,
    TypeNotSupported = 2,
    AreaNotRecognised = 3,
    BadCount = 4,
    AddressOutOfRange = 5,
    WriteToInputArea = 6,
    ReplyFrameError = 7,
    ResponseTimeout = 8,
    DeviceOffline = 9,
};
}

// Conversion codes the typed getters leave in CLabelVariable::error.
namespace LabelError {
enum : int {
    Ok = 0,
    Default = 1,
    IndexOutOfRange = 10,
    NotConvertible = 11,
};
}

// The value of one label as it crosses the driver boundary: elements, time and outcome.
// Compiled into the program and into every driver, so the field order is part of the contract.
class CLabelVariable
{
public:
    CLabelVariable();
    CLabelVariable(const CLabelVariable &other);
    // Copies everything but error and reserved: the target keeps its own getter status.
    CLabelVariable &operator=(const CLabelVariable &other);
    ~CLabelVariable();

    QString get_string(int i);
    bool get_bool(int i);
    char get_Int8(int i);
    unsigned char get_UInt8(int i);
    short get_Int16(int i);
    unsigned short get_UInt16(int i);
    int get_Int32(int i);
    unsigned int get_UInt32(int i);
    float get_float(int i);
    qint64 get_Int64(int i);
    quint64 get_UInt64(int i);
    double get_double(int i);

    // Element-wise arithmetic on two records of the same shape; see labelvariable.cpp.
    CLabelVariable operator+(const CLabelVariable &other) const;
    CLabelVariable operator-(const CLabelVariable &other) const;
    CLabelVariable operator*(const CLabelVariable &other) const;
    CLabelVariable operator/(const CLabelVariable &other) const;
    bool operator==(const CLabelVariable &other) const;

    // Element i as T, with error set as the typed getters set it. Const because the
    // operators read their right operand through it; error is a getter cache, hence mutable.
    template<typename T>
    T elementAt(int i) const
    {
        if (!value.canConvert<QList<T>>()) {
            error = LabelError::NotConvertible;
            return T();
        }
        const QList<T> list = value.value<QList<T>>();
        if (i < 0 || i >= list.size()) {
            error = LabelError::IndexOutOfRange;
            return T();
        }
        error = LabelError::Ok;
        return list.at(i);
    }

    qint32 status;
    mutable qint32 error;
    QVariant value;
    QDateTime time;
    QString name;
    qint32 count;
    qint32 type;
    qint32 reserved;
    QString text;
};
