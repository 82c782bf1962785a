#include "text/gbk_edge.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kw {

namespace {

// The codec objects carry state between calls; one per thread keeps
// conversions on different threads apart.
QStringDecoder& decoder()
{
    thread_local QStringDecoder instance("GBK", QStringConverter::Flag::Stateless);
    return instance;
}

QStringEncoder& encoder()
{
    thread_local QStringEncoder instance("GBK", QStringConverter::Flag::Stateless);
    return instance;
}

} // namespace

QString gbkToDisplay(std::string_view text, LineBreaks breaks)
{
    QString shown = decoder().decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    const QChar lineBreak = breaks == LineBreaks::multi ? QChar('\n') : QChar(' ');
    shown.replace(QStringLiteral("\r\n"), QString(lineBreak));
    shown.replace(QChar('\r'), lineBreak);
    if (breaks == LineBreaks::single)
        shown.replace(QChar('\n'), lineBreak);
    return shown;
}

Text displayToGbk(const QString& shown, LineBreaks breaks)
{
    QString source = shown;
    // Widgets report paragraph and line separators in their own way.
    source.replace(QChar::ParagraphSeparator, QChar('\n'));
    source.replace(QChar::LineSeparator, QChar('\n'));
    if (breaks == LineBreaks::multi)
        source.replace(QChar('\n'), QStringLiteral("\r\n"));
    const QByteArray bytes = encoder().encode(source);
    Text text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    // A Text holds no NUL; the user cannot type one, but a paste might.
    std::erase(text, '\0');
    return text;
}

QString EdgeText::assign(std::string_view bytes)
{
    bytes_.assign(bytes);
    userEdited_ = false;
    return gbkToDisplay(bytes_, breaks_);
}

QString EdgeText::append(std::string_view bytes, const QString& shown)
{
    if (userEdited_) {
        bytes_ = displayToGbk(shown, breaks_);
        userEdited_ = false;
    }
    // A CR LF split across two appends must still show as one break: decode
    // the appended piece together with the byte before it when that is a CR.
    const bool joinsBreak = !bytes_.empty() && bytes_.back() == '\r' && !bytes.empty() && bytes.front() == '\n';
    bytes_.append(bytes);
    return gbkToDisplay(joinsBreak ? bytes.substr(1) : bytes, breaks_);
}

Text EdgeText::read(const QString& shown) const
{
    return userEdited_ ? displayToGbk(shown, breaks_) : bytes_;
}

std::size_t EdgeText::size(const QString& shown) const
{
    return userEdited_ ? displayToGbk(shown, breaks_).size() : bytes_.size();
}

} // namespace kw
