#pragma once

// The strips as the window drew them before they scrolled in a row of their
// own: each label's own widget moved to its place, the rest of the window
// around it. The row must show exactly that.

#include <QImage>
#include <utility>
#include <vector>

#include "Form1.h"
#include "forms/Twips.h"

inline QRect placeInPixels(const forms::Label& label) {
    return forms::TwipsRect{label.Left(), label.Top(), label.Width(), label.Height()}.pixels();
}

// The window as it looked with the labels' own widgets at their places.
inline QImage drawnByTheLabels(Form1& form) {
    QWidget* row = form.stripRow.widget();
    std::vector<std::pair<QWidget*, QRect>> placed;
    for (forms::Label* strip : {&form.Label3, &form.Label4}) {
        placed.emplace_back(strip->widget(), strip->widget()->geometry());
        strip->widget()->setGeometry(placeInPixels(*strip));
    }
    row->hide();
    QImage shot = form.grab().toImage();
    row->show();
    for (auto [widget, geometry] : placed) widget->setGeometry(geometry);
    return shot;
}

// The ticks worth a look: the first ones, a strip passing the window's left
// edge, the jumps back to the right, and a strip coming in again.
inline const std::vector<int> kTicksToCompare = {0,   1,   2,   15,  16,  26,  27,  28,
                                                 100, 200, 213, 214, 215, 300, 459, 460,
                                                 461, 600, 743, 744, 745, 900, 990, 991};

// The pixel that differs first, as text, or empty when both are alike.
inline QString firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return QStringLiteral("sizes %1x%2 and %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 and %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return {};
}
