#include "plink_input.h"

#include "shell_quote.h"

#include "bed_reader.h"
#include "convert_error.h"
#include "fam_reader.h"
#include "marker_reader.h"
#include "ped_reader.h"
#include "stretch_check.h"

#include <sys/stat.h>

namespace convert {

namespace {

bool is_file(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

[[noreturn]] void no_data_set(const std::string& base)
{
    std::string message = "found neither " + base + ".bed nor " + base +
                          ".ped; give the base name of a PLINK data set (BASE for BASE.bed/.bim/.fam "
                          "or BASE.ped/.map)";
    for (const char* extension : {".bed", ".bim", ".fam", ".ped", ".map"}) {
        if (ends_with(base, extension)) {
            message += ", without the extension: " + base.substr(0, base.size() - 4);
            break;
        }
    }
    throw ConvertError(message);
}

} // namespace

std::string shell_word(const std::string& text)
{
    bool plain = !text.empty();
    for (const char c : text) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '/' || c == ':' || c == '+' || c == ',' || c == '-';
        plain = plain && safe;
    }
    return plain ? text : shell_quote(text);
}

GenotypeTable load_plink(const std::string& base)
{
    GenotypeTable table;
    if (is_file(base + ".bed")) {
        table.genotype_file = base + ".bed";
        table.marker_file = base + ".bim";
        table.snps = read_bim(table.marker_file);
        check_one_stretch(table.snps, table.marker_file, "--bfile " + shell_word(base));
        table.individuals = read_fam(base + ".fam");
        table.genotypes = read_bed(table.genotype_file, table.snps, table.individuals.size());
        return table;
    }
    if (is_file(base + ".ped")) {
        table.genotype_file = base + ".ped";
        table.marker_file = base + ".map";
        table.snps = read_map(table.marker_file);
        check_one_stretch(table.snps, table.marker_file, "--file " + shell_word(base));
        PedContents ped = read_ped(table.genotype_file, table.snps);
        table.individuals = std::move(ped.individuals);
        table.genotypes = std::move(ped.genotypes);
        table.half_missing = ped.half_missing;
        return table;
    }
    no_data_set(base);
}

} // namespace convert
