// The ffmpeg pipes of the offline renderer and their writer thread (see
// capture_video.h). The render thread copies each frame and its sound into
// a free slot of a small queue; the writer thread turns the oldest slot into
// YUV, frees the slot and writes the sound, then the YUV frame, to the
// pipes, where it blocks whenever ffmpeg is busy; the sound goes first, so
// ffmpeg never waits for sound while the writer waits for it to take a
// frame (with the lead, see capture_video.h). SIGPIPE is blocked
// in the writer thread alone: a vanished ffmpeg gives EPIPE there, and the
// rest of the process keeps the default disposition.
#include "tools/capture/capture_video.h"

#include "tools/capture/capture_yuv.h"

#include <cassert>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

// The whole show at 1280 x 720, 60 frames/s, 4 samples on two cores, where
// the encoder shares the processor with the drawing (README, "Video
// settings"): veryfast took 194 s for 127 MB, superfast 163 s for 216 MB,
// ultrafast 163 s for 319 MB. Superfast is the smallest file written faster
// than the show plays.
const char* const DEFAULT_X264_SETTINGS = "-preset superfast -crf 18";

// The descriptor ffmpeg reads the sound from (its standard input carries
// the frames).
static const int FFMPEG_SOUND_FD = 3;

// One queued frame: its BGRA pixels and the sound that plays during it.
struct VideoSlot {
    std::vector<unsigned char> bgra;
    std::vector<int16_t> sound;  // stereo sample frames, interleaved
    int soundFrames = 0;
};

// The pipes, the queue and the writer thread.
static struct {
    pid_t ffmpeg = -1;
    int frameFd = -1;          // write end of ffmpeg's standard input
    int soundFd = -1;          // write end of its sound input
    int width = 0;
    int height = 0;
    int fps = 60;
    int soundRate = 44100;
    int soundFramesPerFrame = 0;
    size_t frameBytes = 0;     // one BGRA frame
    VideoSlot slots[VIDEO_QUEUE_FRAMES];
    std::vector<uint8_t> yuv;      // the writer's converted frame
    std::vector<int16_t> sound;    // the writer's copy of its sound
    int oldest = 0;
    int queued = 0;
    bool closing = false;
    bool failed = false;
    std::mutex lock;
    std::condition_variable changed;
    std::thread writer;
} s_video;

bool IsSafeX264Settings(const std::string& settings)
{
    for (char c : settings) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain && !std::strchr(" -_.:=+,", c))
            return false;
    }
    return true;
}

std::vector<std::string> BuildFfmpegArguments(const std::string& outFile, int width, int height, int fps,
    int soundRate, int soundFd, const std::string& x264Settings)
{
    std::vector<std::string> arguments = { "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "yuv420p", "-s", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        // The sound's format is given, so one block read at the start is
        // enough (see capture_video.h); its reader may run far ahead of the
        // encoder (x264 holds frames back), and a deep queue lets it read on
        // rather than leave the writer blocked on the sound pipe.
        "-probesize", "32", "-thread_queue_size", "1024", "-f", "s16le", "-ar", std::to_string(soundRate), "-ac", "2",
        "-i", "pipe:" + std::to_string(soundFd),
        "-map", "0:v:0", "-map", "1:a:0", "-c:v", "libx264" };
    size_t start = 0;
    while (start < x264Settings.size()) {
        size_t end = x264Settings.find(' ', start);
        if (end == std::string::npos)
            end = x264Settings.size();
        if (end > start)
            arguments.push_back(x264Settings.substr(start, end - start));
        start = end + 1;
    }
    // "file:" keeps a name that starts with a dash or holds a colon a file name.
    for (const char* argument : { "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k", "-shortest", "-ar" })
        arguments.push_back(argument);
    arguments.push_back(std::to_string(VIDEO_SOUND_RATE));
    for (const std::string& argument : { std::string("-movflags"), std::string("+faststart"), "file:" + outFile })
        arguments.push_back(argument);
    return arguments;
}

// Writes all size bytes to fd, going on after signals. False on an error
// (EPIPE once ffmpeg has gone).
static bool WriteAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The writer thread: writes queued frames and their sound in order until
// closing and empty.
static void RunVideoWriter()
{
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::unique_lock<std::mutex> guard(s_video.lock);
    for (;;) {
        s_video.changed.wait(guard, [] { return s_video.queued > 0 || s_video.closing; });
        if (s_video.queued == 0)
            return;
        const VideoSlot& slot = s_video.slots[s_video.oldest];
        const bool failed = s_video.failed;
        guard.unlock();
        ConvertBgraToI420(slot.bgra.data(), s_video.width, s_video.height, s_video.yuv.data());
        const size_t soundBytes = static_cast<size_t>(slot.soundFrames) * 2 * sizeof(int16_t);
        std::memcpy(s_video.sound.data(), slot.sound.data(), soundBytes);
        guard.lock();
        s_video.oldest = (s_video.oldest + 1) % VIDEO_QUEUE_FRAMES;
        --s_video.queued;
        s_video.changed.notify_all();
        guard.unlock();
        const bool written = failed
            || (WriteAll(s_video.soundFd, s_video.sound.data(), soundBytes)
                && WriteAll(s_video.frameFd, s_video.yuv.data(), s_video.yuv.size()));
        guard.lock();
        s_video.failed = s_video.failed || !written;
    }
}

// Makes a pipe whose ends are close-on-exec (ffmpeg gets only the read ends
// it is given, so it sees the end of its input when the writer closes) and
// numbered above ffmpeg's descriptors 0 to 3, so that moving one read end
// into place cannot overwrite the other. False with errno set on failure.
static bool OpenFfmpegPipe(int ends[2])
{
    int made[2];
    if (pipe2(made, O_CLOEXEC) != 0)
        return false;
    for (int k = 0; k < 2; ++k) {
        ends[k] = fcntl(made[k], F_DUPFD_CLOEXEC, FFMPEG_SOUND_FD + 1);
        close(made[k]);
    }
    if (ends[0] >= 0 && ends[1] >= 0)
        return true;
    const int error = errno;
    for (int k = 0; k < 2; ++k)
        if (ends[k] >= 0)
            close(ends[k]);
    errno = error;
    return false;
}

// Starts ffmpeg with arguments, its standard input reading framesIn and its
// sound descriptor soundIn, with the default SIGPIPE and no signal blocked.
// Returns its process id, or -1 after saying why.
static pid_t SpawnFfmpeg(const std::vector<std::string>& arguments, int framesIn, int soundIn)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, framesIn, 0);
    posix_spawn_file_actions_adddup2(&actions, soundIn, FFMPEG_SOUND_FD);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, pipeSignal;
    sigemptyset(&none);
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "halvane-capture: cannot start ffmpeg: %s\n", std::strerror(error));
        return -1;
    }
    return pid;
}

bool OpenVideoPipe(const std::string& outFile, int width, int height, int fps, int soundRate,
    const std::string& x264Settings)
{
    int frames[2], sound[2];
    if (!OpenFfmpegPipe(frames)) {
        std::perror("halvane-capture: cannot make a pipe for ffmpeg");
        return false;
    }
    if (!OpenFfmpegPipe(sound)) {
        std::perror("halvane-capture: cannot make a pipe for ffmpeg");
        close(frames[0]);
        close(frames[1]);
        return false;
    }
    // A frame is several MB; the pipe's default 64 KiB would wake ffmpeg and
    // the writer dozens of times a frame. 1 MiB is what Linux allows anyone;
    // on the sound pipe it holds six seconds.
    fcntl(frames[1], F_SETPIPE_SZ, 1 << 20);
    fcntl(sound[1], F_SETPIPE_SZ, 1 << 20);
    s_video.ffmpeg = SpawnFfmpeg(
        BuildFfmpegArguments(outFile, width, height, fps, soundRate, FFMPEG_SOUND_FD, x264Settings),
        frames[0], sound[0]);
    close(frames[0]);
    close(sound[0]);
    if (s_video.ffmpeg < 0) {
        close(frames[1]);
        close(sound[1]);
        return false;
    }
    s_video.frameFd = frames[1];
    s_video.soundFd = sound[1];
    s_video.width = width;
    s_video.height = height;
    s_video.fps = fps;
    s_video.soundRate = soundRate;
    s_video.soundFramesPerFrame = static_cast<int>(GetVideoSoundEnd(1));
    s_video.frameBytes = static_cast<size_t>(width) * height * 4;
    for (VideoSlot& slot : s_video.slots) {
        slot.bgra.assign(s_video.frameBytes, 0);
        slot.sound.assign(static_cast<size_t>(s_video.soundFramesPerFrame) * 2, 0);
        slot.soundFrames = 0;
    }
    s_video.yuv.assign(GetI420FrameBytes(width, height), 0);
    s_video.sound.assign(static_cast<size_t>(s_video.soundFramesPerFrame) * 2, 0);
    s_video.oldest = 0;
    s_video.queued = 0;
    s_video.closing = false;
    s_video.failed = false;
    s_video.writer = std::thread(RunVideoWriter);
    return true;
}

uint64_t GetVideoSoundEnd(int frames)
{
    const uint64_t lead = static_cast<uint64_t>(std::ceil(VIDEO_SOUND_LEAD_SECONDS * s_video.soundRate));
    return static_cast<uint64_t>(frames) * s_video.soundRate / s_video.fps + lead;
}

int GetVideoSoundFramesPerFrame()
{
    return s_video.soundFramesPerFrame;
}

bool WriteVideoFrame(const unsigned char* bgra, const int16_t* sound, int soundFrames)
{
    assert(soundFrames >= 0 && soundFrames <= s_video.soundFramesPerFrame);
    std::unique_lock<std::mutex> guard(s_video.lock);
    if (s_video.ffmpeg < 0)
        return false;
    s_video.changed.wait(guard, [] { return s_video.queued < VIDEO_QUEUE_FRAMES || s_video.failed; });
    if (s_video.failed)
        return false;
    VideoSlot& slot = s_video.slots[(s_video.oldest + s_video.queued) % VIDEO_QUEUE_FRAMES];
    // The writer only touches slots that are queued, so this one is free.
    guard.unlock();
    std::memcpy(slot.bgra.data(), bgra, s_video.frameBytes);
    std::memcpy(slot.sound.data(), sound, static_cast<size_t>(soundFrames) * 2 * sizeof(int16_t));
    slot.soundFrames = soundFrames;
    guard.lock();
    ++s_video.queued;
    s_video.changed.notify_all();
    return true;
}

bool CloseVideoPipe(double* cpuSeconds)
{
    *cpuSeconds = 0.0;
    if (s_video.ffmpeg < 0)
        return false;
    {
        std::lock_guard<std::mutex> guard(s_video.lock);
        s_video.closing = true;
    }
    s_video.changed.notify_all();
    s_video.writer.join();
    // Closing both inputs is ffmpeg's end of the video.
    close(s_video.frameFd);
    close(s_video.soundFd);
    s_video.frameFd = s_video.soundFd = -1;
    int status = 0;
    rusage usage = {};
    pid_t waited;
    do
        waited = wait4(s_video.ffmpeg, &status, 0, &usage);
    while (waited < 0 && errno == EINTR);
    s_video.ffmpeg = -1;
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    *cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (waited < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "halvane-capture: ffmpeg did not finish the video (status %d)\n",
            waited < 0 ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)));
        return false;
    }
    return true;
}
