// The recording stand-in for the sound library (see fake_bass.h). Each call
// is written down as its name and arguments, e.g. "BASS_Init(-1,44100,4,0,0)".
#include "fake_bass.h"

#include "audio/music.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

FakeBass g_fakeBass;

void ResetFakeBass()
{
    g_fakeBass.version = 0x02030000u;
    g_fakeBass.initResult = TRUE;
    g_fakeBass.openResult = 0x1234u;
    g_fakeBass.requestFails = false;
    for (int i = 0; i < 512; ++i)
        g_fakeBass.frame[i] = 0.0f;
    g_fakeBass.calls.clear();
}

bool FakeBassWasCalled(const std::string& prefix)
{
    for (const std::string& call : g_fakeBass.calls) {
        if (call.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

// Writes one call into the record.
static void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void Record(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    g_fakeBass.calls.push_back(text);
}

DWORD BASS_GetVersion(void)
{
    Record("BASS_GetVersion()");
    return g_fakeBass.version;
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid)
{
    Record("BASS_Init(%d,%u,%u,%s,%s)", device, (unsigned)freq, (unsigned)flags,
           win ? "window" : "0", clsid ? "clsid" : "0");
    return g_fakeBass.initResult;
}

BOOL BASS_Free(void)
{
    Record("BASS_Free()");
    return TRUE;
}

int BASS_ErrorGetCode(void)
{
    return BASS_OK;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags)
{
    Record("BASS_StreamCreateFile(%d,%s,%u,%u,%u)", mem, mem ? "?" : (const char*)file,
           (unsigned)offset, (unsigned)length, (unsigned)flags);
    return g_fakeBass.openResult;
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    Record("BASS_StreamFree(%u)", (unsigned)handle);
    return FALSE;
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    Record("BASS_ChannelPlay(%u,%d)", (unsigned)handle, restart);
    return FALSE;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    Record("BASS_ChannelStop(%u)", (unsigned)handle);
    return FALSE;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    Record("BASS_ChannelIsActive(%u)", (unsigned)handle);
    return BASS_ACTIVE_STOPPED;
}

QWORD BASS_ChannelGetLength(DWORD handle)
{
    Record("BASS_ChannelGetLength(%u)", (unsigned)handle);
    return ~0ull;
}

QWORD BASS_ChannelGetPosition(DWORD handle)
{
    Record("BASS_ChannelGetPosition(%u)", (unsigned)handle);
    return ~0ull;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    Record("BASS_ChannelSetPosition(%u,%llu)", (unsigned)handle, (unsigned long long)pos);
    return FALSE;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    Record("BASS_ChannelGetData(%u,%s,0x%08X)", (unsigned)handle,
           buffer == g_spectrumFrame ? "frame" : "other", (unsigned)length);
    if (g_fakeBass.requestFails)
        return 0xFFFFFFFFu;
    std::memcpy(buffer, g_fakeBass.frame, sizeof(g_fakeBass.frame));
    return sizeof(g_fakeBass.frame);
}
