#pragma once

// Helpers shared by the read and the write half of the induction engine.
namespace EngineInternal {

// A string area holds one string per index in a slot of this many bytes: a length byte, then the
// characters.
constexpr int stringSlotBytes = 256;

bool isStringArea(int area);

// Blocks the calling thread for ms milliseconds; nothing for 0 or less.
void pause(int ms);

} // namespace EngineInternal
