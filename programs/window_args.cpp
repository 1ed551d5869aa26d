#include "window_args.h"

#include "cli.h"

#include <iostream>

namespace window_scan {

namespace {

bool read_positive(const std::string& program, const std::string& what, const std::string& text,
                   std::int32_t& value)
{
    if (!read_int_value(program, what, text, value))
        return false;
    if (value <= 0) {
        std::cerr << program << ": " << what << " must be at least 1 base pair, got '" << text << "'\n";
        return false;
    }
    return true;
}

} // namespace

bool read_window_args(const std::string& program, const char* const* argv, WindowArgs& args)
{
    return read_unit_value(program, "alpha", argv[10], args.alpha) &&
           read_unit_value(program, "variance share", argv[12], args.share) &&
           read_positive(program, "window width", argv[14], args.width) &&
           read_positive(program, "step", argv[16], args.step) &&
           read_int_value(program, "region start", argv[18], args.start) &&
           read_int_value(program, "region end", argv[20], args.end);
}

ScanSettings scan_settings(const WindowArgs& args, const std::vector<std::int32_t>& positions)
{
    ScanSettings settings;
    settings.region = resolve_region(args.start, args.end, positions);
    settings.width = args.width;
    settings.step = args.step;
    settings.alpha = args.alpha;
    settings.share = args.share;
    return settings;
}

} // namespace window_scan
