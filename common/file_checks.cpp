#include "file_checks.h"

#include <iostream>

int refuse_clashes(const std::string& program, const RunFiles& files)
{
    const Status checked = files.check();
    if (checked.ok())
        return -1;
    std::cerr << program << ": " << checked.message << "\n";
    return exit_code(checked);
}
