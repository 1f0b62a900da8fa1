#include "platform/file_view.h"

#include <cstring>

#include "platform/files.h"

#if defined(__linux__)

#include <atomic>
#include <csignal>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The open mapping, for the bus-error handler: its bytes, and whether a
// page of it was lost. Signal handlers may read and write lock-free atomics.
std::atomic<uintptr_t> g_view_start{0};
std::atomic<uintptr_t> g_view_end{0};
std::atomic<uintptr_t> g_page_bytes{0};
std::atomic<bool> g_view_lost{false};
struct sigaction g_previous_handler;

// A bus error on a page of the view the file no longer reaches: a page of zeros goes in its place and the
// read goes on. Any other bus error goes to the handler there was before the view, by the same fault again.
void on_bus_error(int, siginfo_t* info, void*)
{
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

bool FileView::map_file()
{
    const int64_t length = file_size(file_);
    const long page_bytes = sysconf(_SC_PAGESIZE);
    if (length <= 0 || static_cast<uint64_t>(length) > SIZE_MAX || page_bytes <= 0 || g_view_start.load() != 0) {
        return false;
    }
    struct sigaction handler = {};
    handler.sa_sigaction = on_bus_error;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    if (sigaction(SIGBUS, &handler, &g_previous_handler) != 0) {
        return false;
    }
    // Populated at once: every byte will be read, and one call costs less than faulting a few pages at a time.
    void* bytes = mmap(nullptr, static_cast<size_t>(length), PROT_READ, MAP_SHARED | MAP_POPULATE, fileno(file_), 0);
    if (bytes == MAP_FAILED) {
        sigaction(SIGBUS, &g_previous_handler, nullptr);
        return false;
    }
    bytes_ = static_cast<const uint8_t*>(bytes);
    size_ = static_cast<size_t>(length);
    mapped_ = true;
    g_page_bytes.store(static_cast<uintptr_t>(page_bytes));
    g_view_lost.store(false);
    g_view_end.store(reinterpret_cast<uintptr_t>(bytes_) + size_);
    g_view_start.store(reinterpret_cast<uintptr_t>(bytes_));
    return true;
}

void FileView::close()
{
    if (mapped_) {
        g_view_start.store(0);
        g_view_end.store(0);
        munmap(const_cast<uint8_t*>(bytes_), size_);
        sigaction(SIGBUS, &g_previous_handler, nullptr);
        mapped_ = false;
    }
    if (file_ != nullptr) {
        std::fclose(file_);  // read-only: nothing can be lost
        file_ = nullptr;
    }
    read_.reset();
    bytes_ = nullptr;
    size_ = 0;
}

bool FileView::intact_so_far() const
{
    return !mapped_ || !g_view_lost.load();
}

bool FileView::intact() const
{
    return intact_so_far() && (!mapped_ || file_size(file_) >= static_cast<int64_t>(size_));
}

#else

// Elsewhere the file is read.
bool FileView::map_file() { return false; }

void FileView::close()
{
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    read_.reset();
    bytes_ = nullptr;
    size_ = 0;
}

bool FileView::intact_so_far() const { return true; }
bool FileView::intact() const { return true; }

#endif

size_t FileView::file_size_now() const
{
    const int64_t size = file_ != nullptr ? file_size(file_) : -1;
    return size > 0 ? static_cast<size_t>(size) : 0;
}

bool FileView::read_file()
{
    // The size told, or, where it cannot be told, room that grows.
    const int64_t told = file_size(file_);
    size_t room = told >= 0 ? static_cast<size_t>(told) + 1 : size_t{1} << 16;
    for (;;) {
        MallocBuffer<uint8_t> bigger = allocate_buffer<uint8_t>(room, false);
        if (!bigger) {
            return false;
        }
        if (size_ > 0) {
            std::memcpy(bigger.get(), read_.get(), size_);
        }
        read_ = std::move(bigger);
        size_ += std::fread(read_.get() + size_, 1, room - size_, file_);
        // One byte more than the file was told to hold shows its end.
        if (size_ < room) {
            bytes_ = read_.get();
            return true;
        }
        room *= 2;
    }
}

FileView::Opened FileView::open(const char* path, bool map)
{
    close();
    file_ = path != nullptr ? open_regular_for_reading(path) : nullptr;
    if (file_ == nullptr) {
        return kCantOpen;
    }
    if ((map && map_file()) || read_file()) {
        return kOpened;
    }
    close();
    return kNoMemory;
}
