#include "forms/HScrollBar.h"

#include <QSignalBlocker>
#include <algorithm>

#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"

namespace forms {

namespace {
void checkInt16(int value, int low = -32768) {
    if (value < low || value > 32767) errors::raiseError(errors::InvalidPropertyValue);
}
}  // namespace

HScrollBar::HScrollBar(QWidget* form, const QString& name)
    : Control(new QScrollBar(Qt::Horizontal, form), name) {
    // Without tracking the bar reports a thumb drag once, at its release.
    bar()->setTracking(false);
    bar()->setFocusPolicy(Qt::StrongFocus);
    syncRange();
    QObject::connect(bar(), &QScrollBar::valueChanged, bar(), [this](int v) { userMoved(v); });
    QObject::connect(bar(), &QScrollBar::sliderMoved, bar(), [this](int) {
        if (Scroll) errors::dispatch(Scroll);
    });
}

void HScrollBar::setMin(int value) {
    checkInt16(value);
    m_min = value;
    syncRange();
}

void HScrollBar::setMax(int value) {
    checkInt16(value);
    m_max = value;
    syncRange();
}

void HScrollBar::setSmallChange(int value) {
    checkInt16(value, 1);
    m_small = value;
    bar()->setSingleStep(value);
}

void HScrollBar::setLargeChange(int value) {
    checkInt16(value, 1);
    m_large = value;
    bar()->setPageStep(value);
}

void HScrollBar::setValue(int value) {
    if (value < std::min(m_min, m_max) || value > std::max(m_min, m_max))
        errors::raiseError(errors::InvalidPropertyValue);
    if (value == m_value) return;
    m_value = value;
    {
        const QSignalBlocker quiet(bar());
        bar()->setValue(value);
    }
    notifyChange();
    if (Change) Change();
}

void HScrollBar::syncRange() {
    // A bar whose Min is above its Max runs the other way round; Qt's bar
    // only runs left to right, so it shows the mirrored range.
    const QSignalBlocker quiet(bar());
    bar()->setInvertedAppearance(m_min > m_max);
    bar()->setInvertedControls(m_min > m_max);
    bar()->setRange(std::min(m_min, m_max), std::max(m_min, m_max));
    bar()->setSingleStep(m_small);
    bar()->setPageStep(m_large);
    const int clamped = std::clamp(m_value, std::min(m_min, m_max), std::max(m_min, m_max));
    const bool moved = clamped != m_value;
    m_value = clamped;
    bar()->setValue(m_value);
    if (moved) notifyChange();
}

void HScrollBar::userMoved(int value) {
    if (value == m_value) return;
    m_value = value;
    notifyChange();
    if (Change) errors::dispatch(Change);
}

}  // namespace forms
