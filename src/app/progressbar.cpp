#include "progressbar.h"

#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void ProgressBar::setProgressValue(double percent)
{
    m_value = percent;
    setValue(static_cast<int>(std::lround(qBound(0.0, percent, 100.0))));
}

void ProgressBar::setProgressText(const QString& text)
{
    m_text = text;
    update();
}
