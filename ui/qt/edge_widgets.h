#pragma once
// The controls of the designs as Qt widgets. Each keeps the bytes the program
// gave it in an EdgeText, so that what the program writes reads back byte
// for byte until the user edits the control.

#include "text/gbk_edge.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>

namespace kw {

// Text access shared by every control kind that holds a text.
class EdgeControl {
public:
    virtual ~EdgeControl() = default;
    virtual Text readText() const = 0;
    virtual void writeText(std::string_view bytes) = 0;
    // Only edit boxes take appended text; false for the others.
    virtual bool appendText(std::string_view) { return false; }

    // Edit boxes report the user's input: beforeInput before an input event
    // that may change the text is handled (so that the box can first show
    // every change the program has made), edited after the user changed it.
    void setUserInputReports(std::function<void()> beforeInput, std::function<void()> edited)
    {
        beforeInput_ = std::move(beforeInput);
        edited_ = std::move(edited);
    }

protected:
    // Watches receiver (the box, or the viewport that gets its mouse) for
    // the user's input.
    void watchUserInput(QWidget* receiver);
    void reportUserEdit()
    {
        if (edited_)
            edited_();
    }

private:
    std::function<void()> beforeInput_;
    std::function<void()> edited_;
};

// Qt reads '&' in button, group box and menu texts as a mnemonic mark; the
// program's texts show it literally.
QString literalAmpersands(QString shown);

// A single-line edit box: scrolls sideways, no length limit.
class EdgeLineEdit final : public QLineEdit, public EdgeControl {
public:
    explicit EdgeLineEdit(QWidget* parent);
    Text readText() const override;
    void writeText(std::string_view bytes) override;
    bool appendText(std::string_view bytes) override;

private:
    EdgeText edge_{LineBreaks::single};
};

// A multi-line edit box: wraps at its width, vertical scroll bar only, Tab
// moves the focus on.
class EdgePlainTextEdit final : public QPlainTextEdit, public EdgeControl {
public:
    explicit EdgePlainTextEdit(QWidget* parent);
    Text readText() const override;
    void writeText(std::string_view bytes) override;
    // Caret to the end with the selection dropped, the end scrolled into
    // view, then the text inserted without an undo record. Works on a
    // disabled box.
    bool appendText(std::string_view bytes) override;

private:
    QString shownIfEdited() const;

    EdgeText edge_{LineBreaks::multi};
    bool programChanging_ = false; // textChanged from the program's own change is no user edit
};

// A label: one line, left-aligned and vertically centred, cut off where it
// does not fit (no wrap, no elision mark); a line break shows as a space and
// '&' as itself.
class CaptionLabel final : public QWidget, public EdgeControl {
public:
    explicit CaptionLabel(QWidget* parent);
    Text readText() const override { return edge_.bytes(); }
    void writeText(std::string_view bytes) override;
    QString shownText() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EdgeText edge_{LineBreaks::single};
    QString shown_;
};

class CaptionButton final : public QPushButton, public EdgeControl {
public:
    explicit CaptionButton(QWidget* parent);
    Text readText() const override { return edge_.bytes(); }
    void writeText(std::string_view bytes) override;

private:
    EdgeText edge_{LineBreaks::single};
};

class CaptionGroupBox final : public QGroupBox, public EdgeControl {
public:
    explicit CaptionGroupBox(QWidget* parent);
    Text readText() const override { return edge_.bytes(); }
    void writeText(std::string_view bytes) override;

private:
    EdgeText edge_{LineBreaks::single};
};

} // namespace kw
