#pragma once

#include "join/run/pagecopy.h"

#include <functional>

namespace join {

// How a copy that stands on its own takes each page's look.
struct LookSettings
{
    // The look the site's styles gave each element, as classes; otherwise the document's own
    // plain look. Hidden elements are left out either way.
    bool styles = true;
    // For print: what the page's own print rules hide is left out too.
    bool print = false;
};

// A page's copy that first leaves out of the live page what its reader could not see and notes
// how the rest looks (look-capture.js), then runs the copy it wraps, which takes the look with it
// (window.vantrelLook). Wraps any content rule, so that the rule never picks a hidden element.
// The page is made ready first, so that the look noted is the one copied. Noting the look takes
// at most the page's bound: a page whose look takes longer is copied with the plain look, which
// warn() says, rather than lost.
class LookCopy : public PageCopy
{
public:
    LookCopy(PageCopy& copy, const LookSettings& settings,
             std::function<void(const QString&)> warn);

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override;

private:
    PageCopy& m_copy;
    LookSettings m_settings;
    QString m_captureScript;
    std::function<void(const QString&)> m_warn;
};

} // namespace join
