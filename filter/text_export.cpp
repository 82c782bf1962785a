#include "filter/text_export.h"

#include "text/gbk_texts.h"
#include "text/system_text.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace kw {

namespace {

constexpr std::string_view TextFileExtension = ".txt";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

enum class ExistingFile { replace, keep };

bool endsWithTextFileExtension(std::string_view name)
{
    if (name.size() < TextFileExtension.size())
        return false;
    const std::string_view tail = name.substr(name.size() - TextFileExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != TextFileExtension[i])
            return false;
    }
    return true;
}

bool failWith(int error, std::string* reason)
{
    if (reason)
        *reason = systemToGbk(std::generic_category().message(error != 0 ? error : EIO));
    return false;
}

bool writeFileAs(std::string_view name, const Bytes& data, ExistingFile existing, std::string* reason)
{
    if (name.empty())
        return failWith(ENOENT, reason);
    // The C library would stop at a NUL and write to a different file.
    if (name.find('\0') != std::string_view::npos)
        return failWith(EINVAL, reason);

    const std::string path = gbkToSystem(name);
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), existing == ExistingFile::replace ? "wb" : "wbx"));
    if (!file)
        return failWith(errno, reason);
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file.get()) != data.size())
        return failWith(errno, reason);
    // A full disk often shows only when the buffer goes out, so both the
    // flush and the close are checked.
    if (std::fflush(file.get()) != 0)
        return failWith(errno, reason);
    if (std::fclose(file.release()) != 0)
        return failWith(errno, reason);
    return true;
}

} // namespace

bool writeFile(std::string_view name, const Bytes& data, std::string* reason)
{
    return writeFileAs(name, data, ExistingFile::replace, reason);
}

void exportText(FormModel& form, WindowRef filterWindow)
{
    // A cancelled dialog ends the export: nothing is written, not even to
    // the path chosen last.
    if (!form.showFileDialog(filterWindow, Control::通用对话框1))
        return;
    const Text chosen = form.readProperty(filterWindow, Control::通用对话框1, TextProperty::fileName);
    if (chosen.empty())
        return;

    // The dialog hands back the final name, already asked about when it
    // exists. Should a name still lack the extension, the file under the
    // completed name was never asked about, so it is created but never
    // replaced.
    const bool extensionAdded = !endsWithTextFileExtension(chosen);
    const Text target = extensionAdded ? concatTexts(chosen, TextFileExtension) : chosen;

    const Bytes data = textToBytes(form.readProperty(filterWindow, Control::编辑框1, TextProperty::text));
    std::string reason;
    if (!writeFileAs(target, data, extensionAdded ? ExistingFile::keep : ExistingFile::replace, &reason))
        form.showMessage(filterWindow, gbk::ExportFailedCaption,
                         concatTexts(gbk::ExportFailedText, target, "\r\n", reason));
}

} // namespace kw
