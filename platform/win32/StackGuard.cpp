// The stack protector's canary and its failure, in place of libssp's own:
// libssp sets the canary from a cryptographic provider that it loads at
// every start (about a twentieth of Pellmora's start-up under Wine). The
// canary is mixed as the system's own compiler mixes its stack cookie, from
// the time, the counters, the process and thread and where the loader put
// the image and the stack, set before any other of the program's code runs.
#include <windows.h>

#include <cstdint>

extern "C" {

std::uintptr_t __stack_chk_guard;

// A smashed stack ends the program at once: nothing that ran on it is
// trusted. Where the system has a fast fail (Windows 8 and later), the
// program ends there, past every exception handler of its own, and a
// debugger or the error report is told why; elsewhere it is terminated with
// the same status.
[[noreturn]] void __stack_chk_fail() {
    if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE))
        __asm__ __volatile__("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE) : "memory");  // __fastfail
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

// A bounds-checked copy (_FORTIFY_SOURCE) that would have overrun.
[[noreturn]] void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

[[gnu::constructor(101), gnu::no_stack_protector]] void setCanary() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uint64_t mixed = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) ^
                          static_cast<std::uint64_t>(counter.QuadPart) ^ GetTickCount64() ^
                          (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ GetCurrentThreadId() ^
                          reinterpret_cast<std::uintptr_t>(&time) ^ reinterpret_cast<std::uintptr_t>(&setCanary);
    mixed ^= mixed >> 29;
    mixed *= 0xbf58476d1ce4e5b9ULL;  // spread every bit over the whole word
    mixed ^= mixed >> 32;
    // A zero byte first stops a string copy that runs into the canary.
    __stack_chk_guard = static_cast<std::uintptr_t>(mixed) & ~static_cast<std::uintptr_t>(0xFF);
}

}  // namespace
