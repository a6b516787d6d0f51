// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

namespace talvor {

// A scroll bar that repaints only when it would look different. While the view follows a log of
// thousands of lines, every poll moves the range and the value, but the handle stays on the same
// pixels; repainting the bar would also repaint the frames behind it, every 50 ms.
class LogScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    // Sets all three at once, so that the steps between (a larger range with the old value) are
    // never painted.
    void setState(int pageStep, int maximum, int value);

protected:
    void sliderChange(SliderChange change) override;

private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        friend bool operator==(const Look &, const Look &) = default;
    };

    Look look() const;

    Look m_painted;
    bool m_setting = false;
};

} // namespace talvor
