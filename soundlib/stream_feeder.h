// The feeder thread (stream_feeder.cpp): decodes ahead of the streams a
// real device plays, so that the mix only copies.
#pragma once

// Starts and stops the feeder (with the device). Start returns false when
// the thread cannot be made.
bool StartStreamFeeder();
void StopStreamFeeder();

// Asks the feeder to look at the streams now (after play or a jump).
void WakeStreamFeeder();
