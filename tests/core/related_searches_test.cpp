// The six candidates of a page, from small pages written for each rule.
#include "mining/related_searches.h"
#include "support/gbk.h"
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

const std::string marker(gbk::RelatedMarker);
const std::string CRLF = "\r\n";

std::string anchor(std::string_view text)
{
    return "<a href=\"s?wd=x\">" + std::string(text) + "</a>";
}

struct ExtractionCase {
    const char* name;
    std::string page;
    std::array<std::string, 6> candidates; // without their line break
};

TEST(RelatedSearches, TableOfPages)
{
    const std::string phone = test::gbk(u8"手机价格");
    const std::string nav = anchor("news") + anchor("tieba");
    const std::string six = anchor(phone) + anchor("x2") + anchor("x3") + anchor("x4") + anchor("x5") + anchor("x6");
    const std::vector<ExtractionCase> cases = {
        {"six anchors after the marker",
         nav + "<th><nobr>" + marker + "</nobr></th>" + six + anchor("footer"),
         {phone, "x2", "x3", "x4", "x5", "x6"}},
        {"fewer than six run on into the footer",
         nav + marker + "</th>" + anchor("x1") + anchor("x2") + "</div>" + anchor("duty") + anchor("ads") + "<p>" +
             anchor("report") + anchor("more"),
         {"x1", "x2", "duty", "ads", "report", "more"}},
        {"three right delimiters: pairs 5 and 6 start over",
         marker + "</th>" + anchor("x1") + anchor("x2") + anchor("x3"),
         {"x1", "x2", "x3", "", "x1", "x2"}},
        {"marker without anchors", marker + "<p>nothing here</p>", {"", "", "", "", "", ""}},
        {"a delimiter right after the marker is paired away",
         marker + "\">x1</a>" + anchor("x2") + anchor("x3"),
         // L1 skips the '"' eaten as the second half of the marker's last
         // character and finds x2's tag, after E1: a negative count.
         {"", "x2", "x3", "", "", "x2"}},
        {"no left delimiter before the first right one",
         marker + "abc</a>",
         {marker.substr(1) + "abc", "", marker.substr(1) + "abc", "", marker.substr(1) + "abc", ""}},
        {"the text is taken byte for byte",
         marker + "</th><a href=\"u\"> a&amp;<b>b</b>\r\nc </a>",
         {" a&amp;<b>b</b>\r\nc ", "", " a&amp;<b>b</b>\r\nc ", "", " a&amp;<b>b</b>\r\nc ", ""}},
        {"only the first marker counts",
         marker + "</th>" + anchor("x1") + marker + "</th>" + anchor("x2"),
         {"x1", "x2", "", "x1", "x2", ""}},
    };
    for (const ExtractionCase& c : cases) {
        const RelatedSearches candidates = extractRelatedSearches(c.page);
        for (std::size_t j = 0; j < 6; ++j)
            EXPECT_EQ(candidates[j], c.candidates[j] + CRLF) << c.name << ", candidate " << j + 1;
    }
}

TEST(RelatedSearches, APageWithoutTheMarkerGivesOnlyLineBreaks)
{
    const std::vector<std::pair<const char*, std::string>> pages = {
        {"empty page", ""},
        {"navigation links only", anchor("news") + anchor("tieba") + anchor("zhidao") + anchor("mp3") +
                                      anchor("image") + anchor("video") + anchor("more")},
        {"the marker in UTF-8", reinterpret_cast<const char*>(u8"相关搜索") + anchor("x1") + anchor("x2")},
        {"half a marker", marker.substr(0, 7) + anchor("x1")},
    };
    for (const auto& [name, page] : pages) {
        const RelatedSearches candidates = extractRelatedSearches(page);
        for (std::size_t j = 0; j < 6; ++j)
            EXPECT_EQ(candidates[j], CRLF) << name << ", candidate " << j + 1;
    }
}

} // namespace
} // namespace kw
