#pragma once

#include "join/engine/enginehost.h"
#include "join/engine/loadwatch.h"

#include <QPointer>
#include <QTimer>

class PageReadiness;
class QWebEngineView;

namespace join {
struct Readiness;
}

// The site browser: loads each listed address like an ordinary desktop browser would, in a
// 1280 x 720 viewport, and reads the loaded page.
class SiteBrowser : public EngineHost
{
    Q_OBJECT
public:
    explicit SiteBrowser(QWidget* parent = nullptr, QWebEngineProfile* sharedProfile = nullptr);
    ~SiteBrowser() override;

    // Starts loading an address as a user would type it into a browser's address bar: a bare host
    // name or a local path is fixed up the browser's way. Only what a page can be is loaded (http,
    // https, file, data, about:blank); any other address throws AppError and loads nothing.
    void navigate(const QString& address);

    // Marks the page shown now as copied already: it is no page of the run about to start.
    void markCurrentPageCopied(std::chrono::milliseconds bound);
    // The loaded page's text as the copy script makes it (it answers { markup: text }, 'nobody'
    // for a document without a body, 'stale' for a page copied before), read once per page.
    // Throws AppError when the document has no body, or when the load gave no new document (a
    // download, an aborted load), so that a page is never copied twice, or when the page's
    // renderer ended before it was read, or when the answer is none of these. A page whose
    // renderer does not answer at once, or whose copy does not answer within the bound (a script
    // that never yields), has its renderer ended, so that the next address does not queue behind
    // it.
    QString copyPage(const QString& copyScript, std::chrono::milliseconds bound);
    // What copyPage does first: runs the event loop until the page is ready to copy and checks
    // that it answers, for scripts that must see it as it is copied (its look, its formulas) and
    // run ahead of the copy. Throws as copyPage does.
    void readyToCopy();
    // Leaves a copied page: nothing it does from now on (timers, redirects, a refresh) runs or
    // costs anything. One that does not leave within a short grace (held by its scripts) has its
    // renderer ended before the next address loads.
    void leavePage();
    // Makes each page ready as readiness asks before it is copied, within pageBound of its
    // navigate(). Set once, before the first page. Whatever it asks, a page has had its first
    // frames when it is copied (unset, a page has no time for them).
    void setReadiness(const join::Readiness& readiness, std::chrono::milliseconds pageBound);

    // Why the latest address gave no proper page (its load failed, it was a download, the page
    // did not answer its copy), empty when it did. A cancelled load may yet turn out to have been
    // a download: that is waited for, briefly.
    QString loadFailure();
    // Where the latest load ended (after redirects), and its HTTP status (0: none); once the page
    // has been copied, those of the load it copied.
    QUrl loadedUrl() const { return m_lastLoad.url(); }
    int httpStatus() const { return m_lastLoad.httpStatus(); }

protected:
    void configure(EnginePage& page) override;

private:
    void showOffScreen();
    // Waits for the page left after its copy to be replaced by a blank page.
    void reachBlankPage();
    // Ends the renderer that served the pages so far, unless it serves another site browser too;
    // the next load starts a new one.
    void renewRenderer();
    // Loads the blank page a copied page is left for, in a renderer just ended (a new one).
    void loadBlankPage();
    // The script's answer; throws AppError, naming the page, when it gives none.
    QVariant runCopyScript(const QString& script, std::chrono::milliseconds bound);
    // The page's text in a copy script's answer; throws AppError for any other answer.
    static QString markupIn(const QVariant& answer);

    QPointer<QWebEngineView> m_view;
    QTimer m_rest; // sends a copied page to the background when no next address follows
    LoadWatch m_lastLoad;
    QString m_address;         // the address last navigated to, as reports show it
    bool m_left = false;       // the page was left after its copy; the blank page is not copied yet
    int m_pagesOnRenderer = 0; // pages left since the renderer was last renewed
    QString m_unanswered; // the page did not answer its copy, and its renderer was ended for it
    PageReadiness* m_readiness = nullptr;
    bool m_readyToCopy = false; // readyToCopy() has passed; the copy has not been asked yet
    std::chrono::milliseconds m_pageBound{0};
};
