#include "mining/result_lines.h"

namespace kw {

bool isLineOfBox(std::string_view box, std::string_view keyword)
{
    constexpr std::string_view lineBreak = "\r\n";
    if (keyword.ends_with(lineBreak))
        keyword.remove_suffix(lineBreak.size());
    // CR and LF differ, so every CR LF pair in the box is a line boundary:
    // an occurrence that starts and ends at boundaries is a whole line.
    for (std::size_t at = box.find(keyword); at != std::string_view::npos; at = box.find(keyword, at + 1)) {
        const std::size_t end = at + keyword.size();
        const bool startsLine = at == 0 || box.substr(0, at).ends_with(lineBreak);
        const bool endsLine = end == box.size() || box.substr(end).starts_with(lineBreak);
        if (startsLine && endsLine)
            return true;
    }
    return false;
}

} // namespace kw
