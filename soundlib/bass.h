// Halvane's sound library: the version-2.3 interface subset the show uses,
// written for this project (Ogg Vorbis decoding, output, spectrum).
//
// MANUAL
//
// Model. One device at a time (BASS_Init .. BASS_Free), up to 16 streams on
// it. A stream is an Ogg Vorbis file decoded as it goes: it holds a window
// of signed 16-bit interleaved samples around its position (a ring of at
// least 65,536 frames, more for a device with a long latency), decodes on
// as its position moves and jumps when it is set elsewhere. Opening reads
// only the headers, the first pages and the last page (for the length);
// a 180 s file opens in about a millisecond and a playing stream of it
// holds under 1 MB, whatever its length. Positions and lengths are bytes
// of that 16-bit audio: one sample frame is 2 x channels bytes (one second
// of 44.1 kHz stereo is 176,400 bytes). Every position can be set, and
// reads exactly what decoding the file from its start reads there.
//
// Devices. -1 (or 1) is the default output device: SDL2 audio on Linux (set
// SDL_AUDIODRIVER=dummy to play into nothing in real time), waveOut on
// Windows; when there is none, BASS_Init fails with BASS_ERROR_DRIVER.
// 0 is "no sound": nothing is heard, but a played stream's position advances
// with the library's monotonic clock in real time, exactly as if it were
// heard (tests put a clock of their own in its place: sound_clock.h). The init
// flags (BASS_DEVICE_3D among them), the window and the class id are
// accepted and ignored; freq is the mix rate (0 means 44100), and a stream of
// another rate is resampled (linear interpolation) as it plays.
//
// Calls. Every call sets the code that BASS_ErrorGetCode returns: BASS_OK on
// success, else the reason (BASS_ERROR_*). Handles of freed streams stay
// invalid (BASS_ERROR_HANDLE).
// - BASS_GetVersion: 0x02030001 (interface 2.3 in the upper half-word).
// - BASS_Init(device, freq, flags, win, clsid): opens the device as above.
//   BASS_ERROR_ALREADY if one is open, BASS_ERROR_DEVICE for other numbers.
// - BASS_Free: stops and frees every stream, closes the device.
// - BASS_StreamCreateFile(mem, file, offset, length, flags): opens the file
//   named `file` (mem FALSE; kept open and read as the stream decodes) or
//   the `length` bytes at `file` (mem TRUE; copied, so the caller's block
//   may go away), starting `offset` bytes in; length 0 with a file name
//   reads to its end. flags: BASS_STREAM_DECODE makes a decoding stream,
//   which is never played, only positioned and read; other flags are
//   ignored. Returns 0 with BASS_ERROR_INIT (no device), BASS_ERROR_FILEOPEN
//   (missing, unreadable, not a regular file), BASS_ERROR_FILEFORM (empty,
//   damaged or cut before any audio, not Ogg Vorbis) or BASS_ERROR_MEM.
//   Nothing reaches the decoder unchecked: every Ogg page must have its
//   CRC32 and follow the one before it, and the three Vorbis headers must
//   be whole with every field within its packet; damage in the headers is
//   BASS_ERROR_FILEFORM. Damage met later (a page that fails, a missing
//   page, another stream's page, a packet the decoder refuses) ends the
//   audio there: the stream is shorter, never a crash. What a file claims about its length reserves nothing.
//   Headers: one limit, 16 MB. The three Vorbis headers may take up to
//   16 MB of pages (comment headers with cover art run to megabytes) and
//   open whatever their comments hold, since the decoder is never handed
//   the comments; the decoder's own memory (the setup's tables) may grow to
//   the same 16 MB. Larger headers are BASS_ERROR_FILEFORM.
//   Only a regular file is opened (not a folder, a device or a FIFO), and
//   no more of it is read than it held when it was opened.
// - BASS_ChannelPlay(handle, restart): plays from the start (restart TRUE)
//   or from where it was stopped. Decoding streams: BASS_ERROR_DECODE.
// - BASS_ChannelStop: stops; the stream keeps the position being heard.
// - BASS_ChannelIsActive: BASS_ACTIVE_PLAYING while a played stream plays
//   and its end has not been heard, or while a decoding stream is not at its
//   end; else BASS_ACTIVE_STOPPED.
// - BASS_ChannelGetLength: the stream's length in bytes: what the file's
//   last page gives, until decoding (or a jump) meets the audio's end sooner
//   (a damaged file, a last page that claims too much); from then on where
//   the audio really ends.
// - BASS_ChannelGetPosition: for a playing stream the frame being heard now
//   (the output latency accounted for, moving smoothly between the output's
//   buffers); otherwise the stored position. In bytes.
// - BASS_ChannelSetPosition(handle, pos): moves to byte pos (rounded down to
//   a frame; pos = length is the end, beyond it BASS_ERROR_POSITION, also
//   when the jump finds the audio ending before pos). A playing stream goes
//   on playing from there. A position the window holds costs nothing (tens
//   of nanoseconds); a new one restarts the decoder a page before the
//   nearest page whose place is known and decodes up to it (about half a
//   millisecond); the first jump beyond the pages read so far also reads and
//   checks the pages up to there (a few milliseconds for three minutes).
//   Positions count from the stream's first sample, whatever granule
//   position its first page gives. A page's place is known once decoding
//   has passed it, or by its granule position while those hold: they are
//   checked against each other and against decoding, and once one is found
//   wrong (-1, random, out of order) only the places decoding learned count,
//   so a jump in such a file decodes at most from the nearest page decoding
//   has passed, never again from the start each time.
// - BASS_ChannelGetData(handle, buffer, BASS_DATA_FFT1024): writes 512
//   floats and returns 2048 (their size in bytes). Does not move the stream.
//   BASS_ChannelGetData(handle, buffer, bytes) on a decoding stream copies up
//   to `bytes` of 16-bit samples from its position and moves it on; returns
//   the bytes copied. Any other request: -1 with BASS_ERROR_ILLPARAM
//   (BASS_ERROR_NOTAVAIL for raw samples of a played stream).
//
// The spectrum (BASS_DATA_FFT1024). The 1024 sample frames starting at the
// stream's position (for a playing stream, the frame being heard at the
// instant of the call), channels averaged to mono, scaled so that 32768 is
// 1.0, times a periodic Hann window, through a 1024-point FFT. Entry k
// (k = 0 .. 511, DC first, k * rate / 1024 Hz) is |X_k| * 2 / 1024: a
// full-scale sine centred on a bin reads 0.5 there, silence reads 0. Frames
// past the end of the stream count as silence. A request at a position the
// window holds decodes nothing (about as long as the FFT, 1.5 to 2 us); one
// beyond it decodes on first. A request allocates nothing.
//
// End of file. A played stream is not looped: at its end it falls silent,
// its position stays at the length and BASS_ChannelIsActive says stopped.
// A request at or past the end (or on a handle that is not open) returns
// -1 (0xFFFFFFFF) with BASS_ERROR_ENDED (BASS_ERROR_HANDLE) and leaves the
// buffer untouched.
//
// Threading. Call the library from one thread. A real output device calls
// the mix on a thread of its own, and a feeder thread of the library's
// decodes ahead of every stream the device plays (it keeps the window full
// up to a second ahead), so the mix only copies and never waits (when the
// feeder has fallen behind, the mix decodes what it needs itself if the
// stream's lock is free that instant). The stream table changes only while
// the mix is locked out; a stream's decoder is used under that lock; the
// window's bounds and the positions the mix moves on are atomics, so
// position and spectrum requests never wait for the output and never see a
// stream half made (a spectrum request of a played stream holds the
// stream's lock while it reads, so it may wait for the feeder to finish a
// few packets, a tenth of a millisecond). The "no sound" device has neither
// thread: requests decode what they ask for on the caller's thread.
#pragma once

#include <cstdint>

#if defined(_WIN32)
// Windows programs see DWORD and BOOL from the system headers; ours must be
// the same types.
#include <wtypes.h>
#else
typedef uint32_t DWORD;
typedef int BOOL;
#endif
typedef uint64_t QWORD;
typedef DWORD HSTREAM;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Calling convention and linkage: on Windows the library is BASS.dll with
// __stdcall entry points; elsewhere a plain C library.
#if defined(_WIN32)
#  if defined(HALVANE_BUILDING_SOUNDLIB)
#    define BASSAPI __declspec(dllexport)
#  else
#    define BASSAPI __declspec(dllimport)
#  endif
#  define BASSCALL __stdcall
#else
#  define BASSAPI
#  define BASSCALL
#endif

// Request code of BASS_ChannelGetData: 512 magnitudes of a 1024-sample FFT.
#define BASS_DATA_FFT1024 0x80000001u
// Stream flag: a stream that is only decoded and positioned, never played.
#define BASS_STREAM_DECODE 0x200000u
// Init flag: 3D support (accepted and ignored).
#define BASS_DEVICE_3D 4u

// BASS_ChannelIsActive results.
#define BASS_ACTIVE_STOPPED 0u
#define BASS_ACTIVE_PLAYING 1u

// Error codes of BASS_ErrorGetCode.
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_UNKNOWN -1

#ifdef __cplusplus
extern "C" {
#endif

BASSAPI DWORD BASSCALL BASS_GetVersion(void);
BASSAPI BOOL BASSCALL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
BASSAPI BOOL BASSCALL BASS_Free(void);
BASSAPI int BASSCALL BASS_ErrorGetCode(void);
BASSAPI HSTREAM BASSCALL BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
BASSAPI BOOL BASSCALL BASS_StreamFree(HSTREAM handle);
BASSAPI BOOL BASSCALL BASS_ChannelPlay(DWORD handle, BOOL restart);
BASSAPI BOOL BASSCALL BASS_ChannelStop(DWORD handle);
BASSAPI DWORD BASSCALL BASS_ChannelIsActive(DWORD handle);
BASSAPI QWORD BASSCALL BASS_ChannelGetLength(DWORD handle);
BASSAPI QWORD BASSCALL BASS_ChannelGetPosition(DWORD handle);
BASSAPI BOOL BASSCALL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
BASSAPI DWORD BASSCALL BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

#ifdef __cplusplus
}
#endif
