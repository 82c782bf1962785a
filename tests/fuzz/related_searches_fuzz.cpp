// Input: the page, as it is. The six candidates of extractRelatedSearches
// are held against a plain extraction written here with 0-based indexes and
// optional matches instead of the program's 1-based positions, -1 and
// double arithmetic.
#include "fuzz/reference_scan.h"
#include "mining/related_searches.h"
#include "text/gbk_texts.h"

#include <array>
#include <cstdlib>

namespace {

using kw::fuzz::referenceFindFrom;

std::array<std::string, 6> referenceExtraction(const std::string& page)
{
    std::array<std::string, 6> candidates;
    candidates.fill("\r\n");
    // A page without the marker gives nothing: its anchors are navigation,
    // not related searches.
    const std::optional<std::size_t> marker = referenceFindFrom(page, std::string(kw::gbk::RelatedMarker), 0);
    if (!marker)
        return candidates;

    // The rest of the page from the marker's second byte on; every search
    // below pairs bytes from there.
    const std::string rest = page.substr(*marker + 1);
    std::optional<std::size_t> previousClose;
    for (std::string& candidate : candidates) {
        // The first pair, and every pair after a right delimiter that was
        // not found, is searched in the whole rest again. Otherwise the left
        // delimiter is searched from the previous right one, and the right
        // one from the byte after that.
        const std::size_t openFrom = previousClose.value_or(0);
        const std::size_t closeFrom = previousClose ? *previousClose + 1 : 0;
        const std::optional<std::size_t> open = referenceFindFrom(rest, "\">", openFrom);
        const std::optional<std::size_t> close = referenceFindFrom(rest, "</a>", closeFrom);
        // Without a left delimiter the text runs from the start of the rest.
        const std::size_t textBegin = open ? *open + 2 : 0;
        if (close && *close > textBegin)
            candidate = rest.substr(textBegin, *close - textBegin) + "\r\n";
        previousClose = close;
    }
    return candidates;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const kw::RelatedSearches candidates = kw::extractRelatedSearches(page);
    const std::array<std::string, 6> expected = referenceExtraction(page);
    for (std::size_t j = 0; j < candidates.size(); ++j) {
        if (candidates[j] != expected[j] || !candidates[j].ends_with("\r\n"))
            std::abort();
    }
    return 0;
}
