#include "mining/mining_run.h"

#include "mining/fetch.h"
#include "mining/related_searches.h"
#include "mining/result_box.h"
#include "mining/search_url.h"
#include "text/gbk_texts.h"

namespace kw {

namespace {

inline constexpr std::int32_t IterationLimit = 10000;

struct Page {
    Text text;
    bool fetchFailed = false;
};

// An empty keyword is never searched for: the engine would answer with its
// home page, whose links are not related searches.
Page requestPage(const MiningRunContext& context, const Text& keyword)
{
    if (keyword.empty())
        return {};
    FetchResult fetched = fetchPage(searchUrl(context.searchUrlPrefix, keyword), context.stop, context.fetchLimits);
    return {bytesToText(fetched.body), fetched.failed};
}

Text statusLine(const Text& keyword, std::int32_t iteration, std::int32_t memberCount)
{
    return concatTexts(gbk::StatusKeyword, keyword, gbk::StatusIteration, intToText(iteration), gbk::StatusMemberCount,
                       intToText(memberCount));
}

Text finalStatus(bool paused, std::int32_t failedFetches)
{
    const std::string_view state = paused ? gbk::StatusPaused : gbk::StatusFinished;
    if (failedFetches == 0)
        return Text(state);
    return concatTexts(state, gbk::FailedFetchesOpen, intToText(failedFetches), gbk::FailedFetchesClose);
}

} // namespace

void MiningRun(const MiningRunContext& context)
{
    FormModel& form = context.form;
    Globals& globals = context.globals;
    // The run addresses the loading of MainWindow it was started from; once
    // that is gone, its reads come back empty and its writes are dropped.
    const std::uint64_t instance = form.loadedInstance(Window::MainWindow);
    if (instance == 0)
        return;
    const WindowRef mainWindow{Window::MainWindow, instance};

    listAppend(globals.KeywordList, form.readProperty(mainWindow, Control::编辑框1, TextProperty::text));
    form.writeProperty(mainWindow, Control::编辑框2, FlagProperty::disabled, true);

    ResultBox resultBox(form, mainWindow);
    Text keyword;
    std::int32_t failedFetches = 0;
    for (std::int32_t i = 1;; ++i) {
        globals.IterationCounter = i;
        if (i > IterationLimit)
            break;
        if (compareTexts(form.readProperty(mainWindow, Control::按钮2, TextProperty::caption), gbk::RunningCaption) !=
            0)
            break;
        // At shutdown the run ends without another word to the windows,
        // which may be waiting for this thread to end.
        if (context.stop.stop_requested())
            return;

        const Page page = requestPage(context, keyword);
        if (context.stop.stop_requested())
            return;
        if (page.fetchFailed)
            ++failedFetches;

        form.writeProperty(mainWindow, Control::标签1, TextProperty::caption,
                           statusLine(keyword, i, listCount(globals.KeywordList)));

        const RelatedSearches candidates = extractRelatedSearches(page.text);
        for (std::size_t j = 0; j < candidates.size(); ++j) {
            globals.CandidateSlot[j] = candidates[j];
            const Text& candidate = globals.CandidateSlot[j];
            // A bare line break would be an empty line and an empty keyword.
            if (candidate == LineBreak)
                continue;
            const Text required = form.readProperty(mainWindow, Control::编辑框3, TextProperty::text);
            if (findText(candidate, required) == -1)
                continue;
            // Reads the box as it stands now, but copies it only when
            // something else than this run's appends changed it.
            if (resultBox.holdsLine(candidate))
                continue;
            listAppend(globals.KeywordList, candidate);
            resultBox.append(candidate);
        }

        const std::int32_t memberCount = listCount(globals.KeywordList);
        // Exhausted: every member has been searched for. The list can hold
        // fewer than i members only at i = 2, when nothing at all was
        // accepted; that too means there is nothing left to search for.
        if ((memberCount == i && i != 1) || memberCount < i)
            break;
        keyword = listMember(globals.KeywordList, i);
    }

    const bool paused =
        compareTexts(form.readProperty(mainWindow, Control::按钮2, TextProperty::caption), gbk::PausedCaption) == 0;
    form.writeProperty(mainWindow, Control::标签1, TextProperty::caption, finalStatus(paused, failedFetches));
    if (!paused)
        form.writeProperty(mainWindow, Control::编辑框2, FlagProperty::disabled, false);
}

} // namespace kw
