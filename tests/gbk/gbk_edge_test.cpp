// Whatever bytes the program puts into a control come back byte for byte
// until the user edits it; after an edit, the shown string is the truth.
#include "text/gbk_edge.h"
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

#include <random>

namespace kw {
namespace {

Text randomBytes(std::mt19937& rng)
{
    // Weighted towards the awkward cases: lone CR and LF, CR LF pairs, lead
    // bytes without a valid trail, bytes GBK does not define.
    static const std::vector<std::string> pieces{"\r", "\n", "\r\n", "\x80", "\xff",     "\xb0",     "\xb0\xa1",
                                                 "a",  " ",  "\x7f", "\x01", "\xa1\x40", "\xfe\xfe", "\x81\x30"};
    std::uniform_int_distribution<std::size_t> count(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    Text text;
    for (std::size_t i = count(rng); i > 0; --i)
        text += pieces[pick(rng)];
    return text;
}

TEST(EdgeText, WrittenAndAppendedBytesReadBackExactly)
{
    std::mt19937 rng(4286);
    for (LineBreaks breaks : {LineBreaks::single, LineBreaks::multi}) {
        for (int round = 0; round < 2000; ++round) {
            EdgeText edge(breaks);
            const Text first = randomBytes(rng);
            QString shown = edge.assign(first);
            Text expected = first;
            for (int appends = round % 4; appends > 0; --appends) {
                const Text more = randomBytes(rng);
                shown += edge.append(more, shown);
                expected += more;
            }
            ASSERT_EQ(edge.read(shown), expected) << "round " << round;
            ASSERT_EQ(edge.size(shown), expected.size());
        }
    }
}

TEST(EdgeText, AfterAUserEditTheShownStringIsReadBackAsGbk)
{
    EdgeText edge(LineBreaks::multi);
    QString shown = edge.assign("\x80garbage");
    edge.userEdited();
    shown = QString::fromUtf8("手机\n价格");
    EXPECT_EQ(edge.read(shown), "\xca\xd6\xbb\xfa\r\n\xbc\xdb\xb8\xf1");

    // A program append after the edit keeps the edit and adds the bytes.
    shown += edge.append("\r\nx", shown);
    EXPECT_FALSE(edge.isUserEdited());
    EXPECT_EQ(edge.read(shown), "\xca\xd6\xbb\xfa\r\n\xbc\xdb\xb8\xf1\r\nx");
}

TEST(GbkDisplay, LineBreaksFollowTheKindOfControl)
{
    EXPECT_EQ(gbkToDisplay("a\r\nb\rc\nd", LineBreaks::multi), QString("a\nb\nc\nd"));
    EXPECT_EQ(gbkToDisplay("a\r\nb", LineBreaks::single), QString("a b"));
    EXPECT_EQ(gbkToDisplay(gbk::RelatedMarker, LineBreaks::single), QString::fromUtf8("相关搜索"));
    EXPECT_EQ(displayToGbk(QString("a\nb"), LineBreaks::multi), "a\r\nb");
    EXPECT_EQ(displayToGbk(QString("a\nb"), LineBreaks::single), "a\nb");
}

} // namespace
} // namespace kw
