#pragma once
// The short-lived messages of the Quake II protocols: temporary entities
// (explosions, trails, beams, ... each with its own fields), sounds and
// muzzle flashes. Nothing of them is kept; they are only measured so that
// the reading stays in step with the message.

#include "readers/ByteStream.h"

namespace fenlark::readers::quake2 {

struct EffectEncoding {
    bool extendedLimits = false;    // 16-bit sound indexes when a sound asks for them
    bool variablePositions = false; // positions with variable-length coordinates
};

// Skips one temporary entity (after its opcode). False when its type is not
// one the protocols define: its size is then unknown.
bool SkipTempEntity(SpanReader& in, const EffectEncoding& encoding);
// Skips a positioned or entity sound (after its opcode).
void SkipSound(SpanReader& in, const EffectEncoding& encoding);
// Skips a muzzle flash (after its opcode).
void SkipMuzzleFlash(SpanReader& in);

} // namespace fenlark::readers::quake2
