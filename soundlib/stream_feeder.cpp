// The feeder: one thread per real output device that keeps the window of
// every stream the device plays filled ahead of the mix, so that the mix
// (on the output's own thread, which must never wait) only copies frames.
// It looks at the streams every few milliseconds, and at once when woken
// after a play or a jump. The "no sound" device needs no feeder: nothing
// reads its streams but the caller, who decodes what it asks for.
#include "soundlib/stream_feeder.h"

#include <chrono>
#include <condition_variable>
#include <thread>

#include "soundlib/sound_mix.h"
#include "soundlib/vorbis_stream.h"

namespace {

// How often the feeder looks at the streams: the windows hold far more
// than this ahead of the mix.
const std::chrono::milliseconds FEED_PERIOD(10);
// Frames decoded per hold of a stream's decode lock (a tenth of a
// millisecond of work), so that a spectrum request never waits long and the
// mix can take the lock for a refill of its own in between.
const uint64_t FEED_STEP_FRAMES = 4096;

// The feeder thread and what wakes or stops it. The thread object is made
// anew for each device and never destroyed at exit, so that a program that
// ends without BASS_Free is not stopped by a joinable thread's destructor.
struct StreamFeeder {
    std::thread* thread;
    std::mutex lock;
    std::condition_variable wake;
    bool woken;
    bool stopping;
};

StreamFeeder s_feeder;

// Decodes ahead of the mix in one stream, if a device plays it, until its
// window is full or its audio ends.
void FeedStream(SoundStream& stream)
{
    for (;;) {
        std::lock_guard<std::mutex> guard(stream.decodeLock);
        if (!stream.used || !IsMixedByDevice(stream) || !stream.mixReady.load(std::memory_order_acquire))
            return;
        uint64_t mixed = stream.mixPosition.load(std::memory_order_acquire) >> MIX_FRACTION_BITS;
        uint64_t keep = mixed > stream.keepBehind ? mixed - stream.keepBehind : 0;
        uint64_t end = stream.window.end.load(std::memory_order_relaxed);
        uint64_t full = keep + stream.window.frames;
        if (end + VORBIS_MAX_FRAMES_PER_CALL > full)
            return;
        uint64_t step = (end > mixed ? end : mixed) + FEED_STEP_FRAMES;
        FillPcmWindow(stream, mixed, step < full ? step : full, keep, false);
        if (stream.window.end.load(std::memory_order_relaxed) == end)
            return;   // the audio has ended
    }
}

void RunStreamFeeder()
{
    std::unique_lock<std::mutex> lock(s_feeder.lock);
    while (!s_feeder.stopping) {
        lock.unlock();
        for (SoundStream& stream : g_soundStreams)
            FeedStream(stream);
        lock.lock();
        s_feeder.wake.wait_for(lock, FEED_PERIOD, [] { return s_feeder.woken || s_feeder.stopping; });
        s_feeder.woken = false;
    }
}

} // namespace

bool StartStreamFeeder()
{
    s_feeder.woken = false;
    s_feeder.stopping = false;
    try {
        s_feeder.thread = new std::thread(RunStreamFeeder);
    } catch (...) {
        s_feeder.thread = nullptr;
        return false;
    }
    return true;
}

void StopStreamFeeder()
{
    if (!s_feeder.thread)
        return;
    {
        std::lock_guard<std::mutex> guard(s_feeder.lock);
        s_feeder.stopping = true;
    }
    s_feeder.wake.notify_one();
    s_feeder.thread->join();
    delete s_feeder.thread;
    s_feeder.thread = nullptr;
}

void WakeStreamFeeder()
{
    {
        std::lock_guard<std::mutex> guard(s_feeder.lock);
        s_feeder.woken = true;
    }
    s_feeder.wake.notify_one();
}
