#include "mining/related_searches.h"

#include "text/gbk_texts.h"

namespace kw {

RelatedSearches extractRelatedSearches(std::string_view page)
{
    RelatedSearches candidates;
    const std::int32_t k = findText(page, gbk::RelatedMarker);
    if (k == -1) {
        candidates.fill(Text(LineBreak));
        return candidates;
    }

    // Positions are worked out in double precision and brought back with
    // toInt32, as the rest of the program's position arithmetic is; the
    // values are always whole, so this changes no result.
    const double n = textLength(page);
    // R begins one byte into the marker: the marker's first byte is cut off
    // and the search for the delimiters pairs bytes from R's first byte on.
    const Text r = textRight(page, toInt32(n - k));

    double previousClose = 0;
    for (std::size_t j = 0; j < candidates.size(); ++j) {
        double open = 0;
        double close = 0;
        if (j == 0) {
            open = findText(r, AnchorOpenEnd);
            close = findText(r, AnchorClose);
        } else {
            // The left delimiter is searched from the previous right one
            // itself, the right one from the byte after its start. After a
            // failed right-delimiter search (-1) both starts fall back to
            // R's beginning, so that pair is searched in the whole of R again.
            open = findText(r, AnchorOpenEnd, toInt32(previousClose));
            close = findText(r, AnchorClose, toInt32(previousClose + 1));
        }
        candidates[j] = concatTexts(textMid(r, toInt32(open + 2), toInt32(close - open - 2)), LineBreak);
        previousClose = close;
    }
    return candidates;
}

} // namespace kw
