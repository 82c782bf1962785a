#pragma once
// The mining run's view of the result box 编辑框2 for the duplicate test.
// Each test still reads the box at that instant, but through a versioned
// read: when the box has not changed since the last reading, nothing is
// copied, and the lines held from before are looked in. The run's own
// appends go into those lines as they go into the box; any other change
// (the user's edits, another window's loading) is read in full.

#include "mining/result_line_index.h"
#include "ui/form_model.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kw {

class ResultBox {
public:
    ResultBox(FormModel& form, WindowRef window) : form_(form), window_(window) {}

    // Whether keyword (without its trailing CR LF) is a whole line of the
    // box as it stands now.
    bool holdsLine(std::string_view keyword);
    // appendText to the box.
    void append(std::string_view text);

private:
    FormModel& form_;
    const WindowRef window_;
    ResultLineIndex lines_;
    // The version of the box that lines_ holds; none before the first read.
    std::optional<std::uint64_t> knownVersion_;
};

} // namespace kw
