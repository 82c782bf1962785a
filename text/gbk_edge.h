#pragma once
// The one place where Text (GBK bytes) meets the toolkit's strings.
//
// Conversion alone cannot give back every byte string: bytes that are not
// valid GBK, and bare CR or LF, have no faithful display form. A control
// therefore keeps the bytes the program gave it in an EdgeText; reads return
// those bytes until the user edits the control, and only then is the shown
// string converted back.

#include "text/text.h"

#include <QString>

namespace kw {

enum class LineBreaks { single, multi };

// GBK bytes to a display string. In a multi-line box CR LF, and a bare CR or
// LF, start a new line; in a single-line control they are shown as spaces.
QString gbkToDisplay(std::string_view text, LineBreaks breaks);
// A display string back to GBK bytes; in a multi-line box each line break
// becomes CR LF. Characters GBK cannot hold become '?'.
Text displayToGbk(const QString& shown, LineBreaks breaks);

class EdgeText {
public:
    explicit EdgeText(LineBreaks breaks) : breaks_(breaks) {}

    // The program replaces the content; returns the string to show.
    QString assign(std::string_view bytes);
    // The program appends; returns the string to add to what is shown.
    // `shown` is the control's current string, used when the user has
    // edited it since the program last wrote it.
    QString append(std::string_view bytes, const QString& shown);
    // What the control holds now, as bytes.
    Text read(const QString& shown) const;
    // The size in bytes of what read() would give, without copying it.
    std::size_t size(const QString& shown) const;

    // The user changed the shown string: from now on it is the truth.
    void userEdited() { userEdited_ = true; }
    bool isUserEdited() const { return userEdited_; }
    // Direct access to the held bytes while they are the truth.
    const Text& bytes() const { return bytes_; }

private:
    LineBreaks breaks_;
    Text bytes_;
    bool userEdited_ = false;
};

} // namespace kw
