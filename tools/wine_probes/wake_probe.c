/* wake_probe: how late this machine wakes a thread that sleeps in short
 * steps, as a sound driver's threads do (Wine's feed PulseAudio every 10 ms,
 * with about 25 ms queued there). Runs at ordinary priority until it is sent
 * SIGTERM or SIGINT, then prints
 *   wake lateness: most <ms> ms, <n> wakes 20 ms or more late, <wakes> wakes
 * A machine that keeps such a thread waiting longer than the sound queued
 * downstream drops sound whatever the program does, so the sound checks
 * judge gaps only when this stays small. */
#include <signal.h>
#include <stdio.h>
#include <time.h>

static volatile sig_atomic_t s_stop = 0;

static void Stop(int signal_number)
{
    (void)signal_number;
    s_stop = 1;
}

static double Seconds(const struct timespec *t)
{
    return (double)t->tv_sec + (double)t->tv_nsec * 1e-9;
}

int main(void)
{
    const long step_ns = 5000000L;
    struct timespec due, now;
    double most = 0.0;
    long late = 0, wakes = 0;
    signal(SIGTERM, Stop);
    signal(SIGINT, Stop);
    clock_gettime(CLOCK_MONOTONIC, &due);
    while (!s_stop) {
        due.tv_nsec += step_ns;
        if (due.tv_nsec >= 1000000000L) {
            due.tv_nsec -= 1000000000L;
            ++due.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL);
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double lateness = Seconds(&now) - Seconds(&due);
        ++wakes;
        if (lateness > most)
            most = lateness;
        if (lateness >= 0.020)
            ++late;
        /* After a long stall, start again from now rather than catch up. */
        if (lateness > 0.005)
            due = now;
    }
    printf("wake lateness: most %.1f ms, %ld wakes 20 ms or more late, %ld wakes\n", most * 1000.0, late, wakes);
    return 0;
}
