#include "gif/code_relay.h"

#include <new>

void CodeRelay::run(void* self)
{
    CodeRelay* relay = static_cast<CodeRelay*>(self);
    relay->result_ = relay->packer_(relay, relay->context_);
    relay->stopped_.store(true);
    relay->wait_.wake_all();
}

bool CodeRelay::start(Packer packer, void* context)
{
    ring_ = new (std::nothrow) uint16_t[kRingCodes];
    if (ring_ == nullptr) {
        return false;
    }
    packer_ = packer;
    context_ = context;
    if (!thread_.start(run, this)) {
        delete[] ring_;
        ring_ = nullptr;
        return false;
    }
    return true;
}

uint16_t* CodeRelay::claim()
{
    wait_.wait_until(
        [](const void* self) {
            const CodeRelay* relay = static_cast<const CodeRelay*>(self);
            return relay->stopped_.load() || relay->produced_ + kBatchCodes - relay->consumed_.load() <= kRingCodes;
        },
        this);
    if (stopped_.load()) {
        return nullptr;
    }
    return ring_ + produced_ % kRingCodes;
}

void CodeRelay::submit(size_t count)
{
    produced_ += count;
    published_.store(produced_);
    wait_.wake_all();
}

bool CodeRelay::finish()
{
    if (!thread_.running()) {
        return false;
    }
    published_.store(produced_);
    finished_.store(true);
    wait_.wake_all();
    thread_.join();
    delete[] ring_;
    ring_ = nullptr;
    return result_;
}

size_t CodeRelay::take(const uint16_t** codes)
{
    const SideWait::Ready ready = [](const void* self) {
        const CodeRelay* relay = static_cast<const CodeRelay*>(self);
        return relay->published_.load() > relay->taken_ || relay->finished_.load();
    };
    // The packer mostly waits for the finder, which should not have to stop
    // and wake it at every batch: it looks again after a pause instead.
#if defined(VASTRELMON_NO_RELAY_POLL)
    wait_.wait_until(ready, this);
#else
    wait_.poll_until(ready, this, kPollNanoseconds);
#endif
    // published_ is read after finished_: the last codes are handed over first.
    const uint64_t available = published_.load();
    if (available == taken_) {
        return 0;
    }
    const uint64_t offset = taken_ % kRingCodes;
    uint64_t count = available - taken_;
    if (count > kRingCodes - offset) {
        count = kRingCodes - offset;
    }
    *codes = ring_ + offset;
    taken_ += count;
    return static_cast<size_t>(count);
}

void CodeRelay::done()
{
    consumed_.store(taken_);
    wait_.wake_all();
}
