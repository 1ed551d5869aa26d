// Runs of the built programs cut short from outside: a file size limit that
// stops the result file part-way, a memory limit below what a bogus genotype
// header asks for, and SIGTERM or SIGINT in the middle of a run on simulated
// data. Whatever stops a run, the files it leaves hold whole lines only, and
// those lines are the ones a full run writes.

#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using kesto_test::bin_path;
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

using kesto_test::contains;
using kesto_test::lines_of;

std::size_t field_count(const std::string& line)
{
    std::size_t n = 1;
    for (const char c : line)
        n += c == '\t';
    return n;
}

// Every line ends in a newline and holds `fields` tab-separated fields.
::testing::AssertionResult whole_rows(const std::string& text, std::size_t fields)
{
    if (!text.empty() && text.back() != '\n')
        return ::testing::AssertionFailure() << "the last line has no newline: '"
                                             << text.substr(text.rfind('\n') + 1) << "'";
    for (const std::string& line : lines_of(text))
        if (field_count(line) != fields)
            return ::testing::AssertionFailure() << "not " << fields << " fields: '" << line << "'";
    return ::testing::AssertionSuccess();
}

// Runs a program of the build under /bin/sh with a shell limit set first
// (e.g. "ulimit -f 1"); SIGXFSZ is ignored, so that writing past a file size
// limit fails with EFBIG instead of killing the program.
RunResult run_limited(const std::string& limit, const std::string& program, const std::vector<std::string>& args,
                      const std::string& workdir)
{
    std::vector<std::string> sh_args = {"-c", "trap '' XFSZ; " + limit + " && exec \"$0\" \"$@\"",
                                        bin_path(program)};
    sh_args.insert(sh_args.end(), args.begin(), args.end());
    return run_command("/bin/sh", sh_args, workdir);
}

// ------------------------------------------------------------ simulated data

// One simulated chromosome, large enough that a run lasts seconds: 3,000
// SNPs of 300 individuals, 200 genes, 20 pathways, and the PLINK set with its
// association file, and a pathway file of one gene per pathway. Made once
// for each test of this file.
class Simulated : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        data_ = new TempDir;
        const RunResult r = run_program("kesto_simulate", {"--out", data_->path(), "--chromosomes", "1", "--snps",
                                                           "3000", "--individuals", "300", "--genes", "200",
                                                           "--plink", "1"});
        ASSERT_EQ(r.status, 0) << r.err;
        // One pathway per gene, with a long name: each row costs one region
        // and a good share of a 512-byte file.
        std::string pathways;
        const std::vector<std::string> genes = lines_of(read_file(data("genelist.txt")));
        for (std::size_t i = 1; i < genes.size(); ++i) {
            const std::string name = genes[i].substr(genes[i].rfind('\t') + 1);
            pathways += "PW" + std::to_string(i) + "\tthe pathway of " + name + std::string(80, '.') + "\t" + name + "\n";
        }
        write_file(data("one_gene_pathways.txt"), pathways);
    }
    static void TearDownTestSuite()
    {
        delete data_;
        data_ = nullptr;
    }
    static std::string data(const std::string& name) { return data_->file(name); }

    static TempDir* data_;
};

TempDir* Simulated::data_ = nullptr;

std::vector<std::string> genelist_args(const std::string& data_dir, const std::string& genes, const std::string& out)
{
    return {"-g", genes, "-o", out, "-l", data_dir + "/", "-G", data_dir + "/", "-a", "0.05", "-v", "0.8",
            "-f", "20000"};
}

std::vector<std::string> pathway_args(const std::string& data_dir, const std::string& pathways, const std::string& out)
{
    return {"-p", pathways, "-g", data_dir + "/genelist.txt", "-o", out, "-l", data_dir + "/", "-G",
            data_dir + "/", "-a", "0.05", "-v", "0.8", "-f", "20000"};
}

std::vector<std::string> window_values(const std::string& width, const std::string& step, const std::string& start,
                                       const std::string& end)
{
    return {"-a", "0.05", "-v", "0.8", "-w", width, "-t", step, "-S", start, "-E", end};
}

std::vector<std::string> matrix_args(const std::string& data_dir, const std::string& out, const std::string& log,
                                     const std::vector<std::string>& values)
{
    std::vector<std::string> args = {"-s", data_dir + "/legend_chr1.txt", "-g", data_dir + "/genotype_chr1.txt",
                                     "-o", out, "-l", log};
    args.insert(args.end(), values.begin(), values.end());
    return args;
}

// ------------------------------------------------------------ file size limit

TEST_F(Simulated, ResultFileThatHitsASizeLimitKeepsWholeRows)
{
    // A file size limit of one block (512 bytes) stops each program inside a
    // row. The row
    // that did not fit is taken back: the file ends with the last whole row,
    // the run ends with status 1 and a message naming the file.
    TempDir dir;
    RunResult r = run_limited("ulimit -f 1", "kesto_genelist", genelist_args(data_->path(), data("genelist.txt"), "cut.txt"),
                              dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "kesto_genelist: cannot write to 'cut.txt'")) << r.err;
    std::string cut = read_file(dir.file("cut.txt"));
    EXPECT_TRUE(whole_rows(cut, 7));
    EXPECT_GT(lines_of(cut).size(), 2u);
    EXPECT_LE(cut.size(), 1024u);  // 512 bytes, or 1024 where the shell counts in KiB
    // The rows kept are those of a whole run over just their genes.
    const std::vector<std::string> gene_lines = lines_of(read_file(data("genelist.txt")));
    std::string head;
    for (std::size_t i = 0; i < lines_of(cut).size() && i < gene_lines.size(); ++i)
        head += gene_lines[i] + "\n";
    write_file(dir.file("head.txt"), head);
    ASSERT_EQ(run_program("kesto_genelist", genelist_args(data_->path(), "head.txt", "head.out"), dir.path()).status, 0);
    EXPECT_EQ(read_file(dir.file("head.out")), cut);

    r = run_limited("ulimit -f 1", "kesto_pw", pathway_args(data_->path(), data("one_gene_pathways.txt"), "cut.txt"),
                    dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "kesto_pw: cannot write to 'cut.txt'")) << r.err;
    cut = read_file(dir.file("cut.txt"));
    EXPECT_TRUE(whole_rows(cut, 5));
    EXPECT_GT(lines_of(cut).size(), 2u);

    // Small windows: many short rows, so the result file fills first.
    const std::vector<std::string> values = window_values("10000", "100", "-1", "-1");
    r = run_limited("ulimit -f 1", "kesto_matrix", matrix_args(data_->path(), "cut.txt", "cut.log", values),
                    dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "kesto_matrix: cannot write to 'cut.")) << r.err;
    cut = read_file(dir.file("cut.txt"));
    EXPECT_TRUE(whole_rows(cut, 5));
    const std::string log = read_file(dir.file("cut.log"));
    EXPECT_TRUE(log.empty() || log.back() == '\n') << log;
}

// Summary-statistics rows at no site of a .bed wait in a scratch file; one
// that cannot grow (here a file size limit) ends the run with the folder
// named, and nothing half written.
TEST(FileSizeLimit, ScratchFileThatCannotGrowEndsTheRun)
{
    TempDir dir;
    std::string table = "chromosome\tbase_pair_location\teffect_allele\tother_allele\tp_value\trsid\n";
    for (int i = 0; i < 100000; ++i)
        table += "1\t" + std::to_string(5000000 + 7 * i) + "\tA\tG\t0.5\tx" + std::to_string(i) + "\n";
    kesto_test::write_file(dir.file("ss.tsv"), table);
    const std::string examples = std::string(KESTO_SOURCE_DIR) + "/examples/";
    const RunResult r = run_limited("ulimit -f 1024", "kesto",
                                    {"gene", "--bfile", examples + "scan_chr1", "--sumstats", dir.file("ss.tsv"),
                                     "--genes", examples + "genelist.txt", "--out", dir.file("res"), "--quiet"},
                                    dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(kesto_test::contains(r.err, "cannot write a scratch file in ")) << r.err;
    EXPECT_TRUE(kesto_test::contains(r.err, "(set TMPDIR to a folder with room)")) << r.err;
    EXPECT_FALSE(file_exists(dir.file("res.genes.tsv")));
}

// ------------------------------------------------------------ memory limit

TEST(MemoryLimit, GenotypeHeaderWithFarTooManyColumnsCostsNoMemory)
{
    // The header announces 100,000 individuals for 4,000 SNPs (1.6 GB of
    // codes), the rows hold three codes. Under a 1 GB address space limit the
    // file is refused at its first row as it would be without the limit.
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
    TempDir dir;
    std::string legend = "id\tpos\tp\n";
    for (int i = 0; i < 4000; ++i)
        legend += "rs" + std::to_string(i) + "\t" + std::to_string(100 + i) + "\t0.5\n";
    std::string genotypes = "id\tpos";
    for (int i = 0; i < 100000; ++i)
        genotypes += "\ts" + std::to_string(i);
    genotypes += "\nrs0\t100\t0\t1\t2\n";
    write_file(dir.file("legend_chr1.txt"), legend);
    write_file(dir.file("genotype_chr1.txt"), genotypes);
    write_file(dir.file("genes.txt"), "h\n1\tg\t100\t200\tA\n");

    RunResult r = run_limited("ulimit -v 1000000", "kesto_genelist",
                              {"-g", "genes.txt", "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v", "0.8",
                               "-f", "0"},
                              dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "genotype_chr1.txt line 2: 3 codes, but the header announces 100000")) << r.err;
    EXPECT_EQ(read_file(dir.file("out.txt")),
              "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n1\t100\t200\tA\t0\t0\tNA\n");

    r = run_limited("ulimit -v 1000000", "kesto_matrix",
                    {"-s", "legend_chr1.txt", "-g", "genotype_chr1.txt", "-o", "r.out", "-l", "r.log", "-a", "0.05",
                     "-v", "0.8", "-w", "100", "-t", "100", "-S", "-1", "-E", "-1"},
                    dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, "kesto_matrix: genotype_chr1.txt line 2: 3 codes")) << r.err;
}

TEST(MemoryLimit, ARegionTooLargeForMemoryEndsWithAMessageAndWholeRows)
{
    // 30,000 SNPs in one gene: its LD matrix and eigenvectors need some
    // 7 GB, past a 1 GB address space limit. The gene before it is written
    // whole; the run ends with a message instead of an abort.
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
    TempDir dir;
    std::string legend = "id\tpos\tp\n";
    std::string genotypes = "id\tpos\ta\tb\tc\td\n";
    for (int i = 0; i < 30000; ++i) {
        legend += "rs" + std::to_string(i) + "\t" + std::to_string(1000 + i) + "\t0.5\n";
        genotypes += "rs" + std::to_string(i) + "\t0\t0\t1\t2\t" + std::to_string(i % 3) + "\n";
    }
    write_file(dir.file("legend_chr1.txt"), legend);
    write_file(dir.file("genotype_chr1.txt"), genotypes);
    write_file(dir.file("genes.txt"), "h\n1\tsmall\t1000\t1001\tA\n1\tbig\t1000\t31000\tB\n");
    const RunResult r = run_limited("ulimit -v 1000000", "kesto_genelist",
                                    {"-g", "genes.txt", "-o", "out.txt", "-l", "./", "-G", "./", "-a", "0.05", "-v",
                                     "0.8", "-f", "0"},
                                    dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, "kesto_genelist: not enough memory to go on")) << r.err;
    EXPECT_EQ(read_file(dir.file("out.txt")),
              "chromosome\tstartpos\tendpos\tgene_name\tncritical\tnsignificant\tregional_p\n"
              "1\t1000\t1001\tA\t1\t0\t1\n");
}

// ------------------------------------------------------------ signals

// A program of the build started in the background, output to files.
class Background {
public:
    Background(const std::string& program, const std::vector<std::string>& args, const std::string& workdir)
    {
        const std::string out = capture_.file("stdout");
        const std::string err = capture_.file("stderr");
        pid_ = fork();
        if (pid_ == 0) {
            // As a program started from a terminal or a batch system: the
            // signals act (a background shell may have left SIGINT ignored).
            signal(SIGINT, SIG_DFL);
            signal(SIGTERM, SIG_DFL);
            const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out_fd < 0 || err_fd < 0 || chdir(workdir.c_str()) != 0)
                _exit(126);
            dup2(out_fd, 1);
            dup2(err_fd, 2);
            const std::string path = bin_path(program);
            std::vector<char*> argv = {const_cast<char*>(path.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
    }
    ~Background()
    {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool running()
    {
        if (reaped_)
            return false;
        if (waitpid(pid_, &status_, WNOHANG) == pid_)
            reaped_ = true;
        return !reaped_;
    }
    // Sends the signal and returns the exit status, or 128 + the signal that
    // ended the program.
    int stop(int sig)
    {
        if (!reaped_) {
            kill(pid_, sig);
            waitpid(pid_, &status_, 0);
            reaped_ = true;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }
    std::string err() const { return read_file(capture_.file("stderr")); }

private:
    TempDir capture_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};

// Waits until `path` holds at least `lines` whole lines, while the program
// runs. False when the program ended first.
bool wait_for_lines(Background& run, const std::string& path, std::size_t lines)
{
    while (run.running()) {
        const std::string text = read_file(path);
        std::size_t whole = 0;
        for (const char c : text)
            whole += c == '\n';
        if (whole >= lines)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Starts a run, stops it with `sig` once the result holds the header and two
// rows, and checks that the program ended by the signal and that the result
// holds whole rows of `fields` fields only. Returns the result file.
// The reference engine reads every chromosome again for every region and
// analyses every window afresh, so a run lasts long enough to be stopped in
// the middle; both engines write their rows through the same writer.
struct SlowEngine {
    SlowEngine() { setenv("KESTO_ENGINE", "reference", 1); }
    ~SlowEngine() { unsetenv("KESTO_ENGINE"); }
};

std::string interrupted(const std::string& program, const std::vector<std::string>& args, const TempDir& dir,
                        const std::string& result, std::size_t fields, int sig)
{
    const SlowEngine slow;
    Background run(program, args, dir.path());
    const bool started = wait_for_lines(run, dir.file(result), 3);
    const int status = run.stop(sig);
    EXPECT_TRUE(started) << program << " ended before it could be interrupted (status " << status << "):\n"
                         << run.err();
    EXPECT_EQ(status, 128 + sig) << run.err();
    const std::string text = read_file(dir.file(result));
    EXPECT_TRUE(whole_rows(text, fields));
    EXPECT_GE(lines_of(text).size(), 3u);
    return text;
}

TEST_F(Simulated, InterruptedGeneAndPathwayRunsLeaveWholeRows)
{
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        TempDir dir;
        const std::string genes = interrupted(
            "kesto_genelist", genelist_args(data_->path(), data("genelist.txt"), "out.txt"), dir, "out.txt", 7, sig);
        // The rows written are those of a run over just those genes.
        const std::vector<std::string> rows = lines_of(genes);
        const std::vector<std::string> gene_lines = lines_of(read_file(data("genelist.txt")));
        ASSERT_GE(gene_lines.size(), rows.size());
        std::string head;
        for (std::size_t i = 0; i < rows.size(); ++i)
            head += gene_lines[i] + "\n";
        write_file(dir.file("head.txt"), head);
        ASSERT_EQ(run_program("kesto_genelist", genelist_args(data_->path(), "head.txt", "head.out"), dir.path()).status,
                  0);
        EXPECT_EQ(read_file(dir.file("head.out")), genes);

        const std::string pathways = interrupted(
            "kesto_pw", pathway_args(data_->path(), data("one_gene_pathways.txt"), "pw.txt"), dir, "pw.txt", 5, sig);
        const std::vector<std::string> pathway_lines = lines_of(read_file(data("one_gene_pathways.txt")));
        const std::size_t done = lines_of(pathways).size() - 1;
        head.clear();
        for (std::size_t i = 0; i < done; ++i)
            head += pathway_lines[i] + "\n";
        write_file(dir.file("head.txt"), head);
        ASSERT_EQ(run_program("kesto_pw", pathway_args(data_->path(), "head.txt", "head.out"), dir.path()).status, 0);
        EXPECT_EQ(read_file(dir.file("head.out")), pathways);
    }
}

// The first window start and the step of the windows in a result file.
void window_bounds(const std::string& results, std::string& first_start, std::string& last_end)
{
    const std::vector<std::string> rows = lines_of(results);
    ASSERT_GE(rows.size(), 2u);
    first_start = rows[1].substr(0, rows[1].find('\t'));
    const std::string& last = rows.back();
    const std::size_t tab = last.find('\t');
    last_end = last.substr(tab + 1, last.find('\t', tab + 1) - tab - 1);
}

TEST_F(Simulated, InterruptedWindowScansLeaveWholeRows)
{
    // Windows of about 100 SNPs: each takes a while.
    const std::vector<std::string> values = window_values("300000", "3000", "-1", "-1");
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        TempDir dir;
        const std::string rows =
            interrupted("kesto_matrix", matrix_args(data_->path(), "r.out", "r.log", values), dir, "r.out", 5, sig);
        const std::string log = read_file(dir.file("r.log"));
        EXPECT_TRUE(log.empty() || log.back() == '\n') << log;

        // The same windows again, as a whole run over just their stretch.
        std::string start, end;
        window_bounds(rows, start, end);
        ASSERT_EQ(run_program("kesto_matrix",
                              matrix_args(data_->path(), "again.out", "again.log", window_values("300000", "3000", start, end)),
                              dir.path())
                      .status,
                  0);
        EXPECT_EQ(read_file(dir.file("again.out")), rows);

        if (!file_exists(bin_path("morrow")) || !file_exists(bin_path("transpose")))
            continue;
        ASSERT_EQ(symlink(bin_path("morrow").c_str(), dir.file("morrow").c_str()), 0);
        ASSERT_EQ(symlink(bin_path("transpose").c_str(), dir.file("transpose").c_str()), 0);
        std::vector<std::string> args = {"-b", data("scan_chr1"), "-s", data("scan_chr1_assoc.txt"), "-o", "g.out",
                                         "-l", "g.log"};
        args.insert(args.end(), values.begin(), values.end());
        interrupted("kesto_gen_v2", args, dir, "g.out", 5, sig);
        const std::string gen_log = read_file(dir.file("g.log"));
        EXPECT_TRUE(gen_log.back() == '\n') << gen_log;
        EXPECT_TRUE(contains(gen_log, "\nin window 1\n")) << gen_log;
    }
}

} // namespace
