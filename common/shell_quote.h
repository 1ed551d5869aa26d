#ifndef KESTO_COMMON_SHELL_QUOTE_H
#define KESTO_COMMON_SHELL_QUOTE_H

#include <string>

// Puts text in single quotes for the shell, an embedded ' written as '\'',
// so that the shell passes it on as one word whatever it holds.
std::string shell_quote(const std::string& text);

#endif
