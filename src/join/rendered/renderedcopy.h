#pragma once

#include "join/run/pagecopy.h"

namespace join {

// A page's copy that first notes what the page's own renderers made in the live page (formulas
// typeset by a math library, diagrams: formulas.js, diagrams.js), then runs the copy it wraps,
// whose formats write each as they can (drawn, MathML, TeX, the diagram's source). Wraps the look,
// so that what a renderer keeps hidden beside what shows is noted before the look leaves it out.
class RenderedCopy : public PageCopy
{
public:
    explicit RenderedCopy(PageCopy& copy);

    QString copyFrom(SiteBrowser& site, int position, std::chrono::milliseconds bound) override;

private:
    PageCopy& m_copy;
    QString m_noteScript;
};

} // namespace join
