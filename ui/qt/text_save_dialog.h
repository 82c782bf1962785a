#pragma once
// The save dialog of FilterWindow's dialog control: Qt's own file dialog with
// the control's filter, proposing the last chosen path, accepting names of
// files that do not exist yet. A chosen name without the ".txt" extension
// (ASCII, any case) gets it added before the dialog checks for an existing
// file, so its question before replacing covers the name that is written.

#include <QFileDialog>
#include <QLineEdit>

#include <string_view>

namespace kw {

// "description|pattern|description|pattern..." in Qt's form, one filter per
// pair, patterns separated by spaces instead of ';'.
QStringList qtNameFilters(std::string_view pairs);

class TextSaveDialog final : public QFileDialog {
public:
    TextSaveDialog(QWidget* owner, const QStringList& nameFilters, const QString& proposedPath);

    QLineEdit* fileNameEdit() const;
    // What a user does: types the name and presses Save.
    void typeAndAccept(const QString& name);

    void accept() override;
};

} // namespace kw
