#include "overlapped_consumer.h"

#include <utility>

namespace analysis {

OverlappedConsumer::~OverlappedConsumer()
{
    // A run that stops early still waits for the chromosome under way; the
    // consumer it refers to outlives this object.
    if (taking_.valid())
        taking_.wait();
}

Status OverlappedConsumer::finish()
{
    if (taking_.valid()) {
        const Status last = taking_.get();
        in_flight_.reset();
        if (failed_ && !last)
            failed_ = last;
    }
    return failed_;
}

Status OverlappedConsumer::take(ChromosomeTable& table)
{
    Status before = finish();
    if (!before)
        return before;
    in_flight_ = std::make_unique<ChromosomeTable>(std::move(table));
    ChromosomeTable* mine = in_flight_.get();
    taking_ = std::async(std::launch::async, [this, mine] { return consumer_.take(*mine); });
    return {};
}

Status OverlappedConsumer::unreadable(const std::string& chromosome, const std::string& message)
{
    Status before = finish();
    if (!before)
        return before;
    return consumer_.unreadable(chromosome, message);
}

Status feed_overlapped(TableSource& source, ChromosomeConsumer& consumer, bool overlap)
{
    if (!overlap)
        return source.feed(consumer);
    OverlappedConsumer overlapped(consumer);
    const Status fed = source.feed(overlapped);
    const Status last = overlapped.finish();
    return fed ? last : fed;
}

} // namespace analysis
