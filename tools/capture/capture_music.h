// The music of the offline renderer: the show's track opened as a decoding
// stream on the sound library's "no sound" device and set, before every
// frame, to the music time of that frame, so each spectrum request of the
// scenes sees what a real run would be playing at that instant. InitMusic
// is not used: it opens the default output device and a playing stream.
//
// A video's sound comes from a second decoding stream of the same file,
// read from its start in step with the frames: what a real run plays, cut
// where the library's decoding of a damaged file ends, silent when the
// library refuses the file.
#pragma once

#include <cstdint>
#include <vector>

// Opens the "no sound" device and MUSIC_FILE as a decoding stream and stores
// it in g_musicStream. When either fails, shows the show's messages for it
// ("Bass init error" or "Music opening error", then "Music play error"),
// leaves g_musicStream at 0 and returns false: the frames then render silent.
bool OpenCaptureMusic();

// Sets the stream to demo time - 0.3 (clamped to 0 and to the stream's
// length). Does nothing while no stream is open.
void PositionCaptureMusic();

// Frees the streams and the device; safe when nothing was opened.
void CloseCaptureMusic();

// Opens the video's sound, a decoding stream of the music of its own (only
// a video needs it); true when the sound comes from the music (the library
// took it), false for a silent track.
bool OpenCaptureSound();

// The sample rate of the video's sound: the music's own, or 44.1 kHz when
// the music does not play.
int GetCaptureSoundRate();

// Fills stereo with the next frames sample frames (16-bit, interleaved) of
// what the show plays from the music's start: its first two channels, a
// mono one on both, as the output mixes them; silence once the music has
// ended, or throughout when it does not play. Reads on the calling thread.
void ReadCaptureSound(int16_t* stereo, int frames);

// The seconds of the music's own sound that ReadCaptureSound has given, and
// whether the music ended there (false while it has more, and when it never
// played).
double GetCaptureSoundSeconds();
bool HasCaptureSoundEnded();

// The stream byte position of a music time: whole sample frames of 16-bit
// samples, 2 x channels bytes each (44.1 kHz stereo: 176,400 bytes per s).
// Negative times give 0.
uint64_t GetMusicBytePosition(double musicSeconds, int rate, int channels);

// Reads the channel count and sample rate from the identification header at
// the start of an Ogg Vorbis file. False when the file is missing or does not
// start like one.
bool ReadVorbisFormat(const char* path, int* channels, int* rate);
