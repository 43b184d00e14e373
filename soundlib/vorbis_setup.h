// The check of a Vorbis setup header packet before the decoder parses it.
#pragma once

#include <cstddef>
#include <cstdint>

// True when the setup header `packet` (`size` bytes, from its type byte on)
// of a stream of `channels` channels is sound: every field within the
// packet, every index within its table, and nothing the decoder is known to
// mishandle. Reads only the packet; allocates nothing.
bool CheckVorbisSetup(const uint8_t* packet, size_t size, uint32_t channels);
