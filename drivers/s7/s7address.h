#pragma once

#include <QString>

// The S7 address grammar of the driver's labels and the byte length of a transfer.
namespace S7 {

// Area bytes of read and write items.
enum Area : int {
    AreaNone = 0,
    AreaInputs = 0x81,
    AreaOutputs = 0x82,
    AreaFlags = 0x83,
    AreaDataBlocks = 0x84,
};

// Highest byte address a label may reach.
constexpr int maxByteAddress = 65535;

// A parsed address; valid is false for any text outside the grammar, which then names no area
// and byte address -1.
struct Address
{
    bool valid = false;
    int area = AreaNone;
    int dbNumber = 0; // 0 for V memory, which the wire sends as data block 1
    int byteAddress = -1;
    int bit = 0;
};

// Accepts, without regard to case and surrounding blanks:
//   I0.3 Q4.0 M10.2 M10 V100 V100.3      area letter, byte, optional bit 0-7
//   IB2 IW2 ID2 QB4 MW10 MD100 VB7 VW100  area and size letter, byte (no bit)
//   DB1.DBX10.3 DB1.DBX10 DB5.DBB20 DB5.DBW20 DB2_DBD4   data block 1-65535; the separator
//   may also be ":" or ";"; only DBX takes a bit
//   V_or_DB5.DBW20 (as DB5.DBW20), V_or_DB100 (as V100)
Address parseAddress(const QString &text);

// Bytes that count elements of a DataType take; 0 for types without a codec.
int byteLength(int type, int count);

} // namespace S7
