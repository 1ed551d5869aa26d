#include "chromosome_block.h"

#include "reference/reference_panel.h"
#include "text_output.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace {

const char* const kCodeText[4] = {"\t0", "\t1", "\t2", "\t-1"};

// The text of the four codes held by each possible byte.
const std::array<std::string, 256>& byte_texts()
{
    static const std::array<std::string, 256> texts = [] {
        std::array<std::string, 256> out;
        for (int b = 0; b < 256; ++b)
            for (int k = 0; k < 4; ++k)
                out[b] += kCodeText[(b >> (2 * k)) & 3];
        return out;
    }();
    return texts;
}

std::string clean(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            c = '_';
    return out;
}

} // namespace

void ChromosomeBlock::reset(const std::string& chromosome, std::size_t samples, bool located)
{
    chromosome_ = chromosome;
    located_ = located;
    locations_.clear();
    samples_ = samples;
    row_bytes_ = packed_bytes(samples);
    snps_.clear();
    text_.clear();
    chunks_.clear();
    rows_per_chunk_ = std::max<std::size_t>(1, chunk_bytes_ / std::max<std::size_t>(1, row_bytes_));
}

void ChromosomeBlock::add(std::int64_t position, std::string_view id, std::string_view p_text,
                          const std::uint8_t* packed)
{
    snps_.push_back(Snp{position, text_.size(), static_cast<std::uint32_t>(id.size()),
                        static_cast<std::uint32_t>(p_text.size())});
    text_.append(id.data(), id.size());
    text_.append(p_text.data(), p_text.size());
    if (chunks_.empty() || chunks_.back().size() == rows_per_chunk_ * row_bytes_) {
        chunks_.emplace_back();
        chunks_.back().reserve(rows_per_chunk_ * row_bytes_);
    }
    chunks_.back().insert(chunks_.back().end(), packed, packed + row_bytes_);
}

void ChromosomeBlock::add_located(std::int64_t position, std::string_view id, std::string_view p_text,
                                  std::uint64_t location)
{
    snps_.push_back(Snp{position, text_.size(), static_cast<std::uint32_t>(id.size()),
                        static_cast<std::uint32_t>(p_text.size())});
    text_.append(id.data(), id.size());
    text_.append(p_text.data(), p_text.size());
    locations_.push_back(location);
}

std::vector<std::uint32_t> ChromosomeBlock::sorted_order() const
{
    std::vector<std::uint32_t> order(snps_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return snps_[a].position < snps_[b].position; });
    return order;
}

Status ChromosomeBlock::visit_row(std::uint32_t s, const SnpVisitor& visit, const Fetch& fetch,
                                  std::vector<std::uint8_t>& fetched) const
{
    const Snp& snp = snps_[s];
    const std::string_view text(text_);
    const std::uint8_t* packed = nullptr;
    if (located_) {
        if (!fetch)
            return Status(StatusCode::Malformed, "chromosome " + chromosome_ + ": genotypes not read");
        fetched.resize(row_bytes_);
        Status status = fetch(locations_[s], fetched.data());
        if (!status.ok())
            return status;
        packed = fetched.data();
    } else {
        packed = chunks_[s / rows_per_chunk_].data() + (s % rows_per_chunk_) * row_bytes_;
    }
    return visit(snp.position, text.substr(snp.text, snp.id_length), text.substr(snp.text + snp.id_length, snp.p_length),
                 packed);
}

Status ChromosomeBlock::visit_sorted(const SnpVisitor& visit, const Fetch& fetch) const
{
    std::vector<std::uint8_t> fetched;
    for (std::uint32_t s : sorted_order()) {
        Status status = visit_row(s, visit, fetch, fetched);
        if (!status.ok())
            return status;
    }
    return Status();
}

std::size_t ChromosomeBlock::genotype_bytes() const
{
    std::size_t bytes = 0;
    for (const std::vector<std::uint8_t>& chunk : chunks_)
        bytes += chunk.capacity();
    return bytes;
}

Status ChromosomeBlock::take_sorted(const SnpVisitor& visit, const Fetch& fetch)
{
    std::vector<std::uint8_t> fetched;
    // Rows of each chunk still to visit; a reference in position order
    // frees the chunks one after the other.
    std::vector<std::size_t> left(chunks_.size());
    for (std::size_t c = 0; c < chunks_.size(); ++c)
        left[c] = chunks_[c].size() / row_bytes_;
    Status status;
    for (std::uint32_t s : sorted_order()) {
        status = visit_row(s, visit, fetch, fetched);
        if (!status.ok())
            break;
        if (located_)
            continue;
        const std::size_t c = s / rows_per_chunk_;
        if (--left[c] == 0)
            std::vector<std::uint8_t>().swap(chunks_[c]);
    }
    std::vector<std::vector<std::uint8_t>>().swap(chunks_);
    std::vector<std::uint64_t>().swap(locations_);
    std::vector<Snp>().swap(snps_);
    std::string().swap(text_);
    return status;
}

Status ChromosomeBlock::write(const std::string& legend_path, const std::string& genotype_path, bool compressed,
                              const std::vector<std::string>& samples, int threads) const
{
    const std::vector<std::uint32_t> order = sorted_order();

    TextOutput legend, genotype;
    Status status = legend.open(legend_path, compressed, threads);
    if (!status.ok())
        return status;
    status = genotype.open(genotype_path, compressed, threads);
    if (!status.ok())
        return status;
    legend.write("snp_id\tposition\tpvalue\n");
    std::string line = "snp_id\tposition";
    for (const std::string& sample : samples)
        line += "\t" + clean(sample);
    line += '\n';
    genotype.write(line);

    const auto& texts = byte_texts();
    const std::size_t full = samples_ / 4, rest = samples_ % 4;
    for (std::uint32_t s : order) {
        const Snp& snp = snps_[s];
        const std::string id = clean(std::string_view(text_).substr(snp.text, snp.id_length));
        const std::string position = std::to_string(snp.position);
        line.clear();
        line += id;
        line += '\t';
        line += position;
        line += '\t';
        line.append(text_, snp.text + snp.id_length, snp.p_length);
        line += '\n';
        legend.write(line);

        line.clear();
        line += id;
        line += '\t';
        line += position;
        const std::uint8_t* row = chunks_[s / rows_per_chunk_].data() + (s % rows_per_chunk_) * row_bytes_;
        for (std::size_t b = 0; b < full; ++b)
            line += texts[row[b]];
        for (std::size_t k = 0; k < rest; ++k)
            line += kCodeText[(row[full] >> (2 * k)) & 3];
        line += '\n';
        genotype.write(line);
    }
    status = legend.close();
    const Status second = genotype.close();
    return status.ok() ? second : status;
}
