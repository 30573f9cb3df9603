#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "forms/ServerImage.h"

namespace forms {

class Label;

// A row of the form across which labels scroll, a step every few tens of
// milliseconds. Moving a label's own widget makes Qt repaint and flush the
// widgets around it on every step, which costs far more than the step. So
// one widget over the whole row draws the ground beneath (a label and the
// form's background) and the strips' pictures where their places say, the
// later strip in front. On an X display a step is one image of the row put
// straight into the window before the event loop next sleeps, and only if
// the row looks different; elsewhere the row repaints through Qt. Either way
// the window shows, pixel for pixel, what Qt would paint for the labels at
// their places.
//
// The strips' own widgets stay where they were placed, beneath the row:
// screen readers still find them, with their captions, and a grab of one
// still shows its caption.
class StripRow {
public:
    StripRow(QWidget* form, Label& ground, std::initializer_list<Label*> strips);
    ~StripRow();
    StripRow(const StripRow&) = delete;
    StripRow& operator=(const StripRow&) = delete;

    // A strip has moved: the row shows it at its new place soon.
    void placeChanged();

    // The row as it looks now, in device pixels; what the window shows
    // there once the row is drawn.
    const QImage& composed();
    QWidget* widget() const;

private:
    class View;

    // Where the row sits on the form, in logical pixels: the form's width,
    // and the strips' height.
    QRect area() const;
    void drawBeforeSleep();
    void schedule();
    void drawNow();
    void redrawWhole();

    // Longer than a step of the strips, so that the moves of one step are
    // drawn together.
    static constexpr int kLongestWaitMs = 40;

    QWidget* m_form;
    Label& m_ground;
    std::vector<Label*> m_strips;
    QPointer<View> m_view;
    QPointer<QWindow> m_watched;  // the window whose exposures redraw the row
    ServerImage m_server;
    QMetaObject::Connection m_beforeSleep;
    bool m_pending = false;   // a move waits to be drawn
    QElapsedTimer m_waiting;  // since when
    QImage m_groundImage;     // the row without its strips
    qint64 m_groundKey = 0;
    qint64 m_paletteKey = 0;
    QImage m_next;   // the row as composed last
    QImage m_shown;  // what was last put into the window, if known
};

}  // namespace forms
