// The feeder of a host without threads (the browser): none. The mix runs on
// the caller's thread there and refills each stream's window itself when it
// finds it short (bass_device.cpp), so nothing needs to decode ahead.
//
// Implements from sound_local.h: StartStreamFeeder, StopStreamFeeder,
// WakeStreamFeeder.
#include "soundlib/sound_local.h"

bool StartStreamFeeder()
{
    return true;
}

void StopStreamFeeder() {}

void WakeStreamFeeder() {}
