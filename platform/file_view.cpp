#include "platform/file_view.h"

#include "platform/files.h"

#if defined(__linux__)

#include <atomic>
#include <csignal>
#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The open view, for the bus-error handler: its bytes, and whether a page
// of it was lost. Signal handlers may read and write lock-free atomics.
std::atomic<uintptr_t> g_view_start{0};
std::atomic<uintptr_t> g_view_end{0};
std::atomic<uintptr_t> g_page_bytes{0};
std::atomic<bool> g_view_lost{false};
struct sigaction g_previous_handler;

// A bus error on a page of the view, which the file no longer reaches: a
// page of zeros goes in its place and the read goes on. Any other bus error
// goes to the handler there was before the view, by the same fault again.
void on_bus_error(int signal, siginfo_t* info, void* context)
{
    (void)signal;
    (void)context;
    const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    const uintptr_t page_bytes = g_page_bytes.load();
    if (at >= g_view_start.load() && at < g_view_end.load()) {
        void* page = reinterpret_cast<void*>(at & ~(page_bytes - 1));
        if (mmap(page, page_bytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            g_view_lost.store(true);
            return;
        }
    }
    sigaction(SIGBUS, &g_previous_handler, nullptr);
}

}  // namespace

bool FileView::open(std::FILE* file, int64_t length)
{
    if (bytes_ != nullptr || file == nullptr || length <= 0 || g_view_start.load() != 0 ||
        static_cast<uint64_t>(length) > SIZE_MAX || file_size(file) < length) {
        return false;
    }
    const long page_bytes = sysconf(_SC_PAGESIZE);
    if (page_bytes <= 0) {
        return false;
    }
    struct sigaction handler = {};
    handler.sa_sigaction = on_bus_error;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    if (sigaction(SIGBUS, &handler, &g_previous_handler) != 0) {
        return false;
    }
    // Populated at once: the caller copies all of it, and one call maps its
    // pages where a fault a few pages at a time would cost more.
    void* bytes = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED | MAP_POPULATE, fileno(file), 0);
    if (bytes == MAP_FAILED) {
        sigaction(SIGBUS, &g_previous_handler, nullptr);
        return false;
    }
    file_ = file;
    bytes_ = static_cast<const uint8_t*>(bytes);
    length_ = static_cast<size_t>(length);
    g_page_bytes.store(static_cast<uintptr_t>(page_bytes));
    g_view_lost.store(false);
    g_view_end.store(reinterpret_cast<uintptr_t>(bytes_) + length_);
    g_view_start.store(reinterpret_cast<uintptr_t>(bytes_));
    return true;
}

void FileView::close()
{
    if (bytes_ == nullptr) {
        return;
    }
    g_view_start.store(0);
    g_view_end.store(0);
    munmap(const_cast<uint8_t*>(bytes_), length_);
    sigaction(SIGBUS, &g_previous_handler, nullptr);
    file_ = nullptr;
    bytes_ = nullptr;
    length_ = 0;
}

bool FileView::lost() const
{
    return g_view_lost.load();
}

bool FileView::release()
{
    const bool intact = bytes_ != nullptr && !lost() && file_size(file_) >= static_cast<int64_t>(length_);
    close();
    return intact;
}

#else

// Elsewhere the file is read the ordinary way.
bool FileView::open(std::FILE*, int64_t) { return false; }
void FileView::close() {}
bool FileView::lost() const { return true; }
bool FileView::release() { return false; }

#endif

const uint8_t* FileView::at(int64_t offset, size_t size) const
{
    if (bytes_ == nullptr || offset < 0 || static_cast<uint64_t>(offset) > length_ ||
        size > length_ - static_cast<size_t>(offset) || lost()) {
        return nullptr;
    }
    return bytes_ + offset;
}
