#pragma once
// The state the mining run and the result filter keep between event
// handlers and threads. Each item belongs to one procedure: KeywordList,
// IterationCounter and CandidateSlot to the mining run (of which at most one
// is active), FilterLineList and FilterLineCounter to the filter pass (passes
// take turns through FilterPassTurns). The thread handles live with
// the workers that own the threads.

#include "app/text_list.h"
#include "app/turn_queue.h"

#include <array>
#include <cstdint>

namespace kw {

struct Globals {
    TextList KeywordList;
    std::int32_t IterationCounter = 0;
    std::array<Text, 6> CandidateSlot;
    TextList FilterLineList;
    std::int32_t FilterLineCounter = 0;
    // Guards FilterLineList and FilterLineCounter. A pass joins at its start
    // and touches them only in its turn, after every pass that joined before
    // it has ended, so a reload of FilterWindow never replaces the list under
    // a pass that still reads it.
    TurnQueue FilterPassTurns;
};

// The process's one instance, which exists between initGlobals and
// releaseGlobals.
Globals& globals();
void initGlobals();
// The exit routine; it runs at most once, whatever calls it.
void releaseGlobals();
bool globalsReleased();

} // namespace kw
