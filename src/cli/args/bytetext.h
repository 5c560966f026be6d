#pragma once

#include <QByteArrayView>
#include <QString>

namespace cli {

// Arguments and list files need not be valid UTF-8. Their text keeps every byte outside a valid
// UTF-8 sequence as a lone surrogate, U+DC00 plus the byte, which no valid text holds; so a file
// name comes back as the very bytes given, and an address that is not UTF-8 is told apart from
// one that is.
QString textOfBytes(QByteArrayView bytes);
QByteArray bytesOfText(QStringView text);
bool hasKeptBytes(QStringView text);

// The text as the terminal may show it: control characters, which could move the cursor or
// rewrite the screen, and kept bytes are written as escapes (\x1B, \u009B, \xE9).
QString shownText(QStringView text);

} // namespace cli
