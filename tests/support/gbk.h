#pragma once
// Test texts written readably: gbk(u8"手机价格") gives the GBK bytes.

#include "tools/offline_engine/gbk_encode.h"

#include <string>

namespace kw::test {

inline std::string gbk(std::u8string_view utf8)
{
    return engine::utf8ToGbk(utf8);
}

} // namespace kw::test
