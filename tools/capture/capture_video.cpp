// The ffmpeg pipe of the offline renderer and its writer thread (see
// capture_video.h). The render thread copies each frame into a free slot of
// a small queue; the writer thread turns the oldest slot into YUV, frees the
// slot and writes the YUV frame to the pipe, where it blocks whenever ffmpeg
// is busy.
#include "tools/capture/capture_video.h"

#include "tools/capture/capture_yuv.h"

#include <condition_variable>
#include <fcntl.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

// The whole show at 1280 x 720, 60 frames/s, 4 samples on two cores, where
// the encoder shares the processor with the drawing (README, "Video
// settings"): veryfast took 194 s for 127 MB, superfast 163 s for 216 MB,
// ultrafast 163 s for 319 MB. Superfast is the smallest file written faster
// than the show plays.
const char* const DEFAULT_X264_SETTINGS = "-preset superfast -crf 18";

// The pipe, the queue and the writer thread.
static struct {
    FILE* pipe = nullptr;
    int width = 0;
    int height = 0;
    size_t frameBytes = 0;     // one BGRA frame
    std::vector<unsigned char> slots[VIDEO_QUEUE_FRAMES];
    std::vector<uint8_t> yuv;  // the writer's converted frame
    int oldest = 0;
    int queued = 0;
    bool closing = false;
    bool failed = false;
    std::mutex lock;
    std::condition_variable changed;
    std::thread writer;
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

bool IsSafeX264Settings(const std::string& settings)
{
    for (char c : settings) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && !std::strchr(" -_.:=+,", c))
            return false;
    }
    return true;
}

std::string BuildFfmpegCommand(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile, const std::string& x264Settings)
{
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y"
        " -f rawvideo -pix_fmt yuv420p -s " + std::to_string(width) + "x" + std::to_string(height)
        + " -framerate " + std::to_string(fps) + " -i -";
    if (!musicFile.empty())
        command += " -i " + QuoteForShell(musicFile) + " -map 0:v:0 -map 1:a:0 -c:a aac -b:a 192k -shortest";
    command += " -c:v libx264 " + x264Settings + " -pix_fmt yuv420p -movflags +faststart " + QuoteForShell(outFile);
    return command;
}

// The writer thread: writes queued frames in order until closing and empty.
static void RunVideoWriter()
{
    std::unique_lock<std::mutex> guard(s_video.lock);
    for (;;) {
        s_video.changed.wait(guard, [] { return s_video.queued > 0 || s_video.closing; });
        if (s_video.queued == 0)
            return;
        const std::vector<unsigned char>& slot = s_video.slots[s_video.oldest];
        const bool failed = s_video.failed;
        guard.unlock();
        ConvertBgraToI420(slot.data(), s_video.width, s_video.height, s_video.yuv.data());
        guard.lock();
        s_video.oldest = (s_video.oldest + 1) % VIDEO_QUEUE_FRAMES;
        --s_video.queued;
        s_video.changed.notify_all();
        guard.unlock();
        const bool written = failed
            || std::fwrite(s_video.yuv.data(), 1, s_video.yuv.size(), s_video.pipe) == s_video.yuv.size();
        guard.lock();
        s_video.failed = s_video.failed || !written;
    }
}

bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps,
    const std::string& musicFile, const std::string& x264Settings)
{
    // A vanished ffmpeg must show up as a failed write, not kill the renderer.
    std::signal(SIGPIPE, SIG_IGN);
    std::string command = BuildFfmpegCommand(outFile, width, height, fps, musicFile, x264Settings);
    s_video.pipe = popen(command.c_str(), "w");
    if (!s_video.pipe) {
        std::perror("halvane-capture: cannot start ffmpeg");
        return false;
    }
    // A frame is several MB; the pipe's default 64 KiB would wake ffmpeg and
    // the writer dozens of times a frame. 1 MiB is what Linux allows anyone.
    fcntl(fileno(s_video.pipe), F_SETPIPE_SZ, 1 << 20);
    s_video.width = width;
    s_video.height = height;
    s_video.frameBytes = static_cast<size_t>(width) * height * 4;
    for (std::vector<unsigned char>& slot : s_video.slots)
        slot.assign(s_video.frameBytes, 0);
    s_video.yuv.assign(GetI420FrameBytes(width, height), 0);
    s_video.oldest = 0;
    s_video.queued = 0;
    s_video.closing = false;
    s_video.failed = false;
    s_video.writer = std::thread(RunVideoWriter);
    return true;
}

bool WriteVideoFrame(const unsigned char* bgra)
{
    std::unique_lock<std::mutex> guard(s_video.lock);
    if (!s_video.pipe)
        return false;
    s_video.changed.wait(guard, [] { return s_video.queued < VIDEO_QUEUE_FRAMES || s_video.failed; });
    if (s_video.failed)
        return false;
    const int slot = (s_video.oldest + s_video.queued) % VIDEO_QUEUE_FRAMES;
    // The writer only touches slots that are queued, so this one is free.
    guard.unlock();
    std::memcpy(s_video.slots[slot].data(), bgra, s_video.frameBytes);
    guard.lock();
    ++s_video.queued;
    s_video.changed.notify_all();
    return true;
}

bool CloseVideoPipe(double* cpuSeconds)
{
    *cpuSeconds = 0.0;
    if (!s_video.pipe)
        return false;
    {
        std::lock_guard<std::mutex> guard(s_video.lock);
        s_video.closing = true;
    }
    s_video.changed.notify_all();
    s_video.writer.join();
    rusage before, after;
    getrusage(RUSAGE_CHILDREN, &before);
    int status = pclose(s_video.pipe);
    getrusage(RUSAGE_CHILDREN, &after);
    s_video.pipe = nullptr;
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    *cpuSeconds = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime)
        - seconds(before.ru_stime);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "halvane-capture: ffmpeg did not finish the video (status %d)\n",
            status == -1 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)));
        return false;
    }
    return true;
}
