#include "platform/side_thread.h"

#include <new>

#if defined(__linux__)

#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

namespace {

// Looks again this many times before sleeping: about as long as a sleep and a wake-up cost.
constexpr int kSpins = 2000;

inline void spin_pause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The processors this process may run on.
long processors_available()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        return CPU_COUNT(&allowed);
    }
    return sysconf(_SC_NPROCESSORS_ONLN);
}

}  // namespace

struct SideThread::Handle {
    pthread_t thread;
    Job job;
    void* context;

    static void* run(void* self)
    {
        Handle* handle = static_cast<Handle*>(self);
        handle->job(handle->context);
        return nullptr;
    }
};

bool SideThread::start(Job job, void* context)
{
    join();
    // On a single processor the two threads would only take turns, and the waiting side's spin would cost the
    // other its time. What counts is where this process may run (taskset, cgroups), not what the machine has.
    static const bool several_processors = processors_available() > 1;
    if (!several_processors) {
        return false;
    }
    Handle* handle = new (std::nothrow) Handle;
    if (handle == nullptr) {
        return false;
    }
    handle->job = job;
    handle->context = context;
    if (pthread_create(&handle->thread, nullptr, Handle::run, handle) != 0) {
        delete handle;
        return false;
    }
    handle_ = handle;
    return true;
}

void SideThread::join()
{
    if (handle_ == nullptr) {
        return;
    }
    pthread_join(handle_->thread, nullptr);
    delete handle_;
    handle_ = nullptr;
}

struct SideWait::State {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
    std::atomic<int> sleepers{0};
};

SideWait::SideWait() : state_(new (std::nothrow) State) {}

SideWait::~SideWait()
{
    delete state_;
}

void SideWait::wait_until(Ready ready, const void* context)
{
    for (int i = 0; i < kSpins; ++i) {
        if (ready(context)) {
            return;
        }
        spin_pause();
    }
    if (state_ == nullptr) {
        while (!ready(context)) {
            sched_yield();
        }
        return;
    }
    // A waker changes the condition before it looks for sleepers, and a sleeper counts itself before it looks
    // at the condition again, so one of the two always sees the other.
    pthread_mutex_lock(&state_->lock);
    state_->sleepers.fetch_add(1);
    while (!ready(context)) {
        pthread_cond_wait(&state_->wake, &state_->lock);
    }
    state_->sleepers.fetch_sub(1);
    pthread_mutex_unlock(&state_->lock);
}

void SideWait::poll_until(Ready ready, const void* context, long pause_nanoseconds)
{
    const timespec pause = {0, pause_nanoseconds};
    while (!ready(context)) {
        nanosleep(&pause, nullptr);
    }
}

void SideWait::wake_all()
{
    if (state_ != nullptr && state_->sleepers.load() > 0) {
        pthread_mutex_lock(&state_->lock);
        pthread_cond_broadcast(&state_->wake);
        pthread_mutex_unlock(&state_->lock);
    }
}

#else

// Without POSIX threads no second thread ever runs, so nothing waits.
struct SideThread::Handle {};

bool SideThread::start(Job, void*)
{
    return false;
}

void SideThread::join() {}

struct SideWait::State {};

SideWait::SideWait() : state_(nullptr) {}

SideWait::~SideWait() {}

// Only the caller's own thread runs, so the condition is already whatever it will ever be: waiting could only
// hang. Every user waits only after a successful start(), which never happens here.
void SideWait::wait_until(Ready, const void*) {}

void SideWait::poll_until(Ready, const void*, long) {}

void SideWait::wake_all() {}

#endif
