#pragma once
// What the measurements need of the process: its peak memory, running a
// measurement in a fresh process of this program, and handing the searched
// keywords from one process to the next.

#include "text/text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kw::bench {

// The process's peak resident memory so far (VmHWM), in MiB.
double peakMemoryMiB();

// Runs this program again with the arguments and returns what it printed on
// its standard output; nullopt when it could not run or did not end with 0,
// and then what it printed on its error output has gone to ours (the
// toolkit's chatter of a run that went well is not shown).
std::optional<std::string> runThisProgram(const std::vector<std::string>& arguments);

// Keywords as raw bytes, each followed by a NUL (a Text holds none).
void writeKeywords(const std::filesystem::path& file, const std::vector<Text>& keywords);
std::vector<Text> readKeywords(const std::filesystem::path& file);

} // namespace kw::bench
