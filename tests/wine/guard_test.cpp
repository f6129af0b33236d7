// The stack protector's canary in a running Pellmora.exe, and a smashed
// stack in a copy of this program, which links the same StackGuard.cpp.
#include <sstream>

#include "tests/wine/Driver.h"

#include <psapi.h>

namespace wine {
namespace {

const wchar_t* const kSmashVariable = L"PELLMORA_SMASH_STACK";

// Writes `bytes` into an array of 8 on the stack, past its canary.
[[gnu::noinline]] void smashStack(std::size_t bytes) {
    [[maybe_unused]] volatile char array[8];
    for (std::size_t i = 0; i < bytes; ++i) array[i] = 'x';
}
// A copy started with the variable set does it before anything else runs.
const bool kSmashed = [] {
    if (const DWORD size = GetEnvironmentVariableW(kSmashVariable, nullptr, 0)) smashStack(64 * size);
    return false;
}();

// Where the linker put `symbol`, as its map says.
std::uintptr_t mapped(const std::string& map, std::string_view symbol) {
    std::istringstream lines(map);
    for (std::string line, address, name; std::getline(lines, line);)
        if (std::istringstream(line) >> address >> name && name == symbol) return std::stoull(address, nullptr, 16);
    return 0;
}

// The canary as a running Pellmora holds it (the executable is stripped,
// and the loader may have put it anywhere); 0 when it cannot be read.
std::uintptr_t canaryOf(HANDLE process) {
    const std::string map = readFile(buildFolder() / "platform/win32/Pellmora.map");
    const std::uintptr_t offset = mapped(map, "__stack_chk_guard") - mapped(map, "__image_base__");
    HMODULE image = nullptr;  // the program's own module comes first
    DWORD size = 0;
    std::uintptr_t canary = 0;
    if (EnumProcessModules(process, &image, sizeof image, &size))
        ReadProcessMemory(process, reinterpret_cast<BYTE*>(image) + offset, &canary, sizeof canary, nullptr);
    return canary;
}

TEST(StackGuard, EachRunSetsACanaryOfItsOwnWithAZeroFirstByte) {
    Scratch s;
    std::uintptr_t canaries[2] = {};
    for (int run = 0; run < 2; ++run) {
        Pellmora p(s.path(std::to_string(run)), std::nullopt, L"/");
        ASSERT_NE(p.window(), nullptr);
        canaries[run] = canaryOf(p.process());
        EXPECT_NE(canaries[run], 0u) << "not set, or not read";
        EXPECT_EQ(canaries[run] & 0xFF, 0u) << "the first byte in memory: a string copy would run into it";
    }
    EXPECT_NE(canaries[0], canaries[1]);
}

// What a debugger is told of a smashed stack: a fast fail, where the system
// offers one, comes from the program's int 0x29 as a last-chance exception
// with its reason, never handed to the program's own handlers first; a
// terminated process says only its exit code. qemu-user, which runs the x86
// build where the kernel runs no 32-bit code, raises an illegal instruction
// at that int 0x29 where a processor faults: there only the place shows.
TEST(StackGuard, ASmashedStackEndsTheProgramAtOnce) {
    std::wstring commandLine = L"\"" + std::wstring(_wpgmptr) + L"\"";
    STARTUPINFOW startup{.cb = sizeof startup};
    PROCESS_INFORMATION child{};
    SetEnvironmentVariableW(kSmashVariable, L"1");
    ASSERT_TRUE(CreateProcessW(_wpgmptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                               nullptr, &startup, &child));
    SetEnvironmentVariableW(kSmashVariable, nullptr);
    std::vector<std::tuple<DWORD, BOOL, ULONG_PTR, std::uint16_t>> told;  // each exception but the loader's breakpoint
    DEBUG_EVENT event{};
    DWORD exitCode = 0;
    for (bool running = true; running && WaitForDebugEvent(&event, 20000);) {
        const DWORD kind = event.dwDebugEventCode;
        const auto& [exception, firstChance] = event.u.Exception;
        const bool toldOf = kind == EXCEPTION_DEBUG_EVENT && exception.ExceptionCode != EXCEPTION_BREAKPOINT;
        std::uint16_t at = 0;  // the instruction it was raised at; 0x29CD is int 0x29
        if (toldOf) ReadProcessMemory(child.hProcess, exception.ExceptionAddress, &at, sizeof at, nullptr);
        if (toldOf) told.emplace_back(exception.ExceptionCode, firstChance, exception.ExceptionInformation[0], at);
        if (kind == CREATE_PROCESS_DEBUG_EVENT) CloseHandle(event.u.CreateProcessInfo.hFile);
        if (kind == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        if (kind == EXIT_PROCESS_DEBUG_EVENT) running = false, exitCode = event.u.ExitProcess.dwExitCode;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, toldOf ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
    }
    TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hThread), CloseHandle(child.hProcess);
    if (const char* loader = std::getenv("PELLMORA_WINE32"); loader && loader == std::string_view("emulated"))
        return [&] { EXPECT_TRUE(!told.empty() && std::get<3>(told.front()) == 0x29CD) << "no int 0x29 came first"; }();
    EXPECT_EQ(exitCode, static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN));
    using Told = decltype(told);
    EXPECT_EQ(told, (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE)
                         ? Told{{STATUS_STACK_BUFFER_OVERRUN, FALSE, FAST_FAIL_STACK_COOKIE_CHECK_FAILURE, 0x29CD}}
                         : Told{}));
}

}  // namespace
}  // namespace wine
