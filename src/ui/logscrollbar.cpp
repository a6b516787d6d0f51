// SPDX-License-Identifier: GPL-3.0-or-later
#include "logscrollbar.h"

#include "accessibleeventfilter.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace talvor {

void LogScrollBar::setState(int pageStep, int maximum, int value)
{
    // The view moves the bar as the log grows or the caret goes; a screen reader hears of the log
    // itself, and a value change on every poll would only keep it busy.
    const QuietValueChanges quiet(this);
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
