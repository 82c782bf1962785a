#include "tools/offline_engine/gbk_encode.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

namespace kw::engine {

namespace {
struct IconvClose {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
} // namespace

std::string utf8ToGbk(std::u8string_view utf8)
{
    iconv_t opened = iconv_open("GBK", "UTF-8");
    if (opened == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no UTF-8 to GBK converter");
    const std::unique_ptr<void, IconvClose> converter(opened);

    std::string in(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(opened, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        throw std::runtime_error("text not representable in GBK");
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace kw::engine
