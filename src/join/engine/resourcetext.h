#pragma once

#include <QString>

namespace join {

// The text of a file compiled into the program: a page-side script, a style sheet.
QString resourceText(const QString& path);

} // namespace join
