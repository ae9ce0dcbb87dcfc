// Preloaded shim: while SDL_SetVideoMode runs, every allocation as large as a frame fails.
//
//   LD_PRELOAD=libframe_alloc_fails.so PROGRAM...
//
// The 320x240x16 mode needs a frame of 153,600 bytes, so under this shim the mode cannot be had
// for want of memory, on any SDL 1.2 library and with any video driver, while everything before
// and after the call allocates as usual. Smaller allocations inside the call still succeed, so
// the library fails the way it would when the frame alone does not fit. SDL's own symbol is
// looked up on first use: the shim links no SDL and serves whichever library the program loads.
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

struct SDL_Surface;

extern "C" {
// glibc's allocator under its own names: the shim's allocation functions hand over to them.
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
}

namespace {

constexpr std::size_t frame_bytes = 320 * 240 * 2;

// Calls of SDL_SetVideoMode under way, on any thread: the library may allocate the frame from
// a thread of its own while the call waits.
std::atomic<int> in_set_video_mode{0};

bool refused(std::size_t size) {
    if (size < frame_bytes || in_set_video_mode.load() == 0) return false;
    errno = ENOMEM;
    return true;
}

using SetVideoMode = SDL_Surface* (*)(int, int, int, std::uint32_t);

} // namespace

extern "C" {

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, std::uint32_t flags) {
    static const auto real = reinterpret_cast<SetVideoMode>(dlsym(RTLD_NEXT, "SDL_SetVideoMode"));
    if (!real) {
        std::fputs("frame_alloc_fails: no SDL_SetVideoMode to hand over to\n", stderr);
        std::abort();
    }
    ++in_set_video_mode;
    SDL_Surface* s = real(width, height, bpp, flags);
    --in_set_video_mode;
    return s;
}

// The allocation functions, noexcept as the C library declares them.
void* malloc(std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept {
    std::size_t total = 0;
    if (!__builtin_mul_overflow(count, size, &total) && refused(total)) return nullptr;
    return __libc_calloc(count, size);
}

// A refused growth leaves the block as it was, as a real shortage would.
void* realloc(void* p, std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_realloc(p, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    if (refused(size)) return ENOMEM;
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_valloc(size);
}

void* pvalloc(std::size_t size) noexcept {
    return refused(size) ? nullptr : __libc_pvalloc(size);
}

} // extern "C"
