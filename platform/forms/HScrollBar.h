#pragma once

#include <QScrollBar>
#include <functional>

#include "forms/Control.h"

namespace forms {

// The standard horizontal scroll bar. Change is raised when the value
// changes through an arrow, the track, a key or an assignment, and once when
// a thumb drag ends; during the drag the bar raises Scroll instead.
// An assignment that changes the value runs Change before it returns, so an
// error in the handler reaches the code that assigned.
class HScrollBar : public Control {
public:
    HScrollBar(QWidget* form, const QString& name);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int SmallChange() const { return m_small; }
    int LargeChange() const { return m_large; }
    int Value() const { return m_value; }
    // Each raises error 380 for a number outside -32768..32767 (steps:
    // 1..32767), as the bar's 16-bit properties cannot hold it.
    void setMin(int value);
    void setMax(int value);
    void setSmallChange(int value);
    void setLargeChange(int value);
    // A value outside Min..Max is error 380.
    void setValue(int value);

    std::function<void()> Change;
    std::function<void()> Scroll;

    QScrollBar* bar() const { return static_cast<QScrollBar*>(widget()); }

private:
    void syncRange();
    void userMoved(int value);

    int m_min = 0, m_max = 32767, m_small = 1, m_large = 1, m_value = 0;
};

}  // namespace forms
