#pragma once

#include <QString>

// What long work shows on the progress bar: a value from 0 to 100 and a text on the bar.
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    virtual void setProgressValue(double percent) = 0;
    virtual void setProgressText(const QString& text) = 0;
};
