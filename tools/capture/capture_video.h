// The video of the offline renderer: raw top-down RGB frames through a pipe
// to Debian's ffmpeg, which encodes H.264 (yuv420p) and muxes in the music.
#pragma once

#include <string>

// The shell command that encodes width x height RGB frames at fps from its
// standard input into outFile, muxing in musicFile unless it is empty; the
// audio is cut where the video ends. Paths are quoted for the shell.
std::string BuildFfmpegCommand(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile);

// Starts ffmpeg writing outFile. False, with a reason on stderr, when the
// pipe cannot be opened.
bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile);

// Sends one frame of width x height x 3 bytes. False once ffmpeg has gone
// away (it has printed its reason).
bool WriteVideoFrame(const unsigned char* rgb);

// Closes the pipe and waits for ffmpeg. False when it did not succeed.
bool CloseVideoPipe();
