#include "datatype.h"

DataType baseDataType(int type)
{
    if (type >= Bool && type <= string)
        return static_cast<DataType>(type);
    if (type == int16_AB || type == int16_BA)
        return Int16;
    if (type == uint16_AB || type == uint16_BA)
        return UInt16;
    if (type >= int32_ABCD && type <= int32_DCBA)
        return Int32;
    if (type >= uint32_ABCD && type <= uint32_DCBA)
        return UInt32;
    if (type >= int64_ABCDEFGH && type <= int64_HGFEDCBA)
        return Int64;
    if (type >= uint64_ABCDEFGH && type <= uint64_HGFEDCBA)
        return UInt64;
    if (type >= float_ABCD && type <= float_DCBA)
        return Float;
    if (type >= double_ABCDEFGH && type <= double_HGFEDCBA)
        return Double;
    return null;
}

QString dataTypeName(int type)
{
    static const char *const names[] = {
        "null", "bool", "Int8", "UInt8", "Int16", "UInt16", "Int32", "UInt32", "float",
        "Int64", "UInt64", "double", "string",
        "int16_AB", "int16_BA", "uint16_AB", "uint16_BA",
        "int32_ABCD", "int32_BADC", "int32_CDAB", "int32_DCBA",
        "uint32_ABCD", "uint32_BADC", "uint32_CDAB", "uint32_DCBA",
        "int64_ABCDEFGH", "int64_BADCFEHG", "int64_GHEFCDAB", "int64_HGFEDCBA",
        "uint64_ABCDEFGH", "uint64_BADCFEHG", "uint64_GHEFCDAB", "uint64_HGFEDCBA",
        "float_ABCD", "float_BADC", "float_CDAB", "float_DCBA",
        "double_ABCDEFGH", "double_BADCFEHG", "double_GHEFCDAB", "double_HGFEDCBA",
    };
    static_assert(sizeof(names) / sizeof(names[0]) == dataTypeLast + 1, "one name per type");
    if (!isDataType(type))
        return QString();
    return QString::fromLatin1(names[type]);
}
