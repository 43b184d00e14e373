/* The stb_vorbis decoder, compiled once for the sound library from our
   pinned copy (third_party/stb_vorbis, with its patch); everything else
   includes it with STB_VORBIS_HEADER_ONLY and uses only its public calls.
   The library feeds it checked pages through the push interface; the pull
   interface on memory is compiled too, for the benchmark's whole-file
   decode (files are read by the library itself). */
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"
