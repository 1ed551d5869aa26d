#include "child_process.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kForwarded[] = {SIGINT, SIGTERM};

// A signal handler sees only what is global: the child to pass signals on to,
// and the signal that arrived (0 for none). Used while one child runs.
std::atomic<pid_t> g_child{0};
std::atomic<int> g_arrived{0};

extern "C" void forward_signal(int sig)
{
    g_arrived.store(sig);
    const pid_t child = g_child.load();
    if (child > 0)
        ::kill(child, sig);
}

// Installs the forwarding handler for the signals this process does not
// ignore, and puts the old handlers back when it goes.
class Forwarding {
public:
    Forwarding()
    {
        for (std::size_t i = 0; i < std::size(kForwarded); ++i) {
            struct sigaction handler {};
            handler.sa_handler = forward_signal;
            sigemptyset(&handler.sa_mask);
            ::sigaction(kForwarded[i], nullptr, &old_[i]);
            installed_[i] = old_[i].sa_handler != SIG_IGN;
            if (installed_[i])
                ::sigaction(kForwarded[i], &handler, nullptr);
        }
    }
    ~Forwarding()
    {
        for (std::size_t i = 0; i < std::size(kForwarded); ++i)
            if (installed_[i])
                ::sigaction(kForwarded[i], &old_[i], nullptr);
    }
    Forwarding(const Forwarding&) = delete;
    Forwarding& operator=(const Forwarding&) = delete;

private:
    struct sigaction old_[std::size(kForwarded)];
    bool installed_[std::size(kForwarded)] = {};
};

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

Status run_child(const std::vector<std::string>& words, int stdout_fd, ChildEnd& end)
{
    end = ChildEnd{};
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    // The signals wait, blocked, until the child's id is known to the handler.
    sigset_t forwarded, before;
    sigemptyset(&forwarded);
    for (const int sig : kForwarded)
        sigaddset(&forwarded, sig);
    ::sigprocmask(SIG_BLOCK, &forwarded, &before);
    g_arrived.store(0);

    SpawnSetup setup;
    if (stdout_fd >= 0 && stdout_fd != STDOUT_FILENO)
        posix_spawn_file_actions_adddup2(&setup.actions, stdout_fd, STDOUT_FILENO);
    // The child starts with our own mask; the forwarding handlers fall back
    // to the default action at exec, and ignored signals stay ignored.
    posix_spawnattr_setsigmask(&setup.attributes, &before);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK);

    int arrived = 0;
    Status started;
    {
        const Forwarding forwarding;
        pid_t child = 0;
        const int error = ::posix_spawn(&child, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
        if (error != 0) {
            started = {error == ENOENT ? StatusCode::NotFound : StatusCode::ReadError,
                       "cannot start '" + words[0] + "': " + std::strerror(error)};
        } else {
            g_child.store(child);
            ::sigprocmask(SIG_SETMASK, &before, nullptr);
            int status = 0;
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            ::sigprocmask(SIG_BLOCK, &forwarded, nullptr);
            g_child.store(0);
            end.exited = WIFEXITED(status);
            end.code = end.exited ? WEXITSTATUS(status) : 0;
            end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
        arrived = g_arrived.exchange(0);
    }
    // With the old handlers back, a signal that came meanwhile takes its
    // ordinary effect.
    if (arrived != 0)
        std::raise(arrived);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    return started;
}

std::string own_folder()
{
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer - 1)
        return {};
    const std::string path(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}
