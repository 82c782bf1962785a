#include "mining/result_line_index.h"

#include "mining/result_lines.h"

namespace kw {

namespace {
constexpr std::string_view LineBreak = "\r\n";
}

void ResultLineIndex::rebuild(std::string_view text)
{
    text_.assign(text);
    lines_.clear();
    unfinishedFrom_ = 0;
    takeLinesFrom(0);
}

void ResultLineIndex::append(std::string_view text)
{
    const std::size_t oldSize = text_.size();
    text_.append(text);
    // A CR at the old end and an LF at the start of text make a line break
    // together; nothing before that CR can start a new one.
    takeLinesFrom(oldSize > unfinishedFrom_ ? oldSize - 1 : unfinishedFrom_);
}

void ResultLineIndex::takeLinesFrom(std::size_t scanFrom)
{
    for (std::size_t at = text_.find(LineBreak, scanFrom); at != std::string::npos;
         at = text_.find(LineBreak, unfinishedFrom_)) {
        lines_.emplace(text_, unfinishedFrom_, at - unfinishedFrom_);
        unfinishedFrom_ = at + LineBreak.size();
    }
}

bool ResultLineIndex::holds(std::string_view keyword) const
{
    std::string_view line = keyword;
    if (line.ends_with(LineBreak))
        line.remove_suffix(LineBreak.size());
    // A keyword that spans lines matches a run of them: rare enough to be
    // searched for in the whole text.
    if (line.find(LineBreak) != std::string_view::npos)
        return isLineOfBox(text_, keyword);
    return line == unfinishedLine() || lines_.contains(line);
}

} // namespace kw
