// findText and splitText against a plain reference scan, on random texts
// rich in lead bytes, CR and LF, so that the double-byte stepping is
// exercised from every start position.
#include "app/text_list.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <random>

namespace kw {
namespace {

// Character boundaries from `from` (0-based), the obvious way.
std::vector<std::size_t> boundaries(const Text& text, std::size_t from)
{
    std::vector<std::size_t> out;
    for (std::size_t p = from; p < text.size(); p += (static_cast<unsigned char>(text[p]) >= 0x80 ? 2 : 1))
        out.push_back(p);
    return out;
}

std::int32_t referenceFind(const Text& text, const Text& needle, std::optional<std::int32_t> start)
{
    const std::size_t from = (!start || *start <= 1) ? 0 : static_cast<std::size_t>(*start - 1);
    if (needle.empty())
        return from < text.size() ? 1 : -1;
    for (std::size_t p : boundaries(text, from)) {
        if (text.compare(p, needle.size(), needle) == 0 && p + needle.size() <= text.size())
            return static_cast<std::int32_t>(p + 1);
    }
    return -1;
}

std::vector<Text> referenceSplit(const Text& text, const Text& delimiter)
{
    std::vector<Text> out;
    std::size_t q = 0;
    std::size_t p = 0;
    while (p < text.size()) {
        if (text.compare(p, delimiter.size(), delimiter) == 0 && p + delimiter.size() <= text.size()) {
            out.push_back(text.substr(q, p - q));
            p += delimiter.size();
            q = p;
        } else {
            p += static_cast<unsigned char>(text[p]) >= 0x80 ? 2 : 1;
        }
    }
    if (q < text.size())
        out.push_back(text.substr(q));
    return out;
}

Text randomText(std::mt19937& rng, std::size_t maxLength)
{
    static constexpr char alphabet[] = {'a', 'b', '\r', '\n', '\xb0', '\xa1', 'A'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(alphabet) - 1);
    Text text(length(rng), ' ');
    for (char& c : text)
        c = alphabet[pick(rng)];
    return text;
}

TEST(TextDifferential, FindTextMatchesAReferenceScan)
{
    std::mt19937 rng(20261211);
    for (int round = 0; round < 20000; ++round) {
        const Text text = randomText(rng, 24);
        const Text needle = randomText(rng, 3);
        std::uniform_int_distribution<int> startPick(-2, static_cast<int>(text.size()) + 2);
        const std::optional<std::int32_t> start =
            round % 3 == 0 ? std::nullopt : std::optional<std::int32_t>(startPick(rng));
        ASSERT_EQ(findText(text, needle, start), referenceFind(text, needle, start)) << "round " << round;
    }
}

TEST(TextDifferential, SplitTextMatchesAReferenceScan)
{
    std::mt19937 rng(1211);
    const std::vector<Text> delimiters{"\r\n", ",", "a", "\xb0\xa1", "\r\n\r\n"};
    for (int round = 0; round < 20000; ++round) {
        const Text text = randomText(rng, 32);
        const Text& delimiter = delimiters[static_cast<std::size_t>(round) % delimiters.size()];
        ASSERT_EQ(splitText(text, delimiter).members(), referenceSplit(text, delimiter)) << "round " << round;
    }
}

} // namespace
} // namespace kw
