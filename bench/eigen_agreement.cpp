// Agreement and processor time of the fast eigen path against the exact one
// on every region of a chromosome: genes from a gene list, or sliding
// windows.
//
//   bench_eigen_agreement LEGEND GENOTYPE genes GENELIST FLANK [ALPHA SHARE]
//   bench_eigen_agreement LEGEND GENOTYPE windows WIDTH STEP [ALPHA SHARE]
//
// Prints one summary: regions, the largest relative difference of the
// regional p-value, the regions whose kept count changed, each split by
// whether the kept eigenvalues hold a repeated value (within 1e-3), where
// the eigenvectors are not unique and the weighting is ill-posed; and the
// processor time of both decompositions. Regions whose partial eigenvalue
// share lies within 1e-5 of the asked share are counted apart for the kept
// count: rounding decides it there. BENCH_EIGEN_ROWS=FILE also writes
// one line per region.

#include "fast_eigen.h"
#include "gene_table.h"
#include "ld_matrix.h"
#include "packed_codes.h"
#include "reference_files.h"
#include "hit_rule.h"
#include "regional_pvalues.h"
#include "snp_range.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Span {
    std::int64_t start, end;
};

// True when a kept eigenvalue (the top k of the ascending list) lies within
// 1e-3 of a neighbour, including the first one left out.
bool kept_tie(const Eigen::VectorXf& values, int k)
{
    const int n = static_cast<int>(values.size());
    for (int j = std::max(1, n - k); j < n; ++j)
        if (std::fabs(static_cast<double>(values(j)) - static_cast<double>(values(j - 1))) < 1e-3)
            return true;
    return false;
}

// True when a partial share of the top eigenvalues lies within 1e-5 of the
// asked share: single-precision rounding may then move the kept count.
bool share_edge(const Eigen::VectorXf& values, double share)
{
    const int n = static_cast<int>(values.size());
    double sum = 0.0;
    for (int j = n - 1; j >= 0; --j) {
        sum += static_cast<double>(values(j));
        if (std::fabs(sum / n - share) < 1e-5)
            return true;
    }
    return false;
}

double seconds(std::clock_t t) { return static_cast<double>(t) / CLOCKS_PER_SEC; }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s LEGEND GENOTYPE genes GENELIST FLANK | windows WIDTH STEP [ALPHA SHARE]\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[3];
    const float alpha = argc > 6 ? std::strtof(argv[6], nullptr) : 0.05f;
    const double share = argc > 7 ? std::strtod(argv[7], nullptr) : 0.8;

    LegendTable legend;
    PackedCodes codes;
    GenotypeReading reading;
    reading.samples_known = [&](int n) {
        codes = PackedCodes(n);
        codes.reserve(legend.positions.size());
    };
    reading.sink = [&](const std::int32_t* row) { codes.add_row(row); };
    if (!read_legend(argv[1], legend).ok()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    reading.snps = legend.positions.size();
    if (!read_genotypes(argv[2], reading).ok()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    const std::vector<float> hit_list = hits_below(legend.pvalues, alpha);
    const Eigen::VectorXf hits = Eigen::Map<const Eigen::VectorXf>(hit_list.data(), hit_list.size());

    std::vector<Span> spans;
    if (mode == "genes") {
        GeneTable genes;
        if (!read_gene_table(argv[4], genes).ok()) {
            std::fprintf(stderr, "cannot read %s\n", argv[4]);
            return 1;
        }
        const std::int64_t flank = std::atoll(argv[5]);
        for (const GeneEntry& g : genes.genes)
            spans.push_back({g.start - flank, g.end + flank});
    } else {
        const std::int64_t width = std::atoll(argv[4]), step = std::atoll(argv[5]);
        for (std::int64_t s = legend.positions.front(); s <= legend.positions.back(); s += step)
            spans.push_back({s, s + width});
    }

    if (!prepare_fast_eigen().ok()) {
        std::fprintf(stderr, "LAPACKE cannot be loaded\n");
        return 1;
    }
    std::FILE* rows = nullptr;
    if (const char* path = std::getenv("BENCH_EIGEN_ROWS"))
        rows = std::fopen(path, "w");
    if (rows)
        std::fprintf(rows, "start\tend\tnsnp\ttie\tedge\tk_exact\tk_fast\tx_exact\tx_fast\tp_exact\tp_fast\n");
    long regions = 0, ties = 0, edges = 0, k_changed_tie = 0, k_changed_clear = 0, k_changed_edge = 0,
         p_off_tie = 0, p_off_clear = 0;
    double worst_tie = 0.0, worst_clear = 0.0, worst_x_clear = 0.0, worst_edge = 0.0;
    std::clock_t exact_time = 0, fast_time = 0;
    long snps_total = 0;
    for (const Span& span : spans) {
        const SnpRange range = snps_between(legend.positions, span.start, span.end);
        if (range.count < 2)
            continue;
        const int n = static_cast<int>(range.count);
        const Eigen::MatrixXf ld = build_ld_matrix(codes, range.first, n);
        std::clock_t t0 = std::clock();
        const ComponentWeighting exact = weigh_components(ld, hits, range.first, share);
        std::clock_t t1 = std::clock();
        const ComponentWeighting fast = weigh_components(ld, hits, range.first, share, EigenMethod::Fast);
        std::clock_t t2 = std::clock();
        exact_time += t1 - t0;
        fast_time += t2 - t1;
        const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXf> values(ld, Eigen::EigenvaluesOnly);
        const bool tie = kept_tie(values.eigenvalues(), exact.ncritical);
        const bool edge = share_edge(values.eigenvalues(), share);
        const double pe = regional_p(exact.ncritical, exact.nsignificant, alpha);
        const double pf = regional_p(fast.ncritical, fast.nsignificant, alpha);
        const double rel = pe > 0.0 ? std::fabs(pf - pe) / pe : std::fabs(pf - pe);
        ++regions;
        snps_total += n;
        ties += tie;
        edges += edge;
        const bool k_changed = exact.ncritical != fast.ncritical;
        if (edge)
            k_changed_edge += k_changed;
        else
            (tie ? k_changed_tie : k_changed_clear) += k_changed;
        if (edge) {
            worst_edge = std::max(worst_edge, rel);
        } else {
            (tie ? p_off_tie : p_off_clear) += rel > 1e-4;
            double& worst = tie ? worst_tie : worst_clear;
            worst = std::max(worst, rel);
        }
        if (!tie && !edge)
            worst_x_clear = std::max(worst_x_clear, std::fabs(fast.nsignificant - exact.nsignificant));
        if (rows)
            std::fprintf(rows, "%lld\t%lld\t%d\t%d\t%d\t%d\t%d\t%.9g\t%.9g\t%.9g\t%.9g\n",
                         static_cast<long long>(span.start), static_cast<long long>(span.end), n, tie ? 1 : 0, edge ? 1 : 0,
                         exact.ncritical, fast.ncritical, exact.nsignificant, fast.nsignificant, pe, pf);
    }
    if (rows)
        std::fclose(rows);
    std::printf("regions %ld (mean %.1f SNPs), with a repeated kept eigenvalue %ld\n", regions,
                regions ? static_cast<double>(snps_total) / regions : 0.0, ties);
    std::printf("kept count on the share's edge (a partial share within 1e-5 of it) %ld: ncritical changed %ld, "
                "largest relative difference of regional_p %.3g\n",
                edges, k_changed_edge, worst_edge);
    std::printf("well separated: ncritical changed %ld, regional_p off by >1e-4 relative %ld, largest relative "
                "difference %.3g, largest nsignificant difference %.3g\n",
                k_changed_clear, p_off_clear, worst_clear, worst_x_clear);
    std::printf("repeated:       ncritical changed %ld, regional_p off by >1e-4 relative %ld, largest relative "
                "difference %.3g\n",
                k_changed_tie, p_off_tie, worst_tie);
    std::printf("eigen step processor time: exact %.3f s, fast %.3f s, ratio %.2f\n", seconds(exact_time),
                seconds(fast_time), fast_time ? static_cast<double>(exact_time) / fast_time : 0.0);
    return 0;
}
