#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <utility>
#include <vector>

#include "Form1.h"
#include "forms/Twips.h"

// What the strips' row must show: the window with the labels' own widgets moved.
inline QImage drawnByTheLabels(Form1& form) {
    std::vector<std::pair<QWidget*, QRect>> placed;
    for (forms::Label* s : {&form.Label3, &form.Label4}) {
        placed.emplace_back(s->widget(), s->widget()->geometry());
        s->widget()->setGeometry(
            forms::TwipsRect{s->Left(), s->Top(), s->Width(), s->Height()}.pixels());
    }
    form.stripRow.widget()->hide();
    QImage shot = form.grab().toImage();
    form.stripRow.widget()->show();
    for (auto [widget, geometry] : placed) widget->setGeometry(geometry);
    return shot;
}

// The first ticks, a strip leaving on the left, jumping back right, coming in.
inline const std::vector<int> kTicksToCompare = {0,   1,   2,   15,  16,  26,  27,  28,
                                                 100, 200, 213, 214, 215, 300, 459, 460,
                                                 461, 600, 743, 744, 745, 900, 990, 991};

// The first pixel that differs, as text, or empty when both are alike.
inline QString firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (const QRgb p = a.pixel(x, y), q = b.pixel(x, y); p != q)
                return QString::asprintf("(%d, %d): %08x and %08x", x, y, p, q);
    return {};
}

// The row's pixels as the window system shows them against the labels'. Qt
// has painted the row again for the labels on return: what shows next, a step drew.
inline QString unlikeTheLabels(Form1& form) {
    const QRect r = form.stripRow.widget()->geometry();
    const QPixmap shown =
        form.screen()->grabWindow(form.winId(), r.x(), r.y(), r.width(), r.height());
    const QString difference = firstDifference(shown.toImage(), drawnByTheLabels(form).copy(r));
    QCoreApplication::processEvents();
    return difference;
}

struct Paints : QObject {
    explicit Paints(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};
