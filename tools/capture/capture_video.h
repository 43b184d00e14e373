// The video of the offline renderer: raw frames through a pipe to Debian's
// ffmpeg, which encodes H.264 (yuv420p) and muxes in the music. Frames are
// handed over as they are read back (BGRA, bottom row first); a thread of
// their own turns them into upright YUV 4:2:0 and writes them to the pipe,
// so that drawing goes on while ffmpeg takes a frame.
#pragma once

#include <string>

// The x264 settings used unless --x264 says otherwise: chosen by measuring
// encoding time and file size side by side on the whole show.
extern const char* const DEFAULT_X264_SETTINGS;

// Frames that may wait for the pipe before WriteVideoFrame waits itself.
constexpr int VIDEO_QUEUE_FRAMES = 3;

// True when settings holds only what x264 options are made of (letters,
// digits, blanks and - _ . : = + ,), so it can stand unquoted in a command.
bool IsSafeX264Settings(const std::string& settings);

// The shell command that encodes width x height yuv420p frames at fps from
// its standard input into outFile with the given x264
// settings, muxing in musicFile unless it is empty; the audio is cut where
// the video ends. Paths are quoted for the shell.
std::string BuildFfmpegCommand(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile, const std::string& x264Settings);

// Starts ffmpeg writing outFile and the thread that feeds it. False, with a
// reason on stderr, when the pipe cannot be opened.
bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile, const std::string& x264Settings);

// Queues one BGRA frame of width x height x 4 bytes, bottom row first
// (copied; the caller may reuse bgra at once), waiting while
// VIDEO_QUEUE_FRAMES frames are queued. False once ffmpeg has gone away (it
// has printed its reason).
bool WriteVideoFrame(const unsigned char* bgra);

// Writes what is queued, closes the pipe and waits for ffmpeg. False when it
// did not succeed. cpuSeconds receives the CPU time ffmpeg used.
bool CloseVideoPipe(double* cpuSeconds);
