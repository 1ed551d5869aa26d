// Outputs never destroy the files a run reads, and two runs never write one
// file: a clash between an output and an input (or another output), and an
// output held by another run, end the run with status 2 before anything is
// created, emptied or written.

#include "file_identity.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kesto_test::bin_path;
using kesto_test::contains;
using kesto_test::read_file;
using kesto_test::run_command;
using kesto_test::run_program;
using kesto_test::RunResult;
using kesto_test::TempDir;
using kesto_test::write_file;

const std::string kExamples = std::string(KESTO_SOURCE_DIR) + "/examples/";

// A working folder with every kind of input: a gene list and a pathway file,
// reference files under ref/, a SNP table and genotype file, a PLINK set with
// its association file, and a hard and a symbolic link to the gene list.
void fill_inputs(const TempDir& dir)
{
    fs::create_directories(dir.file("ref"));
    fs::create_directories(dir.file("sub"));
    fs::copy_file(kExamples + "genelist.txt", dir.file("genes.txt"));
    fs::copy_file(kExamples + "pathways.txt", dir.file("pw.txt"));
    for (const char* chr : {"1", "2"})
        for (const char* kind : {"legend_chr", "genotype_chr"})
            fs::copy_file(kExamples + kind + chr + ".txt", dir.file(std::string("ref/") + kind + chr + ".txt"));
    fs::copy_file(kExamples + "legend_chr1.txt", dir.file("table.txt"));
    fs::copy_file(kExamples + "genotype_chr1.txt", dir.file("geno.txt"));
    for (const char* ext : {".bed", ".bim", ".fam"})
        fs::copy_file(kExamples + "scan_chr1" + ext, dir.file(std::string("set") + ext));
    fs::copy_file(kExamples + "scan_chr1_assoc.txt", dir.file("assoc.txt"));
    write_file(dir.file("set.mk"), "left by an earlier conversion\n");
    fs::create_hard_link(dir.file("genes.txt"), dir.file("genes_link.txt"));
    fs::create_symlink("genes.txt", dir.file("genes_sym.txt"));
}

// Every file under `root` with its content.
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        files[entry.path().string()] = entry.is_regular_file() ? read_file(entry.path().string()) : "<other>";
    return files;
}

std::vector<std::string> genelist_args(const std::string& genes, const std::string& out)
{
    return {"-g", genes, "-o", out, "-l", "ref/", "-G", "ref/", "-a", "0.05", "-v", "0.8", "-f", "20000"};
}

std::vector<std::string> pw_args(const std::string& pathways, const std::string& genes, const std::string& out)
{
    return {"-p", pathways, "-g", genes, "-o", out, "-l", "ref/", "-G", "ref/", "-a", "0.05", "-v", "0.8",
            "-f", "20000"};
}

std::vector<std::string> window_args(const std::vector<std::string>& files)
{
    std::vector<std::string> args = {files[0], files[1], files[2], files[3], files[4], files[5], files[6], files[7]};
    for (const char* word : {"-a", "0.05", "-v", "0.8", "-w", "100000", "-t", "50000", "-S", "-1", "-E", "-1"})
        args.push_back(word);
    return args;
}

std::vector<std::string> matrix_args(const std::string& table, const std::string& geno, const std::string& out,
                                     const std::string& log)
{
    return window_args({"-s", table, "-g", geno, "-o", out, "-l", log});
}

std::vector<std::string> gen_args(const std::string& base, const std::string& assoc, const std::string& out,
                                  const std::string& log)
{
    return window_args({"-b", base, "-s", assoc, "-o", out, "-l", log});
}

// ------------------------------------------------------------ clashes

TEST(Clashes, AnOutputThatIsAnInputOrAnotherOutputEndsTheRunUntouched)
{
    struct Case {
        const char* name;
        const char* program;
        std::vector<std::string> args;
        const char* message;  // names both roles and both paths
    };
    const std::vector<Case> cases = {
        {"gene list given as the result", "kesto_genelist", genelist_args("genes.txt", "genes.txt"),
         "the result 'genes.txt' is also the gene list 'genes.txt'"},
        {"the same file by another path", "kesto_genelist", genelist_args("genes.txt", "sub/../genes.txt"),
         "the result 'sub/../genes.txt' is also the gene list 'genes.txt'"},
        {"hard link to the gene list", "kesto_genelist", genelist_args("genes.txt", "genes_link.txt"),
         "the result 'genes_link.txt' is also the gene list"},
        {"symbolic link to the gene list", "kesto_genelist", genelist_args("genes_sym.txt", "genes.txt"),
         "the result 'genes.txt' is also the gene list 'genes_sym.txt'"},
        {"a legend file as the result", "kesto_genelist", genelist_args("genes.txt", "ref/legend_chr2.txt"),
         "the result 'ref/legend_chr2.txt' is also the legend file 'ref/legend_chr2.txt'"},
        {"a genotype file as the result", "kesto_pw", pw_args("pw.txt", "genes.txt", "./ref/genotype_chr1.txt"),
         "the result './ref/genotype_chr1.txt' is also the genotype file 'ref/genotype_chr1.txt'"},
        {"a missing input named as the result", "kesto_genelist", genelist_args("new.txt", "./new.txt"),
         "the result './new.txt' is also the gene list 'new.txt'"},
        {"pathway file as the result", "kesto_pw", pw_args("pw.txt", "genes.txt", "pw.txt"),
         "the result 'pw.txt' is also the pathway file 'pw.txt'"},
        {"gene list as the pathway result", "kesto_pw", pw_args("pw.txt", "genes.txt", "genes_link.txt"),
         "the result 'genes_link.txt' is also the gene list 'genes.txt'"},
        {"SNP table as the result", "kesto_matrix", matrix_args("table.txt", "geno.txt", "table.txt", "r.log"),
         "the result 'table.txt' is also the SNP table 'table.txt'"},
        {"genotype file as the log", "kesto_matrix", matrix_args("table.txt", "geno.txt", "r.out", "geno.txt"),
         "the log 'geno.txt' is also the genotype file 'geno.txt'"},
        {"log and result one file", "kesto_matrix", matrix_args("table.txt", "geno.txt", "r.txt", "r.txt"),
         "the log 'r.txt' is the same file as the result 'r.txt'"},
        {"association file as the result", "kesto_gen_v2", gen_args("set", "assoc.txt", "assoc.txt", "r.log"),
         "the result 'assoc.txt' is also the association file 'assoc.txt'"},
        {"log and result one file (scan)", "kesto_gen_v2", gen_args("set", "assoc.txt", "r.out", "./r.out"),
         "the log './r.out' is the same file as the result 'r.out'"},
        {"a converted file as the result", "kesto_gen_v2", gen_args("set", "assoc.txt", "set.tg", "r.log"),
         "the converted file 'set.tg' is the same file as the result 'set.tg'"},
        {"a converted file as the association file", "kesto_gen_v2", gen_args("set", "set.mk", "r.out", "r.log"),
         "the converted file 'set.mk' is also the association file 'set.mk'"},
        {"the data set as the log", "kesto_gen_v2", gen_args("set", "assoc.txt", "r.out", "set.bim"),
         "the log 'set.bim' is also the data set file 'set.bim'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fill_inputs(dir);
        const auto before = snapshot(dir.path());
        const RunResult run = run_program(c.program, c.args, dir.path());
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_TRUE(contains(run.err, std::string(c.program) + ": " + c.message)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

TEST(Clashes, DevicesAndDistinctFilesAreNoClash)
{
    TempDir dir;
    fill_inputs(dir);
    // /dev/null as both outputs writes nothing that anybody reads.
    RunResult run = run_program("kesto_matrix", matrix_args("table.txt", "geno.txt", "/dev/null", "/dev/null"),
                                dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    // A result named like an input in another folder.
    run = run_program("kesto_genelist", genelist_args("genes.txt", "sub/genes.txt"), dir.path());
    EXPECT_EQ(run.status, 0) << run.err;

    EXPECT_TRUE(same_file(dir.file("genes_sym.txt"), dir.file("sub/../genes_link.txt")));
    EXPECT_TRUE(same_file(dir.file("none/../x"), dir.file("x")));
    EXPECT_FALSE(same_file(dir.file("genes.txt"), dir.file("sub/genes.txt.new")));
    EXPECT_FALSE(same_file("/dev/null", "/dev/null"));
}

TEST(Clashes, PerChromosomeFilesAreFoundUnderAnyPrefix)
{
    TempDir dir;
    fs::create_directories(dir.file("ref"));
    for (const char* name : {"panel_legend_chr1.txt", "panel_legend_chrX.txt.gz", "panel_legend_chr2.tsv",
                             "other_legend_chr3.txt", "legend_chr4.txt"})
        write_file(dir.file(std::string("ref/") + name), "");
    RunFiles files;
    files.per_chromosome_inputs("legend file", dir.file("ref/panel_"), "legend_chr");
    std::vector<std::string> found;
    for (const RunFiles::Use& use : files.inputs())
        found.push_back(use.path);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{dir.file("ref/panel_legend_chr1.txt"),
                                               dir.file("ref/panel_legend_chrX.txt.gz")}));
    RunFiles in_folder;
    in_folder.per_chromosome_inputs("legend file", dir.file("ref/"), "legend_chr");
    ASSERT_EQ(in_folder.inputs().size(), 1u);
    EXPECT_EQ(in_folder.inputs()[0].path, dir.file("ref/legend_chr4.txt"));
    RunFiles missing;
    missing.per_chromosome_inputs("legend file", dir.file("nowhere/"), "legend_chr");
    EXPECT_TRUE(missing.inputs().empty());
}

// ------------------------------------------------------------ locks

// Holds an exclusive lock on a file, as a running program holds its outputs.
class HeldFile {
public:
    explicit HeldFile(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT, 0644))
    {
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldFile() { close(fd_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    int fd_;
};

TEST(Locks, AnOutputHeldByAnotherRunStopsTheRunBeforeAnythingIsEmptied)
{
    struct Case {
        const char* program;
        std::vector<std::string> args;
        const char* held;
    };
    const std::vector<Case> cases = {
        {"kesto_genelist", genelist_args("genes.txt", "r.out"), "r.out"},
        {"kesto_pw", pw_args("pw.txt", "genes.txt", "r.out"), "r.out"},
        {"kesto_matrix", matrix_args("table.txt", "geno.txt", "r.out", "r.log"), "r.out"},
        {"kesto_matrix", matrix_args("table.txt", "geno.txt", "r.out", "r.log"), "r.log"},
        {"kesto_gen_v2", gen_args("set", "assoc.txt", "r.out", "r.log"), "r.out"},
        {"kesto_gen_v2", gen_args("set", "assoc.txt", "r.out", "r.log"), "r.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.held);
        TempDir dir;
        fill_inputs(dir);
        write_file(dir.file("r.out"), "rows of the first run\n");
        write_file(dir.file("r.log"), "log of the first run\n");
        const auto before = snapshot(dir.path());
        {
            const HeldFile first_run(dir.file(c.held));
            const RunResult run = run_program(c.program, c.args, dir.path());
            EXPECT_EQ(run.status, 2) << run.err;
            EXPECT_TRUE(contains(run.err, std::string(c.program) + ": '" + c.held +
                                              "' is being written by another run"))
                << run.err;
            // Neither output was emptied, not even the one nobody held.
            EXPECT_EQ(snapshot(dir.path()), before);
        }
        // Once the first run has ended, the file is free again.
        const RunResult again = run_program(c.program, c.args, dir.path());
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_NE(read_file(dir.file("r.out")), "rows of the first run\n");
    }
}

// A copy of kesto_gen_v2 started in the background in `dir`, with its output
// streams in files.
class GenRun {
public:
    GenRun(const TempDir& dir, const std::vector<std::string>& args)
    {
        const std::string exe = dir.file("kesto_gen_v2");
        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(dir.file("first.stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || chdir(dir.path().c_str()) != 0)
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
    ~GenRun()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    GenRun(const GenRun&) = delete;
    GenRun& operator=(const GenRun&) = delete;
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
    for (int i = 0; i < 3000 && !kesto_test::file_exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return kesto_test::file_exists(path);
}

TEST(Locks, ASecondRunOnTheResultOfARunningOneStopsAndTheFirstEndsWhole)
{
    // The first run waits inside its converter (a stand-in that goes on once
    // the file "go" appears) with its result and log held.
    TempDir dir;
    fill_inputs(dir);
    ASSERT_EQ(run_program("morrow", {"-o", "prepared", "set"}, dir.path()).status, 0);
    fs::copy_file(bin_path("kesto_gen_v2"), dir.file("kesto_gen_v2"));
    fs::create_symlink(bin_path("transpose"), dir.file("transpose"));
    write_file(dir.file("morrow"), "#!/bin/sh\ntouch waiting\nwhile [ ! -e go ]; do sleep 0.01; done\n"
                                   "cp prepared.mk \"$2.mk\" && cp prepared.gt \"$2.gt\"\n");
    fs::permissions(dir.file("morrow"), fs::perms::owner_all);

    GenRun first(dir, gen_args("set", "assoc.txt", "r.out", "r.log"));
    ASSERT_TRUE(wait_for_file(dir.file("waiting")));
    const RunResult gen = run_command(dir.file("kesto_gen_v2"), gen_args("set", "assoc.txt", "r.out", "other.log"),
                                      dir.path());
    const RunResult matrix =
        run_program("kesto_matrix", matrix_args("table.txt", "geno.txt", "other.out", "r.log"), dir.path());
    for (const RunResult& second : {gen, matrix}) {
        EXPECT_EQ(second.status, 2) << second.err;
        EXPECT_TRUE(contains(second.err, "is being written by another run")) << second.err;
    }
    write_file(dir.file("go"), "");
    EXPECT_EQ(first.wait(), 0) << read_file(dir.file("first.stdout"));

    // The first run's result is whole: the same as a run on its own.
    const RunResult alone = run_program("kesto_gen_v2", gen_args("set", "assoc.txt", "alone.out", "alone.log"),
                                        dir.path());
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(read_file(dir.file("r.out")), read_file(dir.file("alone.out")));
}

} // namespace
