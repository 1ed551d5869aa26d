#ifndef KESTO_COMMON_CLI_H
#define KESTO_COMMON_CLI_H

#include <cstdint>
#include <string>

// Command-line checks shared by the programs. Each reports its own problem on
// standard error so that standard output keeps only the programs' own lines.

// Exit statuses of the suite.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Handles a lone --help/-h (usage on standard output) or --version. Returns
// -1 when the command line is neither, otherwise the status to exit with.
int answer_help_or_version(int argc, const char* const* argv, const std::string& usage);

// Handles --help/-h, --version and a wrong word count. Returns -1 when the
// program should go on, otherwise the status it should exit with.
int check_command_line(int argc, const char* const* argv, int words, const std::string& usage);

// Reads a value that must be a number from 0 to 1 (alpha, variance share).
bool read_unit_value(const std::string& program, const std::string& what, const std::string& text,
                     double& value);

// Reads a value that must be a whole number within 32 bits.
bool read_int_value(const std::string& program, const std::string& what, const std::string& text,
                    std::int32_t& value);

#endif
