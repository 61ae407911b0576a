#pragma once

#include "datatype.h"

#include <QString>

// Memory areas of the controller family as they travel on the wire: the code of an address
// text, its element index, the per-area maximum and the byte length of a transfer. The engine's
// own numbering of the names (SI 25, SO 26) lives in areanames.h.
namespace Vexmar {

// The areas' codes as they travel in every request frame; each is named here only.
enum AreaCode : int {
    AreaNone = 0,
    AreaDI = 1,
    AreaDI_F = 2,
    AreaDI_S = 3,
    AreaDO = 4,
    AreaDO_F = 5,
    AreaDO_S = 6,
    AreaAI = 7,
    AreaAI_F = 8,
    AreaAI_S = 9,
    AreaAO = 10,
    AreaAO_F = 11,
    AreaAO_S = 12,
    AreaSD = 13,
    AreaSA = 14, // the one 16-bit word area
    AreaNDI = 15,
    AreaNDO = 16,
    AreaNAI = 17,
    AreaNAO = 18,
    AreaHDS = 19,
    AreaHDP = 20,
    AreaHAI = 21,
    AreaLD = 22,
    AreaLA = 23,
    AreaLW = 24,
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
// The name of a wire code as address texts begin with it; empty for a code without one.
QString areaName(int area);
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
