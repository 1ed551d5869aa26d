#include "sumstats_choice.h"

#include <CLI/CLI.hpp>

#include <map>

namespace {

const std::map<std::string, SumstatsFormat>& format_words()
{
    static const std::map<std::string, SumstatsFormat> words = {
        {"gwas-ssf", SumstatsFormat::GwasSsf}, {"plink2", SumstatsFormat::Plink2Glm},
        {"plink1", SumstatsFormat::Plink1Assoc}, {"regenie", SumstatsFormat::Regenie},
        {"saige", SumstatsFormat::Saige},       {"bolt", SumstatsFormat::BoltLmm},
        {"metal", SumstatsFormat::Metal},       {"custom", SumstatsFormat::Custom}};
    return words;
}

} // namespace

void add_sumstats_choice(CLI::App& command, SumstatsChoice& c, const std::string& group)
{
    std::string formats;
    for (const auto& word : format_words())
        formats += (formats.empty() ? "" : ", ") + word.first;
    command.add_option("--format", c.format, "force the format: " + formats)->check(CLI::IsMember(format_words()))->group(group);
    const struct {
        const char* name;
        std::string* value;
        const char* help;
    } columns[] = {
        {"--col-id", &c.col_id, "column of the SNP id (any other table)"},
        {"--col-chr", &c.col_chr, "column of the chromosome"},
        {"--col-pos", &c.col_pos, "column of the base-pair position"},
        {"--col-a1", &c.col_a1, "column of one allele"},
        {"--col-a2", &c.col_a2, "column of the other allele"},
        {"--col-p", &c.col_p, "column of the p-value"},
        {"--col-log10p", &c.col_log10p, "column of -log10 p (instead of --col-p)"},
    };
    for (const auto& column : columns)
        command.add_option(column.name, *column.value, column.help)->type_name("NAME")->group(group);
}

SumstatsOptions sumstats_options(const SumstatsChoice& c)
{
    SumstatsOptions options;
    if (!c.format.empty()) {
        options.force_format = true;
        options.format = format_words().at(c.format);
    }
    options.col_id = c.col_id;
    options.col_chr = c.col_chr;
    options.col_pos = c.col_pos;
    options.col_a1 = c.col_a1;
    options.col_a2 = c.col_a2;
    options.col_p = c.col_p;
    options.col_log10p = c.col_log10p;
    return options;
}
