#include "tools/offline_engine/result_page.h"

#include "tools/offline_engine/gbk_encode.h"

#include <cctype>
#include <map>
#include <mutex>

namespace kw::engine {

namespace {

std::string html(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The page's fixed texts, converted once: a converter is expensive to open,
// and a page has a few dozen of them.
std::string g(std::u8string_view utf8)
{
    static std::mutex mutex;
    static std::map<std::u8string_view, std::string> converted;
    std::lock_guard lock(mutex);
    auto found = converted.find(utf8);
    if (found == converted.end())
        found = converted.emplace(utf8, utf8ToGbk(utf8)).first;
    return found->second;
}

std::string pageHead(const std::string& title)
{
    return "<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">\r\n<title>" + title +
           "</title>\r\n<style>body{font-size:12px}#rs{margin:10px 0}</style></head>\r\n<body>\r\n";
}

std::string navigation(std::string_view query)
{
    const std::string word = percentEncoded(query);
    std::string nav = "<p id=\"nv\">";
    nav += "<a href=\"http://news.baidu.com/ns?cl=2&rn=20&tn=news&word=" + word + "\">" + g(u8"新&nbsp;闻") + "</a>";
    nav += g(u8"　<b>网&nbsp;页</b>　");
    nav += "<a href=\"http://tieba.baidu.com/f?kw=" + word + "\">" + g(u8"贴&nbsp;吧") + "</a>" + g(u8"　");
    nav += "<a href=\"http://zhidao.baidu.com/q?ct=17&pn=0&tn=ikaslist&rn=10&word=" + word + "\">" + g(u8"知&nbsp;道") +
           "</a>" + g(u8"　");
    nav += "<a href=\"http://mp3.baidu.com/m?tn=baidump3&ct=134217728&lm=-1&word=" + word + "\">MP3</a>" + g(u8"　");
    nav += "<a href=\"http://image.baidu.com/i?tn=baiduimage&ct=201326592&lm=-1&cl=2&word=" + word + "\">" +
           g(u8"图&nbsp;片") + "</a>" + g(u8"　");
    nav += "<a href=\"http://video.baidu.com/v?ct=301989888&rn=20&pn=0&db=0&s=21&word=" + word + "\">" +
           g(u8"视&nbsp;频") + "</a>";
    nav += "</p>\r\n";
    return nav;
}

std::string searchForm(std::string_view query)
{
    return "<form name=\"f\" action=\"/s\"><input name=\"wd\" size=\"42\" maxlength=\"100\" value=\"" + html(query) +
           "\"><input type=\"submit\" value=\"" + g(u8"百度一下") + "\"></form>\r\n";
}

std::string results(std::string_view query)
{
    std::string list;
    for (int n = 1; n <= 3; ++n) {
        const std::string number = std::to_string(n);
        list += "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" id=\"" + number +
                "\"><tr><td class=\"f\"><a href=\"http://www.example.com/" + number +
                ".html\" target=\"_blank\"><font size=\"3\">" + html(query) + g(u8"_相关网页") + number +
                "</font></a><br><font size=\"-1\">" + html(query) + g(u8"的介绍、评论和最新消息。") +
                "<br><font color=\"#008000\">www.example.com/" + number +
                ".html 12K 2008-6-1</font> - <a href=\"http://cache.baidu.com/c?m=" + number +
                "\" target=\"_blank\" class=\"m\">" + g(u8"百度快照") + "</a><br></font></td></tr></table><br>\r\n";
    }
    return list;
}

std::string relatedBlock(const std::vector<std::string>& related)
{
    std::string block = "<div id=\"rs\"><table cellpadding=\"0\"><tr><th rowspan=\"2\" class=\"f14\"><nobr>" +
                        g(u8"相关搜索") + "</nobr></th>";
    for (std::size_t i = 0; i < related.size(); ++i) {
        if (i == 5)
            block += "</tr><tr>";
        block += "<td nowrap><a href=\"s?wd=" + percentEncoded(related[i]) + "\">" + html(related[i]) + "</a></td>";
    }
    block += "</tr></table></div>\r\n";
    return block;
}

std::string footer()
{
    return "<br><div id=\"ft\">&copy;2008 Baidu <a href=\"http://www.baidu.com/duty/\">" + g(u8"使用百度前必读") +
           "</a> <a href=\"http://jingjia.baidu.com\">" + g(u8"企业推广") +
           "</a> <a href=\"http://www.baidu.com/search/jubao.html\">" + g(u8"举报") +
           "</a></div>\r\n</body></html>\r\n";
}

} // namespace

std::string percentEncoded(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : bytes) {
        if (std::isalnum(byte) || byte == '-' || byte == '_' || byte == '.') {
            out += static_cast<char>(byte);
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

std::string resultPage(std::string_view query, const std::optional<std::vector<std::string>>& related)
{
    std::string page = pageHead(g(u8"百度搜索_") + html(query));
    page += navigation(query);
    page += searchForm(query);
    page += results(query);
    if (related && !related->empty())
        page += relatedBlock(*related);
    page += footer();
    return page;
}

std::string homePage()
{
    std::string page = pageHead(g(u8"百度一下，你就知道"));
    page += navigation({});
    page += searchForm({});
    page += footer();
    return page;
}

} // namespace kw::engine
