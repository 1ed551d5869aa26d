// kesto_gen_v2 and its converters as a pipeline: where the converters are
// found, labels that begin with a quote, a .fam far too large for its .bed,
// signals that reach the converter, and several scans of one data set at
// once.

#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kesto_test::bin_path;
using kesto_test::contains;
using kesto_test::file_exists;
using kesto_test::read_file;
using kesto_test::run_command;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

const std::string kExamples = std::string(KESTO_SOURCE_DIR) + "/examples/";

// The example PLINK set as BASE.bed/.bim/.fam and its association file.
void copy_data_set(const std::string& folder, const std::string& base = "set")
{
    for (const char* ext : {".bed", ".bim", ".fam"})
        fs::copy_file(kExamples + "scan_chr1" + ext, folder + "/" + base + ext);
    fs::copy_file(kExamples + "scan_chr1_assoc.txt", folder + "/assoc.txt",
                  fs::copy_options::skip_existing);
}

std::vector<std::string> gen_args(const std::string& base, const std::string& out, const std::string& log,
                                  const std::string& width = "30000", const std::string& step = "10000")
{
    return {"-b", base, "-s", "assoc.txt", "-o", out, "-l", log, "-a", "0.05", "-v", "0.8",
            "-w", width, "-t", step, "-S", "-1", "-E", "-1"};
}

void write_script(const std::string& path, const std::string& body)
{
    write_file(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

// A program started in the background in `dir`, its output streams in a file.
class Background {
public:
    Background(const std::string& exe, const std::vector<std::string>& args, const std::string& dir,
               const std::string& output)
    {
        pid_ = fork();
        if (pid_ == 0) {
            signal(SIGINT, SIG_DFL);
            signal(SIGTERM, SIG_DFL);
            const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || chdir(dir.c_str()) != 0)
                _exit(126);
            dup2(out, 1);
            dup2(out, 2);
            std::vector<char*> argv = {const_cast<char*>(exe.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(exe.c_str(), argv.data());
            _exit(127);
        }
    }
    ~Background()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void signal_it(int sig) { kill(pid_, sig); }
    // The exit status, or 128 + the signal that ended the program.
    int wait()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
};

bool wait_for_file(const std::string& path)
{
    for (int i = 0; i < 3000 && !file_exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return file_exists(path);
}

// ------------------------------------------------------------ finding the converters

TEST(ConverterLookup, BesideTheProgramFirstThenTheWorkingFolder)
{
    // The built program finds the converters of the build from any folder.
    TempDir work;
    copy_data_set(work.path());
    RunResult run = run_program("kesto_gen_v2", gen_args("set", "r.out", "r.log"), work.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string rows = read_file(work.file("r.out"));
    EXPECT_GT(kesto_test::lines_of(rows).size(), 10u);
    EXPECT_EQ(read_file(work.file("r.log")).substr(0, 8), "morrow: ");

    // A copy of the program without converters beside it takes those of the
    // working folder.
    TempDir app;
    fs::copy_file(bin_path("kesto_gen_v2"), app.file("kesto_gen_v2"));
    for (const char* name : {"morrow", "transpose"})
        fs::create_symlink(bin_path(name), work.file(name));
    run = run_command(app.file("kesto_gen_v2"), gen_args("set", "w.out", "w.log"), work.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(work.file("w.out")), rows);

    // Neither place: the message names both.
    fs::remove(work.file("morrow"));
    run = run_command(app.file("kesto_gen_v2"), gen_args("set", "w.out", "w.log"), work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "kesto_gen_v2: cannot find the converter morrow: it is neither beside this program (" +
                                      app.file("morrow") + ") nor in the working folder (./morrow)"))
        << run.err;
}

// ------------------------------------------------------------ labels

// Rewrites field `field` (from 0) of line `line` (from 0) of a PLINK text
// file, whose fields are separated by blanks.
void prefix_field(const std::string& path, std::size_t line, std::size_t field, const std::string& prefix)
{
    std::vector<std::string> lines = kesto_test::lines_of(read_file(path));
    std::string& text = lines.at(line);
    std::size_t at = 0;
    for (std::size_t f = 0; f < field; ++f)
        at = text.find_first_not_of(" \t", text.find_first_of(" \t", at));
    text.insert(at, prefix);
    std::string joined;
    for (const std::string& l : lines)
        joined += l + "\n";
    write_file(path, joined);
}

TEST(ConverterLabels, IidsAndSnpIdsThatBeginWithAQuoteGiveTheSameRows)
{
    TempDir dir;
    copy_data_set(dir.path(), "plain");
    copy_data_set(dir.path(), "quoted");
    prefix_field(dir.file("quoted.fam"), 2, 1, "\"");
    prefix_field(dir.file("quoted.fam"), 7, 1, "\"\"x");
    prefix_field(dir.file("quoted.bim"), 4, 1, "\"");
    prefix_field(dir.file("quoted.bim"), 900, 1, "\"q\"");
    ASSERT_EQ(run_program("kesto_gen_v2", gen_args("plain", "plain.out", "plain.log"), dir.path()).status, 0);
    const RunResult run = run_program("kesto_gen_v2", gen_args("quoted", "quoted.out", "quoted.log"), dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir.file("quoted.out")), read_file(dir.file("plain.out")));
    EXPECT_TRUE(contains(read_file(dir.file("quoted.tg")), "\t\"IND0003\t")) << "the IID is written as it is";
}

// ------------------------------------------------------------ sizes before memory

TEST(ConverterSizes, AFamTooLargeForTheBedIsRefusedBeforeItsTableIsMade)
{
    // Two million individuals for the 1000 SNPs of the .bed ask for a 500 MB
    // table; under a 400 MB address space limit the size check must come
    // first.
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
    TempDir dir;
    copy_data_set(dir.path());
    {
        std::ofstream fam(dir.file("set.fam"), std::ios::trunc);
        for (int i = 0; i < 2000000; ++i)
            fam << "f i" << i % 10 << " 0 0 0 0\n";
    }
    const RunResult run = run_command(
        "/bin/sh", {"-c", "ulimit -v 400000 && exec \"$0\" -o out set", bin_path("morrow")}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "morrow: set.bed byte offset ")) << run.err;
    EXPECT_TRUE(contains(run.err, "1000 SNPs x 2000000 individuals need 3 + 1000 x 500000 = 500000003 bytes"))
        << run.err;
    EXPECT_FALSE(file_exists(dir.file("out.mk")));
}

// ------------------------------------------------------------ signals

TEST(ConverterSignals, AStopSignalReachesTheConverterAndThenEndsTheScan)
{
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        TempDir dir;
        copy_data_set(dir.path());
        fs::copy_file(bin_path("kesto_gen_v2"), dir.file("kesto_gen_v2"));
        fs::create_symlink(bin_path("transpose"), dir.file("transpose"));
        write_script(dir.file("morrow"), "trap 'echo stopped > got; exit 3' INT TERM\ntouch waiting\n"
                                         "while :; do sleep 0.01; done\n");
        Background run(dir.file("kesto_gen_v2"), gen_args("set", "r.out", "r.log"), dir.path(), dir.file("run.txt"));
        ASSERT_TRUE(wait_for_file(dir.file("waiting")));
        run.signal_it(sig);
        EXPECT_EQ(run.wait(), 128 + sig) << read_file(dir.file("run.txt"));
        EXPECT_TRUE(wait_for_file(dir.file("got")));
        EXPECT_EQ(read_file(dir.file("got")), "stopped\n");
    }
}

// ------------------------------------------------------------ runs at once

TEST(ConcurrentScans, RunsOfOneDataSetAtOnceEachGiveTheirOwnRows)
{
    // Different results, logs and windows over one base name: each run
    // converts the data set again while the others convert or read it.
    TempDir dir;
    copy_data_set(dir.path());
    const std::vector<std::vector<std::string>> windows = {
        {"30000", "10000"}, {"50000", "20000"}, {"100000", "5000"}, {"20000", "20000"}};
    std::vector<std::string> alone;
    for (std::size_t k = 0; k < windows.size(); ++k) {
        const std::string name = "alone" + std::to_string(k);
        const RunResult run =
            run_program("kesto_gen_v2", gen_args("set", name + ".out", name + ".log", windows[k][0], windows[k][1]),
                        dir.path());
        ASSERT_EQ(run.status, 0) << run.err;
        alone.push_back(read_file(dir.file(name + ".out")));
    }
    // Starts a few milliseconds apart, differently in each round, so that one
    // run's conversion falls between another's conversion and its reading.
    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::unique_ptr<Background>> runs;
        for (std::size_t k = 0; k < windows.size(); ++k) {
            const std::string name = "r" + std::to_string(k);
            std::this_thread::sleep_for(std::chrono::milliseconds(10 * ((static_cast<int>(k) * round) % 4)));
            runs.push_back(std::make_unique<Background>(
                bin_path("kesto_gen_v2"), gen_args("set", name + ".out", name + ".log", windows[k][0], windows[k][1]),
                dir.path(), dir.file(name + ".txt")));
        }
        for (std::size_t k = 0; k < windows.size(); ++k) {
            const std::string name = "r" + std::to_string(k);
            EXPECT_EQ(runs[k]->wait(), 0) << read_file(dir.file(name + ".txt"));
            EXPECT_EQ(read_file(dir.file(name + ".out")), alone[k]) << name;
        }
    }
    // No temporary file is left behind.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

} // namespace
