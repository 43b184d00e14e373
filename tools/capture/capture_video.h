// The video of the offline renderer: raw frames and raw sound through two
// pipes to Debian's ffmpeg, which encodes H.264 (yuv420p) and AAC. Frames
// are handed over as they are read back (BGRA, bottom row first), each with
// the sound that plays during it; a thread of their own turns them into
// upright YUV 4:2:0 and writes both to the pipes, so that drawing goes on
// while ffmpeg takes a frame. ffmpeg is started directly (no shell) with an
// argument vector.
//
// The sound runs a little ahead of the frames. Before it takes a second
// frame, ffmpeg reads one frame and then a block of sound (1,024 sample
// frames at 44.1 kHz); a frame does not fit in the pipe, so the writer can
// go on to the next frame's sound only once ffmpeg has read that block.
// Handing over VIDEO_SOUND_LEAD_SECONDS more with the first frame keeps the
// two from waiting for each other; ffmpeg cuts the sound where the frames
// end (to within its encoder's 1,024-sample frame).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The x264 settings used unless --x264 says otherwise: chosen by measuring
// encoding time and file size side by side on the whole show.
extern const char* const DEFAULT_X264_SETTINGS;

// Frames that may wait for the pipe before WriteVideoFrame waits itself.
constexpr int VIDEO_QUEUE_FRAMES = 3;

// How far the sound handed over runs ahead of the frames.
constexpr double VIDEO_SOUND_LEAD_SECONDS = 0.25;

// The rate of the video's sound track, whatever the rate of its input: the
// rate the show's output device mixes at.
constexpr int VIDEO_SOUND_RATE = 44100;

// True when settings holds only what x264 options are made of (letters,
// digits, blanks and - _ . : = + ,); it is split at blanks into arguments.
bool IsSafeX264Settings(const std::string& settings);

// The ffmpeg arguments (program name first) that encode width x height
// yuv420p frames at fps from standard input and 16-bit stereo samples at
// soundRate from file descriptor soundFd into outFile, with the given x264
// settings. The sound is cut where the frames end.
std::vector<std::string> BuildFfmpegArguments(const std::string& outFile, int width, int height, int fps,
    int soundRate, int soundFd, const std::string& x264Settings);

// Starts ffmpeg writing outFile and the thread that feeds it. Sound arrives
// as 16-bit stereo sample frames at soundRate. False, with a reason on
// stderr, when ffmpeg cannot be started.
bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps, int soundRate,
    const std::string& x264Settings);

// The sound frames handed over once `frames` frames have been: the sound
// of their span (frame k spans k / fps to (k + 1) / fps, in whole sample
// frames) and the lead.
uint64_t GetVideoSoundEnd(int frames);

// The most sound frames one frame carries: the first frame's, with the lead.
int GetVideoSoundFramesPerFrame();

// Queues one BGRA frame of width x height x 4 bytes, bottom row first, and
// the soundFrames stereo sample frames (at most GetVideoSoundFramesPerFrame)
// that play while it shows (both copied; the caller may reuse them at once),
// waiting while VIDEO_QUEUE_FRAMES frames are queued. False once ffmpeg has
// gone away (it has printed its reason).
bool WriteVideoFrame(const unsigned char* bgra, const int16_t* sound, int soundFrames);

// Writes what is queued, closes the pipes and waits for ffmpeg. False when
// it did not succeed. cpuSeconds receives the CPU time ffmpeg used.
bool CloseVideoPipe(double* cpuSeconds);
