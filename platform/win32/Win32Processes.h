// The program's own command line and starting another program, on Win32.
#pragma once

#include "platform/Processes.h"

namespace win32 {

class Win32Processes : public platform::Processes {
public:
    std::string commandLine() const override;
    bool startProgram(const std::string& path) override;
};

}  // namespace win32
