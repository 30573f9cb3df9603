#pragma once

#include "forms/Twips.h"

namespace forms {

// Anything placed on a form in twips: a control, or a hosted component's
// window. Its place reads back exactly as assigned (Left = 895 reads 895),
// and every change places its window again, rounded to pixels.
class TwipsPlaced {
public:
    float Left() const { return m_place.left; }
    float Top() const { return m_place.top; }
    float Width() const { return m_place.width; }
    float Height() const { return m_place.height; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    // Places and sizes at once. What is placed may keep another size than
    // asked for: read it back.
    virtual void Move(float left, float top, float width, float height);

protected:
    virtual ~TwipsPlaced() = default;
    // Puts the window where m_place says, if there is one.
    virtual void applyGeometry() = 0;

    TwipsRect m_place;
};

}  // namespace forms
