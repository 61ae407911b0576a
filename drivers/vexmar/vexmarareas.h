#pragma once

#include "datatype.h"

#include <QString>

// Memory areas of the controller family as they travel on the wire: the code of an address
// text, its element index, the per-area maximum and the byte length of a transfer. The engine's
// own numbering of the names (SI 25, SO 26) lives in areanames.h.
namespace Vexmar {

// Wire codes that the frame and read/write rules single out.
enum AreaCode : int {
    AreaNone = 0,
    AreaSA = 14,
    AreaString = 28, // "SI": strings in 256-byte slots
    AreaCustom = 29,
};

// The largest data part of one frame; a transfer of this many bytes or more cannot be made.
constexpr int maxFrameDataBytes = 1468;
// One string slot: a length byte and up to 255 characters.
constexpr int stringSlotBytes = 256;

bool isBitArea(int area);
bool isWord32Area(int area);
bool isStringArea(int area);

// Area code of an address text by its leading name, 0 when none matches.
int getArea(const QString &address);
// Zero-based element index from all the digits of the text, -1 when they give no number.
int getAddr(const QString &address);
// The per-area maximum for codes 0 to 46; 0 for any other code.
int getmaximum_length(int area);
// Bytes of a transfer of count elements of type in area; 0 when it cannot be made.
int getBytelen(DataType type, int count, int area);
// Whether an element index lies inside its area (so a request for it may be sent at all).
bool indexInArea(int area, int index);
// Whether a transfer of dataLength (points in a bit area, bytes elsewhere) from index stays
// inside the area, whose maximum counts its elements. Areas without a known element size
// are checked at the first element only.
bool runInArea(int area, int index, int dataLength);

} // namespace Vexmar
