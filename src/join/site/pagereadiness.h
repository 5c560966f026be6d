#pragma once

#include "join/engine/eventwait.h"
#include "sitesetup.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class EnginePage;

// Makes each page a site browser loads ready to copy as its reader sees it (scrolled through,
// settled) right after its load, in the page's renderer (ready/*.js), side by side with the pages
// of the other site browsers: the copy only waits for what is left of it. Within the page's bound
// it is copied as it stands.
class PageReadiness : public QObject
{
    Q_OBJECT
public:
    explicit PageReadiness(const join::Readiness& readiness);

    void watch(EnginePage& page);
    // The page's loads from now on are made ready, within bound from now.
    void expectPage(std::chrono::milliseconds bound);
    // The page shown from now on is none to copy (a blank page between two addresses).
    void forgetPage();
    // Runs the event loop until the page is ready, or its bound has passed and a little more (a
    // page held by its scripts). Returns how long it waited.
    std::chrono::milliseconds waitUntilReady();

signals:
    void ready();

private:
    using Clock = join::Clock;

    void loadStarted();
    void loadFinished();
    void consoleMessage(const QString& message);
    void finish(bool settled);

    QString m_script; // the page-side scripts, to be given their options
    join::Readiness m_readiness;
    QPointer<EnginePage> m_page;
    QString m_token; // a page's report carries it; no page script can know it
    int m_run = 0;   // each load's readying has a number of its own; only the latest counts
    bool m_expected = false;
    bool m_loaded = false; // a load of the page expected has finished
    bool m_pending = false;
    Clock::time_point m_deadline;
};
