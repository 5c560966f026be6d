#pragma once

#include "core/progressdisplay.h"

#include <QProgressBar>

// The window's progress bar: a 0 to 100 value and a caption drawn on the bar exactly as given.
// QProgressBar would expand %p, %v and %m inside the caption, and addresses may contain them.
class ProgressBar : public QProgressBar, public ProgressDisplay
{
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    double progressValue() const { return m_value; }
    QString text() const override { return m_text; }

    void setProgressValue(double percent) override;
    void setProgressText(const QString& text) override;

private:
    double m_value = 0;
    QString m_text;
};
