#ifndef KESTO_COMMON_CSVLINE_H
#define KESTO_COMMON_CSVLINE_H

#include <string>
#include <vector>

// Splits one line on `delimiter`, honouring double-quoted fields. The list is
// cleared first; it always ends up holding at least one field.
void csvline_populate(std::vector<std::string>& fields, const std::string& line, char delimiter);

// The suite-wide convention: split on tab, and when that gives a single field,
// split the same line again on space.
void split_fields(std::vector<std::string>& fields, const std::string& line);

// Splits on runs of blanks (spaces and tabs) with no quoting: the rule of the
// files the converters write, whose labels hold no blanks but may begin with
// a double quote. Leading and trailing blanks give no empty fields.
void split_blank_runs(std::vector<std::string>& fields, const std::string& line);

#endif
