// Where the pieces go: the resize and the placement step that turns Value
// into a thumb position and a track colour.
#include <algorithm>
#include <cstdint>

#include "NewHscrollbar.h"
#include "com/Conversions.h"

namespace quillet {

void NewHscrollbar::computeThumbTravel() {
    // Never below 1: the placement divides by it and the drag scales by it.
    m_thumbTravel = com::toInt32(double(picBar.Width()) - double(picCur.Width()));
    if (m_thumbTravel <= 0) m_thumbTravel = 1;
}

void NewHscrollbar::UserControl_Resize() {
    // Both assignments run this again, nested, when they change the size;
    // the nested pass finds the size acceptable and lays out the same way.
    const float minimumWidth = picArrUp.Width() + picArrDn.Width() + picCur.Width();
    if (minimumWidth > UserControl::Width()) setWidth(minimumWidth);
    setHeight(240);

    picArrUp.setLeft(0);
    picBar.setLeft(picArrUp.Left() + picArrUp.Width());
    picBar.setWidth(UserControl::Width() - picArrUp.Width() - picArrDn.Width());
    picArrDn.setLeft(picBar.Left() + picBar.Width());
    computeThumbTravel();
    setValue(m_Value);
}

QColor NewHscrollbar::trackColour(int32_t value) {
    // The green term goes through a 16-bit integer, so far-out values
    // overflow. The colour function caps components above 255 at 255; a
    // negative term (values below -21908, with a negative Min) darkens the
    // track to black rather than failing, which the colour function would.
    const int16_t green = com::toInt16(double(value) / 32767.0 * 255.0 + 170.0);
    return QColor(0, std::clamp<int>(green, 0, 255), 0);
}

void NewHscrollbar::placeThumb() {
    double scale = 0;
    if (m_Max > m_Min) scale = double(m_thumbTravel) / double(com::checkedSub(m_Max, m_Min));
    picBar.setBackColor(trackColour(m_Value));
    const double offset = double(int64_t(m_Value) - int64_t(m_Min)) * scale;
    picCur.setLeft(float(offset + double(picBar.Left())));
}

}  // namespace quillet
