#include "tools/offline_engine/keyword_graph.h"

#include "tools/offline_engine/gbk_encode.h"

#include <array>
#include <cstdint>

namespace kw::engine {

namespace {

constexpr std::array<std::u8string_view, 25> qualifiers = {
    u8"",       u8"最新", u8"便宜", u8"正品", u8"免费", u8"网上", u8"北京", u8"上海", u8"如何",
    u8"哪里有", u8"什么", u8"女士", u8"男士", u8"儿童", u8"高清", u8"国产", u8"进口", u8"热门",
    u8"经典",   u8"十大", u8"好用", u8"实用", u8"二手", u8"广州", u8"深圳"};

constexpr std::array<std::u8string_view, 60> subjects = {
    u8"手机", u8"电脑",   u8"笔记本", u8"汽车", u8"相机", u8"电视", u8"空调", u8"冰箱",   u8"洗衣机", u8"耳机",
    u8"手表", u8"自行车", u8"摩托车", u8"房子", u8"装修", u8"家具", u8"沙发", u8"床垫",   u8"旅游",   u8"机票",
    u8"酒店", u8"火车票", u8"英语",   u8"考研", u8"驾照", u8"减肥", u8"瑜伽", u8"健身",   u8"篮球",   u8"足球",
    u8"游戏", u8"小说",   u8"电影",   u8"音乐", u8"歌曲", u8"动漫", u8"美食", u8"火锅",   u8"蛋糕",   u8"咖啡",
    u8"茶叶", u8"红酒",   u8"化妆品", u8"香水", u8"衣服", u8"鞋子", u8"包包", u8"眼镜",   u8"宠物",   u8"狗粮",
    u8"花卉", u8"钢琴",   u8"吉他",   u8"字典", u8"地图", u8"显卡", u8"硬盘", u8"显示器", u8"打印机", u8"路由器"};

constexpr std::array<std::u8string_view, 40> aspects = {
    u8"价格", u8"图片", u8"大全", u8"排行榜", u8"怎么样", u8"多少钱", u8"推荐", u8"官网", u8"下载", u8"报价",
    u8"评测", u8"论坛", u8"品牌", u8"哪个好", u8"维修",   u8"团购",   u8"攻略", u8"视频", u8"教程", u8"技巧",
    u8"型号", u8"参数", u8"配置", u8"专卖店", u8"批发",   u8"租赁",   u8"招聘", u8"培训", u8"加盟", u8"新闻",
    u8"资讯", u8"网站", u8"地址", u8"电话",   u8"价格表", u8"促销",   u8"打折", u8"排名", u8"保养", u8"知识"};

std::uint64_t mixed(std::uint64_t value)
{
    // splitmix64's finaliser: a fixed, well-spread hash.
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

std::uint64_t hashOf(std::string_view bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL; // FNV-1a
    for (unsigned char byte : bytes)
        hash = (hash ^ byte) * 0x100000001B3ULL;
    return hash;
}

} // namespace

SyntheticKeywordGraph::SyntheticKeywordGraph(std::size_t size) : subjectCount_(subjects.size())
{
    const std::size_t full = qualifiers.size() * subjects.size() * aspects.size();
    if (size == 0 || size > full)
        size = full;
    std::vector<std::string>& subjectBytes = subjectBytes_;
    std::vector<std::string> aspectBytes;
    std::vector<std::string> qualifierBytes;
    for (auto word : subjects)
        subjectBytes.push_back(utf8ToGbk(word));
    for (auto word : aspects)
        aspectBytes.push_back(utf8ToGbk(word));
    for (auto word : qualifiers)
        qualifierBytes.push_back(utf8ToGbk(word));

    // Keyword id: subject fastest, then aspect, then qualifier, so that a
    // small graph still mixes subjects.
    keywords_.reserve(size);
    for (std::size_t id = 0; id < size; ++id) {
        const std::size_t subject = id % subjects.size();
        const std::size_t aspect = (id / subjects.size()) % aspects.size();
        const std::size_t qualifier = id / (subjects.size() * aspects.size());
        keywords_.push_back(qualifierBytes[qualifier] + subjectBytes[subject] + aspectBytes[aspect]);
        ids_.emplace(keywords_.back(), id);
    }
}

std::optional<std::vector<std::string>> SyntheticKeywordGraph::relatedSearches(std::string_view query) const
{
    const std::uint64_t perSubject = keywords_.size() / subjectCount_;
    const auto found = ids_.find(std::string(query));
    std::uint64_t id = found != ids_.end() ? found->second : hashOf(query) % keywords_.size();
    if (found == ids_.end() && perSubject > 1) {
        for (std::size_t subject = 0; subject < subjectBytes_.size(); ++subject) {
            if (query.find(subjectBytes_[subject]) != std::string_view::npos) {
                id = (hashOf(query) % perSubject) * subjectCount_ + subject;
                break;
            }
        }
    }
    std::vector<std::string> related;
    for (std::uint64_t j = 0; j < 6; ++j) {
        const std::uint64_t hash = mixed(id * 8 + j);
        std::uint64_t other = hash % keywords_.size();
        if (j < 3 && perSubject > 1)
            other = (hash % perSubject) * subjectCount_ + id % subjectCount_;
        related.push_back(keywords_[other]);
    }
    return related;
}

TableKeywordGraph::TableKeywordGraph(Table table, std::optional<std::vector<std::string>> fallback)
    : table_(std::move(table)), fallback_(std::move(fallback))
{
}

std::optional<std::vector<std::string>> TableKeywordGraph::relatedSearches(std::string_view query) const
{
    const auto found = table_.find(std::string(query));
    return found != table_.end() ? found->second : fallback_;
}

} // namespace kw::engine
