#pragma once
// Text and Bytes, and the operations every other part of the program is
// built on. A Text is a GBK byte string without NUL bytes; positions are
// 1-based and count bytes, and -1 means "not found". Only findText and
// splitText know about double-byte characters.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

using Text = std::string;

// Raw bytes that may hold NUL, such as a response body or a file's contents.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string data) : data_(std::move(data)) {}

    const char* data() const { return data_.data(); }
    std::size_t size() const { return data_.size(); }
    bool empty() const { return data_.empty(); }
    void append(const char* data, std::size_t size) { data_.append(data, size); }
    std::string_view view() const { return data_; }

    friend bool operator==(const Bytes&, const Bytes&) = default;

private:
    std::string data_;
};

class TextList;

std::int32_t textLength(std::string_view text);
Text textRight(std::string_view text, std::int32_t count);
Text textMid(std::string_view text, std::int32_t start, std::int32_t count);

// start omitted (nullopt) searches from the beginning; so does any start <= 1.
std::int32_t findText(std::string_view text, std::string_view needle, std::optional<std::int32_t> start = std::nullopt,
                      bool ignoreCase = false);

// delimiter omitted means ","; limit omitted means no limit.
TextList splitText(std::string_view text, std::optional<std::string_view> delimiter = std::nullopt,
                   std::optional<std::int32_t> limit = std::nullopt);

template <typename... Parts> Text concatTexts(const Parts&... parts);

std::int32_t compareTexts(std::string_view a, std::string_view b);
Text intToText(std::int32_t value);
Text bytesToText(const Bytes& data);
Bytes textToBytes(std::string_view text);
std::int32_t toInt32(double value);

// Width of the character that begins with this byte under the double-byte
// convention: a byte with its top bit set starts a two-byte character.
constexpr std::int32_t characterWidth(unsigned char lead)
{
    return lead >= 0x80 ? 2 : 1;
}

namespace detail {
Text concatViews(std::initializer_list<std::string_view> parts);
}

template <typename... Parts> Text concatTexts(const Parts&... parts)
{
    static_assert(sizeof...(Parts) >= 1, "concatTexts joins one or more texts");
    return detail::concatViews({std::string_view(parts)...});
}

} // namespace kw
