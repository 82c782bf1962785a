#pragma once
// What the offline engine knows: for a query, the related searches its
// result page shows. Keywords are GBK bytes.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kw::engine {

class KeywordGraph {
public:
    virtual ~KeywordGraph() = default;
    // The related searches of the query's result page, in order; nullopt
    // for a page without a related-searches block.
    virtual std::optional<std::vector<std::string>> relatedSearches(std::string_view query) const = 0;
};

// A deterministic graph over keywords made of a qualifier, a subject and an
// aspect ("最新" "手机" "价格"). Every keyword has six related searches, three
// about the same subject and three anywhere in the graph; the choice is a
// fixed hash, so every run of the engine serves the same pages. A query the
// graph does not hold (a typed seed) is hashed onto one of its keywords, one
// about the same subject when the query names one ("手机" gets pages about
// phones). A
// graph of a few keywords runs out quickly; the full one (60000 keywords)
// keeps a 10000-search run going.
class SyntheticKeywordGraph final : public KeywordGraph {
public:
    // size 0, or any size above the vocabulary's, means the full graph.
    explicit SyntheticKeywordGraph(std::size_t size = 0);

    std::size_t size() const { return keywords_.size(); }
    const std::string& keyword(std::size_t id) const { return keywords_.at(id); }
    std::optional<std::vector<std::string>> relatedSearches(std::string_view query) const override;

private:
    std::size_t subjectCount_ = 0;
    std::vector<std::string> subjectBytes_;
    std::vector<std::string> keywords_;
    std::unordered_map<std::string, std::size_t> ids_;
};

// A graph written out as a table, for tests that need exact pages.
class TableKeywordGraph final : public KeywordGraph {
public:
    using Table = std::map<std::string, std::optional<std::vector<std::string>>>;
    // Queries missing from the table get the fallback.
    explicit TableKeywordGraph(Table table,
                               std::optional<std::vector<std::string>> fallback = std::vector<std::string>{});

    std::optional<std::vector<std::string>> relatedSearches(std::string_view query) const override;

private:
    Table table_;
    std::optional<std::vector<std::string>> fallback_;
};

} // namespace kw::engine
