#pragma once
// Saving FilterWindow's 编辑框1 as a GBK text file.

#include "text/text.h"
#include "ui/form_model.h"

#include <string>

namespace kw {

// The click handler of FilterWindow's 按钮1 (GUI thread).
void exportText(FormModel& form, WindowRef filterWindow);

// Creates or truncates the file and writes all of data. On failure returns
// false and, when asked, the system's reason.
bool writeFile(std::string_view name, const Bytes& data, std::string* reason = nullptr);

} // namespace kw
