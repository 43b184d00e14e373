// Halvane's sound library: the version-2.3 interface subset the show uses.
// (The manual at the top of this header is written by the library's author;
// see the declarations below for each call's contract.)
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
#define BASS_ERROR_FILEFORM 41
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
