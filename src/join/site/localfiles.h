#pragma once

#include <QWebEngineUrlRequestInterceptor>

// What a local page (a file: address in the list) may read of the user's files: its stylesheets
// (.css) and fonts, each a file of at most 16 MB, so that it shows as it would in a browser, and
// nothing else. Its scripts can fetch no file, frame none, and lead the page to none; its images
// are not read here (a copy takes them from its own folder or below). The one file: page that
// loads is the address the run itself loads.
class LocalFiles : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
