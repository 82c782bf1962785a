// Each of the program's texts, as bytes, against its readable spelling
// encoded through the GBK codec.
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

namespace kw {
namespace {

struct Spelled {
    const char* name;
    std::string_view bytes;
    std::u8string_view spelling;
};

TEST(GbkTexts, BytesAreTheGbkEncodingOfTheirSpelling)
{
#define KW_SPELLED(name, bytes, spelling) Spelled{#name, gbk::name, spelling},
    const std::vector<Spelled> texts{KW_GBK_TEXTS(KW_SPELLED)};
#undef KW_SPELLED
    ASSERT_GT(texts.size(), 30u);
    QStringEncoder encoder("GBK");
    ASSERT_TRUE(encoder.isValid());
    for (const Spelled& text : texts) {
        const QString spelled = QString::fromUtf8(reinterpret_cast<const char*>(text.spelling.data()),
                                                  static_cast<qsizetype>(text.spelling.size()));
        const QByteArray encoded = encoder.encode(spelled);
        EXPECT_FALSE(encoder.hasError()) << text.name;
        EXPECT_EQ(std::string_view(encoded.constData(), static_cast<std::size_t>(encoded.size())), text.bytes)
            << text.name;
    }
}

TEST(GbkTexts, FixedSizesTheProgramReliesOn)
{
    EXPECT_EQ(gbk::RelatedMarker.size(), 8u);
    EXPECT_EQ(gbk::FatalHeader.substr(gbk::FatalHeader.size() - 4), "\r\n\r\n");
}

} // namespace
} // namespace kw
