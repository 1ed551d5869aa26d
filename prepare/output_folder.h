#ifndef KESTO_PREPARE_OUTPUT_FOLDER_H
#define KESTO_PREPARE_OUTPUT_FOLDER_H

#include "status.h"

#include <string>
#include <vector>

// The folder prepare writes into. Files are written under temporary names
// (NAME.part) and renamed into place only when the whole run succeeds, so a
// run that stops half-way (a build mismatch, a bad line, a full disk) never
// leaves files that look finished.
class OutputFolder {
public:
    // Creates the folder (and missing parents).
    Status create(const std::string& dir);

    // Clash when an input is one of the files a run writes into the folder
    // (legend_chr*, genotype_chr*, prepare.log, excluded.tsv.gz, genelist.txt,
    // pathways.txt): those would be overwritten while being read.
    Status check_inputs(const std::vector<std::string>& inputs) const;

    // The temporary path for the output `name`; remembered for commit().
    std::string start(const std::string& name);
    // Renames every started file into place.
    Status commit();
    // Removes every started file.
    void abandon();

    // Files in the folder with an output's name that this run did not write
    // (left by an earlier run: the programs would read them).
    std::vector<std::string> strangers(const std::vector<std::string>& written) const;

    const std::string& dir() const { return dir_; }
    std::string final_path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
    std::vector<std::string> names_;
};

// Whether a file name is one prepare writes.
bool is_prepare_output_name(const std::string& name);

#endif
