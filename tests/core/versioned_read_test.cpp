// readPropertyIfChanged on the headless form model.
#include "support/versioned_read_contract.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

TEST(HeadlessVersionedRead, KeepsEveryPromise)
{
    HeadlessFormModel form;
    form.loadWindow(Window::MainWindow, false);
    const std::string broken = test::versionedReadContract(
        form,
        [&] {
            form.userSetText(Window::MainWindow, Control::编辑框2, "typed");
            return Text("typed");
        },
        [&] { form.userClose(Window::MainWindow); }, [&] { form.loadWindow(Window::MainWindow, false); });
    EXPECT_EQ(broken, "");
}

} // namespace
} // namespace kw
