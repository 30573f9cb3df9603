#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "forms/Label.h"
#include "forms/ServerPictures.h"

namespace forms {

// A row of the form across which labels scroll, a step every few tens of
// milliseconds. Moving a label's own widget makes Qt repaint and flush the
// widgets around it on every step, which costs far more than the step. So
// one widget over the whole row draws the ground beneath (a label and the
// form's background) and the strips' pictures where their places say, the
// later strip in front. On an X display the server keeps the ground and the
// strips' pictures, and a step asks it, before the event loop next sleeps,
// to put them together into the window: a few small requests, no pixels.
// Elsewhere the row repaints through Qt. Either way the window shows, pixel
// for pixel, what Qt would paint for the labels at their places.
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

    QWidget* widget() const;

private:
    class View;

    // A label told that it looks different, or that a strip moved.
    void changed(Label::Change change);
    // Where the row sits on the form, in logical pixels: the form's width,
    // and the strips' height.
    QRect area() const;
    // The row without its strips, in device pixels.
    const QImage& ground(qreal ratio);
    // The ground (picture 0) and the strips' pictures at this scale, taken
    // again whenever Qt paints the row or the whole frame is drawn: between
    // those a step only moves them.
    void takePictures(qreal ratio);
    // The ground, then each strip in the row's sight, the later in front as
    // Qt stacks them, in device pixels of the row.
    const std::vector<ServerPictures::Placed>& placed();
    // True when the frame placed shows the same pixels as the one last shown:
    // the strips that moved, each clear of the others, show the same where
    // they were and where they are (a plain end over a ground of its colour).
    bool sameAsShown() const;
    // The row as Qt paints it.
    QImage composed(qreal ratio);

    // Draws the row into this window from now on, if the server can; its
    // exposures then draw the row again.
    bool watch(QWindow* window);
    // Draws the row before the event loop next sleeps, or has Qt repaint it.
    void drawSoon();
    void drawNow();
    // False when the server cannot draw the row into the window.
    bool drawOnServer();

    QWidget* m_form;
    Label& m_ground;
    std::vector<Label*> m_strips;
    QPointer<View> m_view;
    QPointer<QWindow> m_watched;  // the window whose exposures redraw the row
    ServerPictures m_server;
    QMetaObject::Connection m_beforeSleep;
    // Changed pictures go to the server at most once in kHoldEveryMs:
    // captions written faster than anyone reads them (a run over many
    // broken entries names each) are shown as they stand a frame later.
    static constexpr int kHoldEveryMs = 20;
    QElapsedTimer m_sinceHold;
    QTimer m_holdLater;
    bool m_picturesChanged = true;
    bool m_pending = false;     // a drawing waits for the loop to sleep
    size_t m_movesWaiting = 0;  // moves since it was asked for
    QImage m_groundImage;
    qint64 m_paletteKey = 0;
    qreal m_ratio = 1;
    std::vector<QImage> m_pictures;  // as takePictures() took them
    QRect m_area;                    // the row in the window, in device pixels
    std::vector<ServerPictures::Placed> m_placed;
    std::vector<ServerPictures::Placed> m_shown;  // the frame last shown in the window
};

}  // namespace forms
