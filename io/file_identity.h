#ifndef KESTO_IO_FILE_IDENTITY_H
#define KESTO_IO_FILE_IDENTITY_H

#include "status.h"

#include <string>
#include <vector>

// The files one run reads and writes, each with the role it plays ("gene
// list", "result", ...), gathered before anything is opened for writing.
// check() refuses a run in which an output is also an input, or two outputs
// are one file: the command line names files only by position, so a swapped
// pair of options would otherwise overwrite an input.
//
// Two paths are one file when both exist as regular files with the same
// device and inode (hard links, symbolic links, "./x" and "x"), or when
// neither exists and their normalised absolute paths agree. Paths that exist
// but are not regular files (/dev/null, a terminal, a pipe) are never a
// clash: writing them destroys nothing.
class RunFiles {
public:
    void input(const std::string& role, const std::string& path);
    void output(const std::string& role, const std::string& path);

    // The per-chromosome files PREFIX STEM <chromosome> .txt (or .txt.gz)
    // that exist now, as inputs; PREFIX is put verbatim before the name, as
    // the programs do ("ref/", "data/panel_").
    void per_chromosome_inputs(const std::string& role, const std::string& prefix, const std::string& stem);

    // Clash naming both roles and both paths, or Ok.
    Status check() const;

    struct Use {
        std::string role;
        std::string path;
    };
    const std::vector<Use>& inputs() const { return inputs_; }
    const std::vector<Use>& outputs() const { return outputs_; }

private:
    std::vector<Use> inputs_;
    std::vector<Use> outputs_;
};

// Whether two paths name one file under the rule above.
bool same_file(const std::string& a, const std::string& b);

#endif
