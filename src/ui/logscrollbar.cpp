// SPDX-License-Identifier: GPL-3.0-or-later
#include "logscrollbar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace talvor {

void LogScrollBar::setState(int pageStep, int maximum, int value)
{
    m_setting = true;
    setPageStep(pageStep);
    setRange(0, maximum);
    setValue(value);
    m_setting = false;
    sliderChange(SliderValueChange);
}

void LogScrollBar::sliderChange(SliderChange change)
{
    if (m_setting)
        return;
    const Look now = look();
    if (now == m_painted)
        return;
    m_painted = now;
    QScrollBar::sliderChange(change);
}

LogScrollBar::Look LogScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
}

} // namespace talvor
