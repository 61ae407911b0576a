#pragma once

#include <QString>

// Value types of a label. Crosses the driver boundary as a plain int, so the numbers are fixed.
// 13 to 40 are byte-order variants: their value lists hold elements of the base type.
enum DataType {
    null = 0,
    Bool = 1,
    Int8 = 2,
    UInt8 = 3,
    Int16 = 4,
    UInt16 = 5,
    Int32 = 6,
    UInt32 = 7,
    Float = 8,
    Int64 = 9,
    UInt64 = 10,
    Double = 11,
    string = 12,
    int16_AB = 13,
    int16_BA = 14,
    uint16_AB = 15,
    uint16_BA = 16,
    int32_ABCD = 17,
    int32_BADC = 18,
    int32_CDAB = 19,
    int32_DCBA = 20,
    uint32_ABCD = 21,
    uint32_BADC = 22,
    uint32_CDAB = 23,
    uint32_DCBA = 24,
    int64_ABCDEFGH = 25,
    int64_BADCFEHG = 26,
    int64_GHEFCDAB = 27,
    int64_HGFEDCBA = 28,
    uint64_ABCDEFGH = 29,
    uint64_BADCFEHG = 30,
    uint64_GHEFCDAB = 31,
    uint64_HGFEDCBA = 32,
    float_ABCD = 33,
    float_BADC = 34,
    float_CDAB = 35,
    float_DCBA = 36,
    double_ABCDEFGH = 37,
    double_BADCFEHG = 38,
    double_GHEFCDAB = 39,
    double_HGFEDCBA = 40,
};

constexpr int dataTypeFirst = 0;
constexpr int dataTypeLast = 40;

inline bool isDataType(int type)
{
    return type >= dataTypeFirst && type <= dataTypeLast;
}

// The base type whose elements a type's value list holds (0 for "null" and for non-types).
DataType baseDataType(int type);

// Display name of a type ("null", "bool", "Int8", ... "double_HGFEDCBA"); empty for a non-type.
QString dataTypeName(int type);
