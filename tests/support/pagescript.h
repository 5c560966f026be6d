#pragma once

#include <QVariant>

class QUrl;
class QWebEnginePage;

// Loads url in page and answers what script gives there, run in the page's own world: invalid
// when the load or the script has not ended within 30 s.
QVariant scriptResultIn(QWebEnginePage& page, const QUrl& url, const QString& script);
