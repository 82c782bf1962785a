#include "app/text_list.h"

#include "app/fatal_error.h"
#include "app/memory.h"
#include "text/gbk_texts.h"

namespace kw {

void TextList::append(std::string_view text)
{
    // Reported as the bytes of the new member plus the slot that holds it.
    withAllocationCheck(text.size() + sizeof(Text), [&] { members_.emplace_back(text); });
}

const Text& TextList::member(std::int32_t position) const
{
    if (position < 1)
        raiseFatalError(4, gbk::IndexBelowOne);
    if (position > count())
        raiseFatalError(1, gbk::IndexAboveRange);
    return members_[static_cast<std::size_t>(position - 1)];
}

void TextList::release()
{
    std::vector<Text>().swap(members_);
}

std::int32_t listCount(const TextList& list)
{
    return list.count();
}

void listAppend(TextList& list, std::string_view text)
{
    list.append(text);
}

Text listMember(const TextList& list, std::int32_t position)
{
    const Text& member = list.member(position);
    return withAllocationCheck(member.size(), [&] { return member; });
}

void listRelease(TextList& list)
{
    list.release();
}

} // namespace kw
