#include "run_options.h"

#include "numbers.h"

#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

bool read_env_int(const char* name, const std::string& program, std::int32_t low, std::int32_t high,
                  std::int32_t& value)
{
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return false;
    std::int32_t v = 0;
    if (!parse_int32(text, v) || v < low || v > high) {
        std::cerr << program << ": " << name << "='" << text << "' is not a whole number from " << low << " to "
                  << high << "; using the default\n";
        return false;
    }
    value = v;
    return true;
}

} // namespace

int thread_count(const std::string& program)
{
    std::int32_t threads = 1;
    read_env_int("KESTO_THREADS", program, 1, 256, threads);
    return threads;
}

int usable_cores()
{
    int cores = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        cores = CPU_COUNT(&set);
    if (cores <= 0)
        cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, 256);
}

bool use_reference_engine()
{
    const char* text = std::getenv("KESTO_ENGINE");
    return text != nullptr && std::string(text) == "reference";
}

EigenMethod eigen_method(const std::string& program)
{
    const char* text = std::getenv("KESTO_EIGEN");
    if (text == nullptr || *text == '\0' || std::string(text) == "exact")
        return EigenMethod::Exact;
    if (std::string(text) == "fast")
        return EigenMethod::Fast;
    std::cerr << program << ": KESTO_EIGEN='" << text << "' is neither 'exact' nor 'fast'; using exact\n";
    return EigenMethod::Exact;
}

std::size_t cache_bytes(const std::string& program)
{
    std::int32_t mb = 1024;
    read_env_int("KESTO_CACHE_MB", program, 1, 1 << 20, mb);
    return static_cast<std::size_t>(mb) << 20;
}
