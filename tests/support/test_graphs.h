#pragma once
// Keyword graphs that the mining tests serve from the offline engine.

#include "tools/offline_engine/keyword_graph.h"

namespace kw::test {

// Every page holds six related searches that are new: the query with a to f
// appended. The list then grows by six members per searched keyword.
class EverNewGraph final : public engine::KeywordGraph {
public:
    std::optional<std::vector<std::string>> relatedSearches(std::string_view query) const override
    {
        std::vector<std::string> related;
        for (char suffix : std::string("abcdef"))
            related.push_back(std::string(query) + suffix);
        return related;
    }
};

} // namespace kw::test
