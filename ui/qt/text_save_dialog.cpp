#include "ui/qt/text_save_dialog.h"

#include "text/gbk_edge.h"

#include <QFileInfo>

namespace kw {

QStringList qtNameFilters(std::string_view pairs)
{
    const QStringList parts = gbkToDisplay(pairs, LineBreaks::single).split(QChar('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QChar(';'), QChar(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QChar(')');
    }
    return filters;
}

TextSaveDialog::TextSaveDialog(QWidget* owner, const QStringList& nameFilters, const QString& proposedPath)
    : QFileDialog(owner)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::HideNameFilterDetails);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(nameFilters);
    if (!nameFilters.isEmpty())
        selectNameFilter(nameFilters.first());
    // Only the owner window is blocked: the tray menu and the other window
    // keep working while the dialog is open.
    setWindowModality(Qt::WindowModal);
    if (!proposedPath.isEmpty())
        selectFile(proposedPath);
}

QLineEdit* TextSaveDialog::fileNameEdit() const
{
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

void TextSaveDialog::typeAndAccept(const QString& name)
{
    if (QLineEdit* edit = fileNameEdit())
        edit->setText(name);
    accept();
}

void TextSaveDialog::accept()
{
    QLineEdit* edit = fileNameEdit();
    const QStringList chosen = selectedFiles();
    if (edit && !edit->text().isEmpty() && !chosen.isEmpty()) {
        const QString& path = chosen.first();
        if (!QFileInfo(path).isDir() && !path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
            edit->setText(edit->text() + QStringLiteral(".txt"));
    }
    QFileDialog::accept();
}

} // namespace kw
