#pragma once
// An ordered, growable list of Text members at positions 1 to count. It owns
// its members; appending stores a copy. Members are only ever added at the
// end; a list that has to change otherwise is replaced by a new one.

#include "text/text.h"

#include <cstdint>
#include <vector>

namespace kw {

class TextList {
public:
    std::int32_t count() const { return static_cast<std::int32_t>(members_.size()); }
    void append(std::string_view text);
    // Raises fatal error 4 below position 1 and 1 past the end, in that order.
    const Text& member(std::int32_t position) const;
    void release();

    // Plain access for callers that only walk the list.
    const std::vector<Text>& members() const { return members_; }

private:
    std::vector<Text> members_;
};

std::int32_t listCount(const TextList& list);
void listAppend(TextList& list, std::string_view text);
Text listMember(const TextList& list, std::int32_t position);
void listRelease(TextList& list);

} // namespace kw
