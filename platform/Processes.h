// What the logic needs of processes: its own command line and starting a
// program.
#pragma once

#include <string>

namespace platform {

class Processes {
public:
    virtual ~Processes() = default;

    // The arguments after the program's name, as one string.
    virtual std::string commandLine() const = 0;

    // Starts the executable at `path` (run by that path, never found by
    // splitting a command line), window shown normally with the focus, in the
    // folder that holds it (as a shortcut's "Start in" has it, so that it
    // finds its own files), without waiting. False when it cannot start.
    virtual bool startProgram(const std::string& path) = 0;
};

}  // namespace platform
