#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <limits>
#include <vector>

#include "forms/PictureColumns.h"
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
    // The ground or a strip looks different now (its caption, colours,
    // font, size or Visible): the row shows it soon.
    void pictureChanged();

    // The row as it looks now, in device pixels; what the window shows
    // there once the row is drawn.
    const QImage& composed();
    QWidget* widget() const;

private:
    class View;

    // A picture of the row as the server holds it: the ground, or a strip.
    struct Layer {
        QPoint at;               // in the row, in device pixels
        QSize size;              // device pixels
        qint64 key = 0;          // the picture's cache key
        PictureColumns columns;  // and its pixels
        int inkFrom = 0;         // the columns unlike its last one
        int inkTo = 0;
    };

    // Where the row sits on the form, in logical pixels: the form's width,
    // and the strips' height.
    QRect area() const;
    // Shows the strips as they are now, soon: drawn by the server before the
    // event loop next sleeps, or repainted by Qt.
    void showSoon();
    // Draws the row into this window from now on, if the server can; its
    // exposures then redraw the row.
    bool watch(QWindow* window);
    void drawBeforeSleep();
    void schedule();
    void drawNow();
    void redrawWhole();
    // The row without its strips, in device pixels.
    const QImage& ground(qreal ratio, QSize size);
    // Sends the ground and the strips' pictures to the server as they look
    // now; false if it cannot keep them.
    bool holdPictures(const QWindow* window, qreal ratio);
    // Where each strip lies in the row now, into m_next, and the pictures to
    // draw into m_placed. False if a strip moved up or down, which needs
    // holdPictures() first.
    bool lookNow();
    // True when the row looks now, pixel for pixel, as it did when m_shown
    // was drawn. False, too, when that would take long to tell.
    bool looksAsShown();
    // For each strip in turn, which of its columns lies in each column of the
    // row, or kNone, with the strips at these places.
    void columnsOf(const std::vector<int>& places, std::vector<uint16_t>& columns) const;
    // Which column of each layer lies in column x of the row, or kNone, the
    // strips' as columnsOf() gave them.
    void columnsAt(const std::vector<uint16_t>& strips, int x, uint16_t* columns) const;
    // The pixels from line y down to the next cut, in a column of the row
    // that shows these columns of the layers.
    const uint32_t* pixels(const uint16_t* columns, int y) const;

    QWidget* m_form;
    Label& m_ground;
    std::vector<Label*> m_strips;
    QPointer<View> m_view;
    QPointer<QWindow> m_watched;  // the window whose exposures redraw the row
    ServerPictures m_server;
    QMetaObject::Connection m_beforeSleep;
    // Pictures go to the server at most once in kHoldEveryMs: captions
    // written faster than anyone reads them (a run over many broken
    // entries names each) are shown as they stand a frame later.
    static constexpr int kHoldEveryMs = 20;
    QElapsedTimer m_sinceHold;
    QTimer m_holdLater;
    bool m_drawsBeforeSleep = false;
    bool m_pending = false;     // a move waits to be drawn
    size_t m_movesWaiting = 0;  // how many
    QImage m_groundImage;       // the row without its strips
    qint64 m_groundKey = 0;
    qint64 m_paletteKey = 0;
    QImage m_composed;  // the row as composed last, for Qt to paint

    // The pictures the server holds, as of the last holdPictures(): the
    // ground, then each strip. Taken back by anything that may change them,
    // the window they are drawn into, or the row's place in it.
    bool m_held = false;
    qreal m_heldRatio = 0;
    QPoint m_heldRowPlace;  // on the form, logical pixels
    QPoint m_heldAt;        // in the window, device pixels
    std::vector<Layer> m_layers;
    std::vector<ServerPictures::Placed> m_placed;
    // The lines where a layer begins or ends, from the row's top to its
    // bottom: between two of them, a column shows one layer's pixels.
    std::vector<int> m_cuts;
    // Where each layer lies in the row, across: in the next frame, and in
    // the one the window holds, if known. kAway for a strip out of sight.
    static constexpr int kAway = std::numeric_limits<int>::min();
    std::vector<int> m_next;
    std::vector<int> m_shown;
    static constexpr uint16_t kNone = 0xffff;
    std::vector<uint16_t> m_nextColumns, m_shownColumns;  // columnsOf() them
    std::vector<int> m_differing;                         // columns of the row
    std::vector<uint16_t> m_columns;  // of each layer, in one column, now and before
    bool m_known = false;
    bool m_tellable = false;  // every layer's columns are numbered
};

}  // namespace forms
