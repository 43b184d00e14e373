/* The stb_vorbis decoder, compiled once for the sound library. Debian ships
   the whole single-file decoder as stb_vorbis.h; everything else includes it
   with STB_VORBIS_HEADER_ONLY. The library feeds it checked pages through the
   push interface; the pull interface on memory is compiled too, for the
   benchmark's whole-file decode (files are read by the library itself). */
#define STB_VORBIS_NO_STDIO
#include "stb_vorbis.h"

/* Restarts a push decoder at the start of the next page it is given, as if
   the stream began there: the first packet only primes the overlap, and the
   decoder does not know its place until a page's granule position tells it.
   stb_vorbis_flush_pushdata alone would make the decoder search the bytes
   for a page with a matching CRC first; we only ever give it whole checked
   pages, and its search assembles the CRC with signed shifts that overflow
   for half of all pages. */
void RestartPushDecoder(stb_vorbis *f)
{
   stb_vorbis_flush_pushdata(f);
   f->page_crc_tests = -1;
   f->next_seg = -1;
}
