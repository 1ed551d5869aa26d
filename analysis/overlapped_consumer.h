#ifndef KESTO_ANALYSIS_OVERLAPPED_CONSUMER_H
#define KESTO_ANALYSIS_OVERLAPPED_CONSUMER_H

#include "chromosome_table.h"

#include <future>
#include <memory>

namespace analysis {

// Lets a source read the next chromosome while the one before is analysed:
// take() keeps the table, starts the wrapped consumer's take() on a thread
// of its own and returns, after waiting for the chromosome before it. The
// wrapped consumer still sees every call in the source's order, one at a
// time, so the results and their order are those of the plain road; at
// most two chromosome tables are held at once (a source calls ready()
// before it builds a table, which waits for the chromosome before, so that
// one table is held and at most the genotypes of the next as read).
// wants() is forwarded as is and may run while a take() is under way: it
// must only read what the consumer set up before the run.
class OverlappedConsumer : public ChromosomeConsumer {
public:
    explicit OverlappedConsumer(ChromosomeConsumer& consumer) : consumer_(consumer) {}
    ~OverlappedConsumer() override;

    OverlappedConsumer(const OverlappedConsumer&) = delete;
    OverlappedConsumer& operator=(const OverlappedConsumer&) = delete;

    bool wants(const std::string& chromosome) const override { return consumer_.wants(chromosome); }
    Status ready() override { return finish(); }
    Status take(ChromosomeTable& table) override;
    Status unreadable(const std::string& chromosome, const std::string& message) override;

    // Waits for the last chromosome; its status, or the first failure the
    // consumer returned. Call it once the source's feed() has returned.
    [[nodiscard]] Status finish();

private:
    ChromosomeConsumer& consumer_;
    std::unique_ptr<ChromosomeTable> in_flight_;
    std::future<Status> taking_;
    Status failed_;
};

// source.feed(consumer), overlapped as above when `overlap` is set.
Status feed_overlapped(TableSource& source, ChromosomeConsumer& consumer, bool overlap);

} // namespace analysis

#endif
