#include "text/system_text.h"

#include <cerrno>
#include <iconv.h>

namespace kw {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (isOpen())
            iconv_close(descriptor_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return descriptor_; }

private:
    iconv_t descriptor_;
};

std::string convert(std::string_view input, const char* to, const char* from)
{
    const Converter converter(to, from);
    if (!converter.isOpen())
        return std::string(input);
    std::string output;
    char buffer[256];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or unconvertible sequence, or one cut off at the
            // end: mark it and go on after its first byte.
            output += '?';
            ++in;
            --inLeft;
        }
    }
    return output;
}

} // namespace

std::string gbkToSystem(std::string_view text)
{
    return convert(text, "UTF-8", "GBK");
}

Text systemToGbk(std::string_view text)
{
    return convert(text, "GBK", "UTF-8");
}

} // namespace kw
