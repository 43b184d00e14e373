/* The stb_vorbis decoder, compiled once for the sound library. Debian ships
   the whole single-file decoder as stb_vorbis.h; everything else includes it
   with STB_VORBIS_HEADER_ONLY. The library feeds it checked pages through the
   push interface; the pull interface on memory is compiled too, for the
   benchmark's whole-file decode (files are read by the library itself). */
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"
