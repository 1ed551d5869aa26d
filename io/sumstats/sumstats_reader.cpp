#include "sumstats_reader.h"

#include "blank_split.h"
#include "p_value.h"
#include "sumstats_formats.h"

#include <cctype>

const char* format_name(SumstatsFormat format)
{
    switch (format) {
    case SumstatsFormat::GwasSsf: return "GWAS-SSF";
    case SumstatsFormat::Plink2Glm: return "PLINK 2 .glm";
    case SumstatsFormat::Plink1Assoc: return "PLINK 1.9 .assoc";
    case SumstatsFormat::Regenie: return "REGENIE";
    case SumstatsFormat::Saige: return "SAIGE";
    case SumstatsFormat::BoltLmm: return "BOLT-LMM";
    case SumstatsFormat::Metal: return "METAL";
    case SumstatsFormat::Custom: return "custom";
    }
    return "custom";
}

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool all_blank(std::string_view line)
{
    for (char c : line)
        if (!is_blank(c))
            return false;
    return true;
}

// A whole non-negative number of at most 18 digits.
bool parse_position(std::string_view field, std::int64_t& value)
{
    if (field.empty() || field.size() > 18)
        return false;
    std::int64_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

void assign_allele(std::string_view field, std::string& out)
{
    out.clear();
    if (is_missing_code(field))
        return;
    out.reserve(field.size());
    for (char c : field)
        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
}

bool all_formats_match(const FormatColumns& f, const std::vector<std::string>& header)
{
    for (const char* const* name = f.signature; *name; ++name)
        if (find_column(header, *name) < 0)
            return false;
    return true;
}

} // namespace

Status SumstatsReader::fail(const std::string& what)
{
    status_ = Status(StatusCode::Malformed, source_.where() + ": " + what);
    return status_;
}

namespace {

// Splits on `separator`, blanks around each field trimmed. Fields are
// emplaced from a pointer and a length: a view built first and then copied
// into the vector stalls on store forwarding. With `quoted`, a field that
// opens with a double quote runs to its closing quote, separators included.
template <char separator, bool quoted>
void split_on(std::string_view line, std::vector<std::string_view>& fields)
{
    std::size_t start = 0;
    while (true) {
        std::size_t end = line.find(separator, start);
        if (quoted && start < line.size() && line[start] == '"') {
            const std::size_t quote = line.find('"', start + 1);
            if (quote != std::string_view::npos)
                end = line.find(separator, quote + 1);
        }
        std::size_t first = start, last = end == std::string_view::npos ? line.size() : end;
        while (first < last && is_blank(line[first]))
            ++first;
        while (last > first && is_blank(line[last - 1]))
            --last;
        fields.emplace_back(line.data() + first, last - first);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

} // namespace

void SumstatsReader::split(std::string_view line, std::vector<std::string_view>& fields) const
{
    fields.clear();
    if (separator_ == Separator::Blanks) {
        split_on_blanks(line, fields);
    } else {
        if (separator_ == Separator::Tabs)
            split_on<'\t', false>(line, fields);
        else
            split_on<',', true>(line, fields);
        // Trailing empty fields past the header's count (a tab left at the
        // end of a line) carry nothing.
        while (fields.size() > header_fields_ && fields.back().empty())
            fields.pop_back();
    }
    // Quotes around a field (R's write.table and write.csv) are not part of
    // it. Looked for only in files whose header is quoted, or CSV files.
    if (quotes_)
        for (std::string_view& field : fields)
            if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
                field = field.substr(1, field.size() - 2);
}

Status SumstatsReader::open(const std::string& path, const SumstatsOptions& options)
{
    layout_ = SumstatsLayout{};
    skipped_other_tests_ = 0;
    rows_ = 0;
    status_ = source_.open(path);
    if (!status_.ok())
        return status_;
    return read_header(options);
}

Status SumstatsReader::read_header(const SumstatsOptions& options)
{
    std::string_view line;
    bool found = false;
    // Meta lines ("##...") and blank lines may precede the header.
    while (source_.next(line)) {
        if (all_blank(line) || (line.size() >= 2 && line[0] == '#' && line[1] == '#'))
            continue;
        found = true;
        break;
    }
    if (!found) {
        if (!source_.status().ok())
            return status_ = source_.status();
        return status_ = Status(StatusCode::Malformed, source_.path() + ": no header line (the file is empty)");
    }
    if (line.find('\t') != std::string_view::npos)
        separator_ = Separator::Tabs;
    else if (line.find(',') != std::string_view::npos)
        separator_ = Separator::Commas;
    else
        separator_ = Separator::Blanks;
    layout_.comma_separated = separator_ == Separator::Commas;
    quotes_ = layout_.comma_separated || line.find('"') != std::string_view::npos;
    header_fields_ = 0;
    split(line, fields_);
    std::vector<std::string> header(fields_.begin(), fields_.end());
    header_fields_ = header.size();

    const bool any_column_option = !options.col_id.empty() || !options.col_chr.empty() || !options.col_pos.empty() ||
                                   !options.col_a1.empty() || !options.col_a2.empty() || !options.col_p.empty() ||
                                   !options.col_log10p.empty();
    if (!options.col_p.empty() && !options.col_log10p.empty())
        return status_ = Status(StatusCode::Usage, "give a p-value column or a -log10 p column, not both");

    SumstatsFormat format = SumstatsFormat::Custom;
    if (options.force_format) {
        format = options.format;
    } else {
        bool recognised = false;
        for (const FormatColumns& f : known_formats()) {
            if (all_formats_match(f, header)) {
                format = f.format;
                recognised = true;
                break;
            }
        }
        if (!recognised && !any_column_option)
            return fail("header not recognised as GWAS-SSF, PLINK 2 .glm, PLINK 1.9 .assoc, REGENIE, SAIGE, "
                        "BOLT-LMM or METAL; name the columns with the column options (id, chr, pos, a1, a2, "
                        "p or log10p)");
    }
    if (format == SumstatsFormat::Custom && !any_column_option)
        return fail("a custom format needs the column options (id, chr, pos, a1, a2, p or log10p)");
    layout_.format = format;

    const FormatColumns& f = columns_of(format);
    id_ = find_column(header, f.id);
    id_fallback_ = -1;
    if (format == SumstatsFormat::GwasSsf && id_ >= 0) {
        // rsid first; a row without one falls back on variant_id.
        const int variant = find_column(header, "variant_id");
        if (variant != id_)
            id_fallback_ = variant;
    }
    chr_ = find_column(header, f.chr);
    pos_ = find_column(header, f.pos);
    a1_ = find_column(header, f.a1);
    a2_ = find_column(header, f.a2);
    p_ = find_column(header, f.p);
    log10p_ = p_ >= 0 ? -1 : find_column(header, f.log10p);
    test_ = find_column(header, f.test);

    // Column options name columns outright, whatever the format.
    struct Override {
        const std::string& name;
        int& index;
        const char* role;
    };
    const Override overrides[] = {
        {options.col_id, id_, "id"},   {options.col_chr, chr_, "chromosome"}, {options.col_pos, pos_, "position"},
        {options.col_a1, a1_, "allele 1"}, {options.col_a2, a2_, "allele 2"}, {options.col_p, p_, "p-value"},
        {options.col_log10p, log10p_, "-log10 p"}};
    for (const Override& o : overrides) {
        if (o.name.empty())
            continue;
        o.index = find_column(header, o.name);
        if (o.index < 0)
            return fail(std::string("no column ") + o.name + " (" + o.role + ") in the header");
        if (&o.index == &id_)
            id_fallback_ = -1;
    }
    if (!options.col_p.empty())
        log10p_ = -1;
    if (!options.col_log10p.empty())
        p_ = -1;

    const std::string in_format = std::string(" (") + format_name(format) + ")";
    if (p_ < 0 && log10p_ < 0)
        return fail("no p-value column in the header" + in_format);
    if ((chr_ < 0) != (pos_ < 0))
        return fail(std::string("a ") + (chr_ < 0 ? "position column without a chromosome column"
                                                  : "chromosome column without a position column") +
                    in_format);
    if (chr_ < 0 && id_ < 0)
        return fail("neither positions nor SNP ids in the header" + in_format);

    layout_.has_positions = chr_ >= 0;
    layout_.has_ids = id_ >= 0;
    layout_.log10 = log10p_ >= 0;
    auto used = [&](const char* role, int index) {
        if (index >= 0)
            layout_.columns_used.push_back(std::string(role) + "=" + header[static_cast<std::size_t>(index)]);
    };
    used("id", id_);
    used("id2", id_fallback_);
    used("chr", chr_);
    used("pos", pos_);
    used("a1", a1_);
    used("a2", a2_);
    used("p", p_);
    used("log10p", log10p_);
    used("test", test_);
    return status_ = Status{};
}

SumstatsReader::RowKind SumstatsReader::parse_row(std::string_view line, long line_number,
                                                  std::vector<std::string_view>& fields,
                                                  SumstatsRecord& record) const
{
    if (all_blank(line))
        return RowKind::Blank;
    split(line, fields);
    if (fields.size() != header_fields_)
        return RowKind::FieldCount;
    if (test_ >= 0 && fields[static_cast<std::size_t>(test_)] != "ADD")
        return RowKind::OtherTest;
    auto field = [&](int index) { return fields[static_cast<std::size_t>(index)]; };
    record.line = line_number;
    record.id.clear();
    if (id_ >= 0) {
        std::string_view id = field(id_);
        if (is_missing_code(id) && id_fallback_ >= 0)
            id = field(id_fallback_);
        if (!is_missing_code(id))
            record.id.assign(id);
    }
    record.chromosome.clear();
    record.raw_chromosome.clear();
    record.position = -1;
    if (chr_ >= 0) {
        record.raw_chromosome.assign(field(chr_));
        record.chromosome = canonical_chromosome(record.raw_chromosome);
        std::int64_t position = 0;
        if (parse_position(field(pos_), position))
            record.position = position;
    }
    assign_allele(a1_ >= 0 ? field(a1_) : std::string_view(), record.allele1);
    assign_allele(a2_ >= 0 ? field(a2_) : std::string_view(), record.allele2);
    PValue value{};
    value.text.swap(record.p_text);
    if (p_ >= 0)
        read_p_field(field(p_), value);
    else
        read_log10p_field(field(log10p_), value);
    record.p_state = value.state;
    record.p = value.p;
    record.underflow = value.underflow;
    record.p_text.swap(value.text);
    return RowKind::Record;
}

Status SumstatsReader::field_count_error(long line_number, std::size_t found) const
{
    return Status(StatusCode::Malformed, source_.path() + " line " + std::to_string(line_number) + ": has " +
                                             std::to_string(found) + " fields, the header has " +
                                             std::to_string(header_fields_));
}

bool SumstatsReader::next(SumstatsRecord& record)
{
    if (!status_.ok())
        return false;
    std::string_view line;
    while (source_.next(line)) {
        switch (parse_row(line, source_.line_number(), fields_, record)) {
        case RowKind::Blank: continue;
        case RowKind::FieldCount: status_ = field_count_error(source_.line_number(), fields_.size()); return false;
        case RowKind::OtherTest:
            ++rows_;
            ++skipped_other_tests_;
            continue;
        case RowKind::Record: ++rows_; return true;
        }
    }
    if (!source_.status().ok())
        status_ = source_.status();
    return false;
}

bool SumstatsReader::next_lines(SumstatsLines& lines, std::size_t count)
{
    lines.text.clear();
    lines.ends.clear();
    if (!status_.ok())
        return false;
    std::string_view line;
    while (lines.ends.size() < count && source_.next(line)) {
        if (lines.ends.empty())
            lines.first_line = source_.line_number();
        lines.text.append(line);
        lines.ends.push_back(lines.text.size());
    }
    if (!source_.status().ok())
        status_ = source_.status();
    return !lines.ends.empty();
}

void SumstatsReader::parse_lines(const SumstatsLines& lines, SumstatsRows& rows) const
{
    rows = SumstatsRows();
    rows.records.reserve(lines.ends.size());
    std::vector<std::string_view> fields;
    SumstatsRecord record;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < lines.ends.size(); ++i) {
        const std::string_view line(lines.text.data() + begin, lines.ends[i] - begin);
        begin = lines.ends[i];
        const long number = lines.first_line + static_cast<long>(i);
        switch (parse_row(line, number, fields, record)) {
        case RowKind::Blank: break;
        case RowKind::FieldCount:
            rows.bad_line = number;
            rows.bad_fields = fields.size();
            return;
        case RowKind::OtherTest:
            ++rows.rows;
            ++rows.other_tests;
            break;
        case RowKind::Record:
            ++rows.rows;
            rows.records.push_back(std::move(record));
            record = SumstatsRecord();
            break;
        }
    }
}

bool SumstatsReader::take(const SumstatsRows& rows)
{
    rows_ += rows.rows;
    skipped_other_tests_ += rows.other_tests;
    if (rows.bad_line > 0) {
        status_ = field_count_error(rows.bad_line, rows.bad_fields);
        return false;
    }
    return true;
}
