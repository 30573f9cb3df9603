#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "forms/ServerPictures.h"

namespace forms {

class Label;

// A row of the form across which labels scroll, a step every few tens of
// milliseconds. Moving a label's own widget makes Qt repaint and flush the
// widgets around it on every step, which costs far more than the step. So
// one widget over the whole row draws the ground beneath (a label and the
// form's background) and the strips' pictures where their places say, the
// later strip in front. On an X display the server keeps the ground and the
// strips' pictures, and a step asks it, before the event loop next sleeps
// and only if the row looks different, to put them together into the
// window: a few small requests, no pixels. Elsewhere the row repaints
// through Qt. Either way the window shows, pixel for pixel, what Qt would
// paint for the labels at their places.
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

    // What a frame of the row on the server shows: where it goes in the
    // window, and which images at which places in it.
    struct Frame {
        QPoint at;
        QSize size;
        std::vector<ServerPictures::Placed> pictures;
        std::vector<qint64> images;  // their cache keys
        bool operator==(const Frame&) const = default;
    };

    // Where the row sits on the form, in logical pixels: the form's width,
    // and the strips' height.
    QRect area() const;
    void drawBeforeSleep();
    void schedule();
    void drawNow();
    void redrawWhole();
    // The row without its strips, in device pixels.
    const QImage& ground(qreal ratio, QSize size);
    // The next frame into m_next; false if the server cannot draw it.
    bool frameToShow();

    // Longer than a step of the strips, so that the moves of one step are
    // drawn together.
    static constexpr int kLongestWaitMs = 40;

    QWidget* m_form;
    Label& m_ground;
    std::vector<Label*> m_strips;
    QPointer<View> m_view;
    QPointer<QWindow> m_watched;  // the window whose exposures redraw the row
    ServerPictures m_server;
    QMetaObject::Connection m_beforeSleep;
    bool m_pending = false;   // a move waits to be drawn
    QElapsedTimer m_waiting;  // since when
    QImage m_groundImage;     // the row without its strips
    qint64 m_groundKey = 0;
    qint64 m_paletteKey = 0;
    QImage m_composed;  // the row as composed last, for Qt to paint
    Frame m_next;
    Frame m_shown;  // what the window holds, if known
    bool m_known = false;
};

}  // namespace forms
