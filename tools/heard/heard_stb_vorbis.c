/* The stb_vorbis decoder for the sound checks, compiled once here; the
   checks read the track from its file (stdio kept). */
#define STB_VORBIS_NO_PUSHDATA_API
#include "stb_vorbis.h"
