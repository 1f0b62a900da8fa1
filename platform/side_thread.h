// A second thread for work that runs beside the caller's (getting pages, writing a file, packing codes), and
// a condition one side waits for while the other brings it about.
//
// The run's results never depend on these: every user does the same work on its own thread when start()
// returns false, which it does where the system has no POSIX threads, only one processor, or no thread to
// spare. No exception is thrown.
#ifndef VASTRELMON_PLATFORM_SIDE_THREAD_H
#define VASTRELMON_PLATFORM_SIDE_THREAD_H

class SideThread {
public:
    using Job = void (*)(void* context);

    SideThread() : handle_(nullptr) {}
    // Waits for a thread still running.
    ~SideThread() { join(); }
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;

    // Runs job(context) on a new thread; false when none could be had.
    bool start(Job job, void* context);
    // Waits for the job to return. Nothing happens when none runs.
    void join();
    bool running() const { return handle_ != nullptr; }

private:
    struct Handle;
    Handle* handle_;
};

// Waiting for a condition made true by the other thread: a short spin, since the other side mostly needs only
// microseconds, then asleep. Whoever changes what a waiter may be waiting for calls wake_all() afterwards.
// The condition is read with sequentially consistent atomics by its caller.
class SideWait {
public:
    using Ready = bool (*)(const void* context);

    SideWait();
    ~SideWait();
    SideWait(const SideWait&) = delete;
    SideWait& operator=(const SideWait&) = delete;

    void wait_until(Ready ready, const void* context);
    // The same wait for a mostly idle side: it looks again every pause_nanoseconds instead of sleeping until
    // woken, so the busy side never pays for a wake-up (tens of microseconds on a virtual machine).
    void poll_until(Ready ready, const void* context, long pause_nanoseconds);
    void wake_all();

private:
    struct State;
    [[maybe_unused]] State* state_;  // null: allocation failed, waiting spins only (Linux only)
};

#endif
