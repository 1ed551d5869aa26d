#ifndef KESTO_IO_WHOLE_WRITE_H
#define KESTO_IO_WHOLE_WRITE_H

#include "status.h"

#include <sys/types.h>

#include <string>

// Writes all of `text` to `fd`. A write that stops part-way (a full disk, a
// file size limit) is taken back to `before`, where the file ended before
// this text (-1 where the file cannot seek), so the file always ends with a
// whole line; the status then names `path` and the reason.
Status write_whole(int fd, off_t before, const std::string& text, const std::string& path);

#endif
