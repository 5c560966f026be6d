#pragma once

#include "join/run/pagecopy.h"

#include <QStringList>

#include <functional>

namespace join {

// What is kept of each page: by default all of its body (the faithful copy).
struct ContentRule
{
    QStringList select;  // only the elements these match, in document order
    QStringList exclude; // none of the elements these match, after select
    // Only the page's main content: a single main landmark (main, [role=main]), else a single
    // article, else the article the reader algorithm finds.
    bool main = false;
    bool reader = false; // always the reader algorithm's article

    bool any() const { return !select.isEmpty() || !exclude.isEmpty() || main || reader; }
    // As a report names it: the options that make it.
    QString description() const;
};

// A page's copy that applies a content rule to the live page right before the copy it wraps runs,
// so that every copy (plain, standalone) takes only what the rule keeps. noted() hears, for each
// page, which rule was used ('select', 'main', 'article', 'reader', 'body') and, when the rule fell
// back to the whole body, why; before the copy's answer comes back.
class ContentCopy : public PageCopy
{
public:
    using Noted = std::function<void(int position, const QString& used, const QString& warning)>;

    ContentCopy(PageCopy& copy, const ContentRule& rule, Noted noted);

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override;

private:
    PageCopy& m_copy;
    QString m_ruleScript;
    Noted m_noted;
};

// The selectors of a rule (or of anything else that picks elements) that the browser engine does
// not take, each with its option; checked in a blank page, before any page loads.
QStringList invalidSelectors(const QList<QPair<QString, QString>>& optionAndSelector);

} // namespace join
