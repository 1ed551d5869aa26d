#include "tg_writer.h"

namespace convert {

void write_tg(AtomicOutput& out, const GtTable& table)
{
    out.write("snp_id");
    for (const std::string& iid : table.individuals) {
        out.put('\t');
        out.write(iid);
    }
    out.put('\n');

    static const char* const text[4] = {"\t-1", "\t0", "\t1", "\t2"};
    const TwoBitMatrix& codes = table.codes;
    for (std::size_t j = 0; j < table.snp_ids.size(); ++j) {
        out.write(table.snp_ids[j]);
        for (std::size_t i = 0; i < table.individuals.size(); ++i)
            out.write(text[codes.get(i, j)]);
        out.put('\n');
    }
}

} // namespace convert
