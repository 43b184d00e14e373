// Placeholder library: no device, no stream; every request fails, so the
// show runs silent with every spectrum level 0.0.
#include "soundlib/bass.h"

DWORD BASS_GetVersion(void) { return 0x02030000u; }
BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) { return FALSE; }
BOOL BASS_Free(void) { return FALSE; }
int BASS_ErrorGetCode(void) { return BASS_ERROR_INIT; }
HSTREAM BASS_StreamCreateFile(BOOL, const void*, DWORD, DWORD, DWORD) { return 0; }
BOOL BASS_StreamFree(HSTREAM) { return FALSE; }
BOOL BASS_ChannelPlay(DWORD, BOOL) { return FALSE; }
BOOL BASS_ChannelStop(DWORD) { return FALSE; }
DWORD BASS_ChannelIsActive(DWORD) { return BASS_ACTIVE_STOPPED; }
QWORD BASS_ChannelGetLength(DWORD) { return ~0ull; }
QWORD BASS_ChannelGetPosition(DWORD) { return ~0ull; }
BOOL BASS_ChannelSetPosition(DWORD, QWORD) { return FALSE; }
DWORD BASS_ChannelGetData(DWORD, void*, DWORD) { return ~0u; }
