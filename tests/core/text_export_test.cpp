// Saving FilterWindow's box through the save dialog: the bytes on disk, the
// name the file gets, a cancelled dialog, and a failure the user is told of.
#include "filter/text_export.h"

#include "support/temporary_folder.h"
#include "text/gbk_texts.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace kw {
namespace {

using test::fileBytes;
using test::putFile;
using test::TemporaryFolder;

// GBK for 关键词 and 工具, a byte of each end of the lead range, and a lone
// CR and LF, all of which must reach the file unchanged.
constexpr std::string_view GbkLines = "\xb9\xd8\xbc\xfc\xb4\xca\r\n\xb9\xa4\xbe\xdf"
                                      "1\r\n\x81\x40\xfe\xfe\r\nx\ry\nz\r\n";

std::string systemReason(int error)
{
    return std::generic_category().message(error);
}

Text failureText(const std::string& target, int error)
{
    return concatTexts(gbk::ExportFailedText, target, "\r\n", systemReason(error));
}

class TextExportTest : public ::testing::Test {
protected:
    TextExportTest()
    {
        form.loadWindow(Window::FilterWindow, false);
        filterWindow = {Window::FilterWindow, form.loadedInstance(Window::FilterWindow)};
        form.setObserver([this](const HeadlessFormModel::Record& r) {
            if (r.operation == HeadlessFormModel::Operation::message)
                messageOwners.push_back(r.window);
        });
    }

    void setBox(std::string_view text) { form.userSetText(Window::FilterWindow, Control::编辑框1, text); }

    // Clicks 导出文本 with the dialog answering `chosen`, or cancelled.
    void exportAs(std::optional<std::string> chosen)
    {
        form.setNextFileDialogAnswer(std::move(chosen));
        exportText(form, filterWindow);
    }

    Text dialogFileName() { return form.readProperty(filterWindow, Control::通用对话框1, TextProperty::fileName); }

    HeadlessFormModel form;
    WindowRef filterWindow{Window::FilterWindow};
    std::vector<Window> messageOwners;
    TemporaryFolder folder;
};

TEST_F(TextExportTest, WritesTheBoxByteForByteAndSaysNothing)
{
    setBox(GbkLines);
    exportAs(folder / "result");
    EXPECT_EQ(fileBytes(folder / "result.txt"), std::string(GbkLines));
    EXPECT_EQ(dialogFileName(), folder / "result");
    EXPECT_TRUE(form.messages().empty());
}

TEST_F(TextExportTest, AnEmptyBoxGivesAnEmptyFileAlsoInPlaceOfAnOldOne)
{
    exportAs(folder / "new.txt");
    EXPECT_EQ(fileBytes(folder / "new.txt"), "");

    putFile(folder / "old.txt", "old contents\r\n");
    exportAs(folder / "old.txt");
    EXPECT_EQ(fileBytes(folder / "old.txt"), "");
    EXPECT_TRUE(form.messages().empty());
}

TEST_F(TextExportTest, AddsTheExtensionOnlyToANameWithoutIt)
{
    const struct {
        const char* chosen;
        const char* written;
    } cases[] = {
        {"a", "a.txt"},
        {"a.txt", "a.txt"},
        {"a.TXT", "a.TXT"},
        {"a.Txt", "a.Txt"},
        {"a.tx", "a.tx.txt"},
        {"atxt", "atxt.txt"},
        {"a.txt.bak", "a.txt.bak.txt"},
        {"a.txt ", "a.txt .txt"},
    };
    setBox("line\r\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        TemporaryFolder own;
        exportAs(own / c.chosen);
        EXPECT_EQ(own.entries(), std::set<std::string>{c.written});
        EXPECT_EQ(fileBytes(own / c.written), "line\r\n");
    }
    EXPECT_TRUE(form.messages().empty());
}

// The dialog's name is GBK like every text of the program; the file system
// names files in UTF-8, so 结果 must arrive there as 结果, not as its GBK bytes.
TEST_F(TextExportTest, AGbkNameBecomesTheSystemsName)
{
    setBox("line\r\n");
    exportAs(folder / "\xbd\xe1\xb9\xfb");                                              // 结果 in GBK
    EXPECT_EQ(folder.entries(), std::set<std::string>{"\xe7\xbb\x93\xe6\x9e\x9c.txt"}); // 结果.txt in UTF-8
    EXPECT_TRUE(form.messages().empty());
}

// The dialog asked before handing back an existing name with the extension.
TEST_F(TextExportTest, AChosenExistingFileIsReplaced)
{
    putFile(folder / "old.txt", "old contents\r\n");
    setBox("new\r\n");
    exportAs(folder / "old.txt");
    EXPECT_EQ(fileBytes(folder / "old.txt"), "new\r\n");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"old.txt"});
}

// Nobody was asked about the file under the completed name, so an existing
// one stays as it is and the user is told why nothing was saved.
TEST_F(TextExportTest, ACompletedNameNeverReplacesAnExistingFile)
{
    putFile(folder / "a.txt", "keep\r\n");
    setBox("new\r\n");
    exportAs(folder / "a");
    EXPECT_EQ(fileBytes(folder / "a.txt"), "keep\r\n");
    EXPECT_EQ(form.messages(), (std::vector<std::pair<Text, Text>>{
                                   {Text(gbk::ExportFailedCaption), failureText(folder / "a.txt", EEXIST)}}));
}

// Runs the test in the folder, so that a file written under a relative name
// such as ".txt" would land there.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous_;
};

TEST_F(TextExportTest, ACancelledDialogWritesNothing)
{
    WorkingFolder inFolder(folder.path());
    setBox("first\r\n");
    exportAs(std::nullopt);
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(dialogFileName(), "");

    exportAs(""); // a dialog confirming no name at all counts as cancelled
    EXPECT_TRUE(folder.entries().empty());

    exportAs(folder / "a");
    setBox("second\r\n");
    exportAs(std::nullopt);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"a.txt"});
    EXPECT_EQ(fileBytes(folder / "a.txt"), "first\r\n");
    EXPECT_EQ(dialogFileName(), folder / "a");
    EXPECT_TRUE(form.messages().empty());
}

TEST_F(TextExportTest, AFailedExportIsReportedOnTheFilterWindow)
{
    std::filesystem::create_directory(folder / "taken.txt");
    const bool haveFullDevice = std::filesystem::exists("/dev/full");
    if (haveFullDevice)
        std::filesystem::create_symlink("/dev/full", folder / "full.txt");
    const struct {
        const char* what;
        std::string chosen;
        std::string target;
        int error;
    } cases[] = {
        {"a folder that does not exist", folder / "missing/a", folder / "missing/a.txt", ENOENT},
        {"a folder in place of the file", folder / "taken.txt", folder / "taken.txt", EISDIR},
        {"a device that takes no bytes", folder / "full.txt", folder / "full.txt", ENOSPC},
    };
    setBox(GbkLines);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.error == ENOSPC && !haveFullDevice)
            continue;
        const std::size_t shownBefore = form.messages().size();
        exportAs(c.chosen);
        const auto shown = form.messages();
        ASSERT_EQ(shown.size(), shownBefore + 1);
        EXPECT_EQ(shown.back().first, gbk::ExportFailedCaption);
        EXPECT_EQ(shown.back().second, failureText(c.target, c.error));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    EXPECT_EQ(messageOwners, std::vector<Window>(form.messages().size(), Window::FilterWindow));
}

TEST(WriteFile, WritesEveryByteIncludingNul)
{
    TemporaryFolder folder;
    const std::string bytes("a\0b\r\n\xff", 6);
    std::string reason = "untouched";
    EXPECT_TRUE(writeFile(folder / "f", Bytes(bytes), &reason));
    EXPECT_EQ(fileBytes(folder / "f"), bytes);
    EXPECT_TRUE(writeFile(folder / "f", Bytes()));
    EXPECT_EQ(fileBytes(folder / "f"), "");
}

TEST(WriteFile, RefusesNamesThatNameNoFileOfTheirOwn)
{
    TemporaryFolder folder;
    std::string reason;
    EXPECT_FALSE(writeFile("", Bytes("x"), &reason));
    EXPECT_EQ(reason, systemReason(ENOENT));

    // Cut at the NUL, the name would open a different file.
    const std::string withNul = (folder / "a") + std::string(1, '\0') + "b";
    EXPECT_FALSE(writeFile(withNul, Bytes("x"), &reason));
    EXPECT_EQ(reason, systemReason(EINVAL));
    EXPECT_TRUE(folder.entries().empty());
}

TEST(WriteFile, ReportsBytesThatCouldNotBeWritten)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    std::string reason;
    EXPECT_FALSE(writeFile("/dev/full", Bytes("x"), &reason));
    EXPECT_EQ(reason, systemReason(ENOSPC));
}

} // namespace
} // namespace kw
