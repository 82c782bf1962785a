#pragma once
// The lines of the result box, held so that the duplicate test looks a
// keyword up instead of searching the whole box for it. For the same text,
// holds() answers exactly what isLineOfBox answers.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace kw {

class ResultLineIndex {
public:
    // Forgets what it held and takes the lines of text.
    void rebuild(std::string_view text);
    // The box's text grew by text at its end. A line that the box did not
    // end yet (no CR LF after it) goes on with text.
    void append(std::string_view text);
    // isLineOfBox(the text held, keyword).
    bool holds(std::string_view keyword) const;

private:
    void takeLinesFrom(std::size_t scanFrom);
    std::string_view unfinishedLine() const { return std::string_view(text_).substr(unfinishedFrom_); }

    // Looks lines up by view, without a copy.
    struct LineHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view line) const { return std::hash<std::string_view>{}(line); }
    };

    std::string text_;
    // Every piece of text_ that a CR LF ends.
    std::unordered_set<std::string, LineHash, std::equal_to<>> lines_;
    // Where the piece after the last CR LF begins; that piece, even when
    // empty, is a line too, the one that appends go on with.
    std::size_t unfinishedFrom_ = 0;
};

} // namespace kw
