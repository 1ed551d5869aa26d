#include "hanalysis.h"

#include "em_lanes.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

// Position of a code in the table order 0, 1, 2, -1; -1 for any other code.
int code_slot(int code)
{
    switch (code) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 2;
    case -1: return 3;
    default: return -1;
    }
}

int complete_count(const GenoTable& t)
{
    int n = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            n += t(r, c);
    return n;
}

// Haplotype counts among complete individuals other than double heterozygotes.
struct PhaseKnownCounts {
    double c00, c01, c10, c11;
};

PhaseKnownCounts phase_known_counts(const GenoTable& t)
{
    const int c00 = 2 * t(0, 0) + t(0, 1) + t(1, 0);
    const int c01 = 2 * t(0, 2) + t(0, 1) + t(1, 2);
    const int c10 = 2 * t(2, 0) + t(2, 1) + t(1, 0);
    const int c11 = 2 * t(2, 2) + t(2, 1) + t(1, 2);
    return {static_cast<double>(c00), static_cast<double>(c01), static_cast<double>(c10),
            static_cast<double>(c11)};
}

// One EM update of the haplotype frequencies.
Eigen::Matrix2f em_update(const Eigen::Matrix2f& H, const PhaseKnownCounts& c, int h, double two_n)
{
    const float den = H(0, 1) * H(1, 0) + H(0, 0) * H(1, 1);
    const float hf = static_cast<float>(h);
    const float xc = hf * H(0, 0) * H(1, 1) / den;
    const float xt = hf * H(0, 1) * H(1, 0) / den;
    Eigen::Matrix2f R;
    R(0, 0) = static_cast<float>((c.c00 + xc) / two_n);
    R(0, 1) = static_cast<float>((c.c01 + xt) / two_n);
    R(1, 0) = static_cast<float>((c.c10 + xt) / two_n);
    R(1, 1) = static_cast<float>((c.c11 + xc) / two_n);
    return R;
}

// The EM loop of haplotype_frequencies, split into steps so that several
// pairs can be iterated side by side, each lane doing exactly what the loop
// does for one pair.
struct EmInput {
    PhaseKnownCounts c;
    int h;         // double heterozygotes
    double two_n;  // haplotypes among complete individuals
};

struct EmState {
    Eigen::Matrix2f H, R, delta;
    int counter;
};

EmInput em_input(const GenoTable& t)
{
    const int n = complete_count(t);
    return {phase_known_counts(t), t(1, 1), 2.0 * static_cast<double>(n)};
}

// Frequencies when no individual is a double heterozygote: counted directly.
Eigen::Matrix2f counted_haplotypes(const EmInput& in)
{
    Eigen::Matrix2f m;
    m << static_cast<float>(in.c.c00 / in.two_n), static_cast<float>(in.c.c01 / in.two_n),
        static_cast<float>(in.c.c10 / in.two_n), static_cast<float>(in.c.c11 / in.two_n);
    return m;
}

EmState em_begin(const EmInput& in)
{
    EmState s;
    s.H = Eigen::Matrix2f::Constant(0.25f);
    s.R = em_update(s.H, in.c, in.h, in.two_n);
    s.delta = s.R - s.H;
    s.counter = 0;
    return s;
}

// Stops on the smallest (most negative) change: the changes sum to zero, so
// this asks that no cell fell by more than the tolerance.
bool em_running(const EmState& s)
{
    return std::fabs(static_cast<double>(s.delta.minCoeff())) > 0.0001 && s.counter <= 499;
}

void em_step(EmState& s, const EmInput& in)
{
    s.H = s.R;
    s.R = em_update(s.H, in.c, in.h, in.two_n);
    ++s.counter;
    s.delta = s.R - s.H;
}

// Quantities both LD measures are built from.
struct LdTerms {
    float p0, p1, q0, q1;
    double D;
    double S;
    float smallest;
};

LdTerms ld_terms(const Eigen::Matrix2f& freq, const Eigen::Matrix2f& hap)
{
    LdTerms t;
    t.q0 = freq(0, 0);
    t.q1 = freq(1, 0);
    t.p0 = freq(0, 1);
    t.p1 = freq(1, 1);
    t.smallest = freq.minCoeff();
    const double e00 = static_cast<double>(t.p0 * t.q0);
    const double e01 = static_cast<double>(t.p0 * t.q1);
    const double e10 = static_cast<double>(t.p1 * t.q0);
    const double e11 = static_cast<double>(t.p1 * t.q1);
    const double f00 = hap(0, 0);
    const double f01 = hap(0, 1);
    const double f10 = hap(1, 0);
    const double f11 = hap(1, 1);
    double S = 0.0;
    S += (f00 - e00) * (f00 - e00);
    S += (f01 - e01) * (f01 - e01);
    S += (f10 - e10) * (f10 - e10);
    S += (f11 - e11) * (f11 - e11);
    t.S = S;
    t.D = f00 - e00;
    return t;
}

bool no_complete_individual(const GenoTable& table)
{
    return complete_count(table) == 0;
}

} // namespace

Eigen::Matrix2f allele_frequencies(const GenoTable& t)
{
    const int a0 = t(0, 0) + t(0, 1) + t(0, 2);
    const int a1 = t(1, 0) + t(1, 1) + t(1, 2);
    const int a2 = t(2, 0) + t(2, 1) + t(2, 2);
    const int b0 = t(0, 0) + t(1, 0) + t(2, 0);
    const int b1 = t(0, 1) + t(1, 1) + t(2, 1);
    const int b2 = t(0, 2) + t(1, 2) + t(2, 2);
    const double q0 = static_cast<double>(2 * b0 + b1) / static_cast<double>(2 * (b0 + b1 + b2));
    const double q1 = 1.0 - q0;
    const double p0 = static_cast<double>(2 * a0 + a1) / static_cast<double>(2 * (a0 + a1 + a2));
    const double p1 = 1.0 - p0;
    Eigen::Matrix2f m;
    m << static_cast<float>(q0), static_cast<float>(p0), static_cast<float>(q1), static_cast<float>(p1);
    return m;
}

Eigen::Matrix2f haplotype_frequencies(const GenoTable& t)
{
    const EmInput in = em_input(t);
    if (in.h <= 0)
        return counted_haplotypes(in);
    EmState s = em_begin(in);
    while (em_running(s))
        em_step(s, in);
    return s.R;
}

namespace {

double dprime_from(const LdTerms& t)
{
    float dmax;
    if (t.D >= 0.0) {
        const float a = t.p1 * t.q0;
        const float b = t.p0 * t.q1;
        dmax = a > b ? b : a;
    } else {
        const float a = t.p0 * t.q0;
        const float b = t.p1 * t.q1;
        dmax = a > b ? b : a;
    }
    return t.D / static_cast<double>(dmax);
}

double rsquare_from(const LdTerms& t)
{
    if (t.smallest == 0.0f)
        return 1.0;
    const float den = 4.0f * t.q0 * t.p0 * t.q1 * t.p1;
    return t.S / static_cast<double>(den);
}

float signed_entry(const LdTerms& terms)
{
    const double dprime = dprime_from(terms);
    const float r2 = static_cast<float>(rsquare_from(terms));
    return dprime < 0.0 ? -r2 : r2;
}

} // namespace

double ld_dprime(const GenoTable& table)
{
    if (no_complete_individual(table))
        return 0.0;
    return dprime_from(ld_terms(allele_frequencies(table), haplotype_frequencies(table)));
}

double ld_rsquare(const GenoTable& table)
{
    if (no_complete_individual(table))
        return 0.0;
    return rsquare_from(ld_terms(allele_frequencies(table), haplotype_frequencies(table)));
}

float signed_ld(const GenoTable& table, double rare)
{
    const Eigen::Matrix2f freq = allele_frequencies(table);
    if (static_cast<double>(freq.minCoeff()) < rare)
        return 0.0f;
    if (no_complete_individual(table))
        return 0.0f;
    // One haplotype estimation serves both measures.
    return signed_entry(ld_terms(freq, haplotype_frequencies(table)));
}

void signed_ld_many_with(WideKernel kernel, const GenoTable* tables, std::size_t count, float* out, double rare)
{
    // Pairs needing the EM go through the vector lanes a chunk at a time;
    // the others are finished here as signed_ld finishes them.
    constexpr std::size_t kChunk = 256;
    Eigen::Matrix2f freq[kChunk];
    EmPair pending[kChunk];
    std::size_t at[kChunk];
    EmResult found[kChunk];
    for (std::size_t base = 0; base < count; base += kChunk) {
        const std::size_t m = count - base < kChunk ? count - base : kChunk;
        std::size_t n = 0;
        for (std::size_t i = 0; i < m; ++i) {
            const GenoTable& t = tables[base + i];
            freq[i] = allele_frequencies(t);
            if (static_cast<double>(freq[i].minCoeff()) < rare || no_complete_individual(t)) {
                out[base + i] = 0.0f;
                continue;
            }
            const EmInput in = em_input(t);
            if (in.h <= 0) {
                out[base + i] = signed_entry(ld_terms(freq[i], counted_haplotypes(in)));
                continue;
            }
            pending[n] = EmPair{in.c.c00, in.c.c01, in.c.c10, in.c.c11, static_cast<float>(in.h), in.two_n};
            at[n++] = i;
        }
        em_lanes(kernel, pending, n, found);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = at[k];
            Eigen::Matrix2f hap;
            if (found[k].redo)
                hap = haplotype_frequencies(tables[base + i]);
            else
                hap << found[k].r[0], found[k].r[1], found[k].r[2], found[k].r[3];
            out[base + i] = signed_entry(ld_terms(freq[i], hap));
        }
    }
}

void signed_ld_many(const GenoTable* tables, std::size_t count, float* out, double rare)
{
    static const WideKernel best = best_wide_kernel();
    signed_ld_many_with(best, tables, count, out, rare);
}

Hanalysis::Hanalysis(Eigen::MatrixXi first, Eigen::MatrixXi second)
    : snp1(std::move(first)), snp2(std::move(second)), auxmatrix(Eigen::Matrix2f::Zero()),
      genotable(GenoTable::Zero())
{
    calFreq();
}

void Hanalysis::calFreq()
{
    int N[4][4] = {};
    const Eigen::Index columns = snp1.cols();
    for (Eigen::Index k = 0; k < columns; ++k) {
        const int r = code_slot(snp1(0, k));
        const int c = code_slot(snp2(0, k));
        if (r >= 0 && c >= 0)
            ++N[r][c];
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            genotable(r, c) = N[r][c];
}

Eigen::Matrix2f Hanalysis::alematrix() const { return allele_frequencies(genotable); }
Eigen::Matrix2f Hanalysis::hEM() const { return haplotype_frequencies(genotable); }
double Hanalysis::LDDprime() const { return ld_dprime(genotable); }
double Hanalysis::LDRsquare() const { return ld_rsquare(genotable); }
