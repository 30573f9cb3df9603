#include "forms/TwipsPlaced.h"

namespace forms {

void TwipsPlaced::setLeft(float twips) {
    m_place.left = twips;
    applyGeometry();
}

void TwipsPlaced::setTop(float twips) {
    m_place.top = twips;
    applyGeometry();
}

void TwipsPlaced::setWidth(float twips) { Move(m_place.left, m_place.top, twips, m_place.height); }

void TwipsPlaced::setHeight(float twips) { Move(m_place.left, m_place.top, m_place.width, twips); }

void TwipsPlaced::Move(float left, float top, float width, float height) {
    m_place = {left, top, width, height};
    applyGeometry();
}

}  // namespace forms
