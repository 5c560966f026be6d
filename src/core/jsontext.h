#pragma once

#include <QString>

class QJsonValue;

// A value as JSON text: a string as its literal (how text travels into a page's script, never as
// script text itself), an object or array as it is written.
QString jsonText(const QJsonValue& value);
