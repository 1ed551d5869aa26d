#include "cli.h"

#include "numbers.h"

#include <cmath>
#include <iostream>

#ifndef KESTO_VERSION
#define KESTO_VERSION "unknown"
#endif

int answer_help_or_version(int argc, const char* const* argv, const std::string& usage)
{
    if (argc != 2)
        return -1;
    const std::string arg = argv[1];
    if (arg == "--help" || arg == "-h") {
        std::cout << usage;
        return kExitOk;
    }
    if (arg == "--version") {
        const std::string path = argv[0];
        std::cout << path.substr(path.find_last_of('/') + 1) << " " << KESTO_VERSION << "\n";
        return kExitOk;
    }
    return -1;
}

int check_command_line(int argc, const char* const* argv, int words, const std::string& usage)
{
    const std::string name = argc > 0 ? argv[0] : "kesto";
    const int answered = answer_help_or_version(argc, argv, usage);
    if (answered >= 0)
        return answered;
    if (argc != words) {
        std::cerr << name << ": expected " << words << " words on the command line (the program name and "
                  << (words - 1) / 2 << " option/value pairs), got " << argc << "\n"
                  << usage;
        return kExitUsage;
    }
    return -1;
}

bool read_unit_value(const std::string& program, const std::string& what, const std::string& text,
                     double& value)
{
    if (!parse_double(text, value) || std::isnan(value) || value < 0.0 || value > 1.0) {
        std::cerr << program << ": " << what << " must be a number from 0 to 1, got '" << text << "'\n";
        return false;
    }
    return true;
}

bool read_int_value(const std::string& program, const std::string& what, const std::string& text,
                    std::int32_t& value)
{
    if (!parse_int32(text, value)) {
        std::cerr << program << ": " << what << " must be a whole number that fits in 32 bits, got '" << text
                  << "'\n";
        return false;
    }
    return true;
}
