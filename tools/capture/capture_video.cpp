// The ffmpeg pipe of the offline renderer (see capture_video.h).
#include "tools/capture/capture_video.h"

#include <csignal>
#include <cstdio>
#include <sys/wait.h>

// The open pipe and the size of one frame in bytes.
static struct {
    FILE* pipe = nullptr;
    size_t frameBytes = 0;
} s_video;

// Quotes text for the POSIX shell: inside single quotes, with each single
// quote closed, escaped and reopened.
static std::string QuoteForShell(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string BuildFfmpegCommand(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile)
{
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y"
        " -f rawvideo -pix_fmt rgb24 -s " + std::to_string(width) + "x" + std::to_string(height)
        + " -framerate " + std::to_string(fps) + " -i -";
    if (!musicFile.empty())
        command += " -i " + QuoteForShell(musicFile) + " -map 0:v:0 -map 1:a:0 -c:a aac -b:a 192k -shortest";
    command += " -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -movflags +faststart "
        + QuoteForShell(outFile);
    return command;
}

bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile)
{
    // A vanished ffmpeg must show up as a failed write, not kill the renderer.
    std::signal(SIGPIPE, SIG_IGN);
    std::string command = BuildFfmpegCommand(outFile, width, height, fps, musicFile);
    s_video.pipe = popen(command.c_str(), "w");
    if (!s_video.pipe) {
        std::perror("halvane-capture: cannot start ffmpeg");
        return false;
    }
    s_video.frameBytes = static_cast<size_t>(width) * height * 3;
    return true;
}

bool WriteVideoFrame(const unsigned char* rgb)
{
    if (!s_video.pipe)
        return false;
    return std::fwrite(rgb, 1, s_video.frameBytes, s_video.pipe) == s_video.frameBytes;
}

bool CloseVideoPipe()
{
    if (!s_video.pipe)
        return false;
    int status = pclose(s_video.pipe);
    s_video.pipe = nullptr;
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "halvane-capture: ffmpeg did not finish the video (status %d)\n",
            status == -1 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)));
        return false;
    }
    return true;
}
