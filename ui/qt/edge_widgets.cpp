#include "ui/qt/edge_widgets.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace kw {

namespace {

// Marks the program's own changes of a box for the duration of a scope.
class ProgramChange {
public:
    explicit ProgramChange(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~ProgramChange() { flag_ = previous_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;

private:
    bool& flag_;
    bool previous_;
};

// Reports the input events that may change an edit box's text, before the
// box handles them.
class UserInputWatch final : public QObject {
public:
    UserInputWatch(QWidget* receiver, std::function<void()> report) : QObject(receiver), report_(std::move(report))
    {
        receiver->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::DragEnter:
        case QEvent::Drop:
        case QEvent::ContextMenu:
            report_();
            break;
        default:
            break;
        }
        return false;
    }

private:
    std::function<void()> report_;
};

} // namespace

void EdgeControl::watchUserInput(QWidget* receiver)
{
    new UserInputWatch(receiver, [this] {
        if (beforeInput_)
            beforeInput_();
    });
}

QString literalAmpersands(QString shown)
{
    return shown.replace(QChar('&'), QStringLiteral("&&"));
}

// --- EdgeLineEdit -------------------------------------------------------

EdgeLineEdit::EdgeLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(std::numeric_limits<int>::max());
    watchUserInput(this);
    // textEdited comes only from the user (typing, pasting, undo), never from setText.
    connect(this, &QLineEdit::textEdited, this, [this] {
        edge_.userEdited();
        reportUserEdit();
    });
}

Text EdgeLineEdit::readText() const
{
    return edge_.isUserEdited() ? edge_.read(text()) : edge_.bytes();
}

void EdgeLineEdit::writeText(std::string_view bytes)
{
    setText(edge_.assign(bytes));
    setCursorPosition(0);
}

bool EdgeLineEdit::appendText(std::string_view bytes)
{
    const QString piece = edge_.append(bytes, edge_.isUserEdited() ? text() : QString());
    // setText leaves no undo record; the caret goes to the end.
    setText(text() + piece);
    return true;
}

// --- EdgePlainTextEdit --------------------------------------------------

EdgePlainTextEdit::EdgePlainTextEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    watchUserInput(this);
    watchUserInput(viewport());
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (programChanging_)
            return;
        edge_.userEdited();
        reportUserEdit();
    });
}

QString EdgePlainTextEdit::shownIfEdited() const
{
    return edge_.isUserEdited() ? toPlainText() : QString();
}

Text EdgePlainTextEdit::readText() const
{
    return edge_.isUserEdited() ? edge_.read(toPlainText()) : edge_.bytes();
}

void EdgePlainTextEdit::writeText(std::string_view bytes)
{
    ProgramChange change(programChanging_);
    setPlainText(edge_.assign(bytes));
}

bool EdgePlainTextEdit::appendText(std::string_view bytes)
{
    ProgramChange change(programChanging_);
    const QString piece = edge_.append(bytes, shownIfEdited());

    QTextCursor caret = textCursor();
    caret.movePosition(QTextCursor::End, QTextCursor::MoveAnchor);
    setTextCursor(caret);
    ensureCursorVisible();

    QTextDocument* text = document();
    // Switching undo off clears the undo history, so neither this insertion
    // nor what came before it can be undone past it.
    text->setUndoRedoEnabled(false);
    caret.insertText(piece);
    text->setUndoRedoEnabled(true);
    setTextCursor(caret);
    ensureCursorVisible();
    return true;
}

// --- CaptionLabel -------------------------------------------------------

CaptionLabel::CaptionLabel(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CaptionLabel::writeText(std::string_view bytes)
{
    shown_ = edge_.assign(bytes);
    update();
}

void CaptionLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.setFont(font());
    // No Qt::TextShowMnemonic: '&' is drawn as it is. The painter clips to
    // the rectangle, so a caption that does not fit is cut off.
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown_);
}

// --- CaptionButton ------------------------------------------------------

CaptionButton::CaptionButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void CaptionButton::writeText(std::string_view bytes)
{
    setText(literalAmpersands(edge_.assign(bytes)));
}

// --- CaptionGroupBox ----------------------------------------------------

CaptionGroupBox::CaptionGroupBox(QWidget* parent) : QGroupBox(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void CaptionGroupBox::writeText(std::string_view bytes)
{
    setTitle(literalAmpersands(edge_.assign(bytes)));
}

} // namespace kw
