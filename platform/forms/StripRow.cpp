#include "forms/StripRow.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "forms/Twips.h"

namespace forms {

namespace {
// Copies src into dst with its top-left corner at (x, y), both Format_RGB32,
// cut to dst.
void copyInto(QImage& dst, const QImage& src, int x, int y) {
    const QRect to = QRect(x, y, src.width(), src.height()) & dst.rect();
    if (to.isEmpty()) return;
    const qsizetype dstLine = dst.bytesPerLine(), srcLine = src.bytesPerLine();
    uchar* out = dst.bits() + to.top() * dstLine + qsizetype(to.left()) * 4;
    const uchar* in = src.constBits() + (to.top() - y) * srcLine + qsizetype(to.left() - x) * 4;
    for (int row = 0; row < to.height(); ++row, out += dstLine, in += srcLine)
        std::memcpy(out, in, size_t(to.width()) * 4);
}

// The pixels at (x, y) of the row, from the strip where it covers them and
// from the ground elsewhere.
const uchar* pixelsAt(const QImage& ground, const QImage& strip, const QRect& place, int x, int y) {
    return place.contains(x, y)
               ? strip.constScanLine(y - place.top()) + qsizetype(x - place.left()) * 4
               : ground.constScanLine(y) + qsizetype(x) * 4;
}

// True when the strip shows over the ground at place `a` what it shows at
// place `b` (an empty place: not there). Only their span can differ, and the
// strip's edges cut each line of it into stretches that each come from one
// picture at both places.
bool showsAlike(const QImage& ground, const QImage& strip, const QRect& a, const QRect& b) {
    const QRect span = (a | b) & ground.rect();
    int cuts[] = {span.left(), a.left(), a.right() + 1, b.left(), b.right() + 1, span.right() + 1};
    for (int& cut : cuts) cut = std::clamp(cut, span.left(), span.right() + 1);
    std::sort(std::begin(cuts), std::end(cuts));
    for (int y = span.top(); y <= span.bottom(); ++y) {
        for (size_t i = 0; i + 1 < std::size(cuts); ++i)
            if (cuts[i] < cuts[i + 1] && std::memcmp(pixelsAt(ground, strip, a, cuts[i], y),
                                                     pixelsAt(ground, strip, b, cuts[i], y),
                                                     size_t(cuts[i + 1] - cuts[i]) * 4))
                return false;
    }
    return true;
}

QRect placeOf(const Label& label) {
    return TwipsRect{label.Left(), label.Top(), label.Width(), label.Height()}.pixels();
}
}  // namespace

class StripRow::View : public QWidget {
public:
    View(QWidget* form, StripRow& row) : QWidget(form), m_row(row) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    // Watches the window the server draws the row into.
    bool eventFilter(QObject*, QEvent* event) override {
        // Qt answers an exposure from its own copy of the window, which
        // holds the row as Qt last painted it, not the steps drawn since:
        // draw it all again once Qt has done.
        if (event->type() == QEvent::Expose) {
            m_row.m_shown.clear();
            m_row.drawSoon();
        }
        return false;
    }

protected:
    // Qt may carry the row's pixels to its new place without painting it:
    // the next step draws the whole frame there.
    void moveEvent(QMoveEvent*) override { m_row.m_shown.clear(); }

    void paintEvent(QPaintEvent*) override {
        m_row.m_picturesChanged = true;  // whatever made Qt paint may have changed them
        QPainter(this).drawImage(0, 0, m_row.composed(devicePixelRatioF()));
    }

private:
    StripRow& m_row;
};

StripRow::StripRow(QWidget* form, Label& ground, std::initializer_list<Label*> strips)
    : m_form(form), m_ground(ground), m_strips(strips), m_view(new View(form, *this)) {
    m_view->setObjectName(QStringLiteral("StripRow"));
    // In front of the strips' own widgets and the ground, behind whatever
    // the form stacks after the last strip.
    const QObjectList& siblings = form->children();
    const int last = m_strips.empty() ? -1 : int(siblings.indexOf(m_strips.back()->widget()));
    for (int i = last + 1; last >= 0 && i < siblings.size(); ++i)
        if (auto* next = qobject_cast<QWidget*>(siblings[i]); next && next != m_view) {
            m_view->stackUnder(next);
            break;
        }
    m_ground.setDrawer(
        [this](Label::Change) {
            m_groundImage = QImage();
            changed(Label::Change::Picture);
        },
        false);
    for (Label* strip : m_strips) strip->setDrawer([this](Label::Change c) { changed(c); }, true);
    m_view->setGeometry(area());
    m_view->show();
    m_holdLater.setSingleShot(true);
    QObject::connect(&m_holdLater, &QTimer::timeout, m_view, [this] {
        m_pending = true;
        drawNow();
    });
}

QWidget* StripRow::widget() const { return m_view.data(); }

StripRow::~StripRow() {
    QObject::disconnect(m_beforeSleep);
    m_ground.setDrawer({}, false);
    for (Label* strip : m_strips) strip->setDrawer({}, false);
    delete m_view.data();
}

QRect StripRow::area() const {
    int top = INT_MAX, bottom = INT_MIN;
    for (const Label* strip : m_strips) {
        top = std::min(top, placeOf(*strip).top());
        bottom = std::max(bottom, placeOf(*strip).bottom());
    }
    return m_strips.empty() ? QRect() : QRect(0, top, m_form->width(), bottom - top + 1);
}

const QImage& StripRow::ground(qreal ratio) {
    // The form's own background and the ground label, as Qt paints them,
    // made again only when one of them changes.
    const QSize size = m_view->size() * ratio;
    const QPalette& palette = m_form->palette();
    if (m_groundImage.isNull() || m_groundImage.size() != size ||
        m_groundImage.devicePixelRatio() != ratio || m_paletteKey != palette.cacheKey()) {
        m_groundImage = QImage(size, QImage::Format_RGB32);
        m_groundImage.setDevicePixelRatio(ratio);
        m_groundImage.fill(palette.color(m_form->backgroundRole()));
        if (m_ground.Visible()) {
            const QPoint at = (placeOf(m_ground).topLeft() - m_view->pos()) * ratio;
            copyInto(m_groundImage, m_ground.picture(), at.x(), at.y());
        }
        m_paletteKey = palette.cacheKey();
    }
    return m_groundImage;
}

void StripRow::takePictures(qreal ratio) {
    m_ratio = ratio;
    m_pictures.assign(1, ground(ratio));
    for (const Label* strip : m_strips) m_pictures.push_back(strip->picture());
}

const std::vector<ServerPictures::Placed>& StripRow::placed() {
    // A strip out of the row's sight adds nothing to the frame.
    const QRect row = m_pictures[0].rect();
    m_placed.assign(1, {0, QPoint()});
    for (size_t i = 0; i < m_strips.size(); ++i) {
        const Label& strip = *m_strips[i];
        const QRect place((placeOf(strip).topLeft() - m_view->pos()) * m_ratio,
                          m_pictures[i + 1].size());
        if (strip.Visible() && place.intersects(row))
            m_placed.push_back({int(i) + 1, place.topLeft()});
    }
    return m_placed;
}

bool StripRow::sameAsShown() const {
    if (m_placed == m_shown) return true;
    auto placeIn = [this](const std::vector<ServerPictures::Placed>& frame, int picture) {
        for (const ServerPictures::Placed& p : frame)
            if (p.picture == picture) return QRect(p.at, m_pictures[size_t(picture)].size());
        return QRect();
    };
    for (int i = 1; i < int(m_pictures.size()); ++i) {
        const QRect now = placeIn(m_placed, i), before = placeIn(m_shown, i);
        if (now == before) continue;
        // Where strips overlap, which is in front decides what shows.
        const QRect span = now | before;
        for (int j = 1; j < int(m_pictures.size()); ++j)
            if (j != i &&
                (span.intersects(placeIn(m_placed, j)) || span.intersects(placeIn(m_shown, j))))
                return false;
        if (!showsAlike(m_pictures[0], m_pictures[size_t(i)], now, before)) return false;
    }
    return true;
}

QImage StripRow::composed(qreal ratio) {
    takePictures(ratio);
    QImage row(m_view->size() * ratio, QImage::Format_RGB32);
    row.setDevicePixelRatio(ratio);
    for (const ServerPictures::Placed& p : placed())
        copyInto(row, m_pictures[size_t(p.picture)], p.at.x(), p.at.y());
    return row;
}

void StripRow::changed(Label::Change change) {
    if (!m_view) return;
    if (change == Label::Change::Picture) m_picturesChanged = true;
    if (m_view->geometry() != area()) {
        m_groundImage = QImage();  // cut at the row's old place
        m_view->setGeometry(area());
        return;  // moved through Qt, which repaints it
    }
    drawSoon();
}

bool StripRow::watch(QWindow* window) {
    if (window != m_watched) m_shown.clear();
    if (!m_server.reaches(window)) {
        if (m_watched) m_watched->removeEventFilter(m_view);
        m_watched = nullptr;
        return false;
    }
    if (m_watched != window) {
        if (m_watched) m_watched->removeEventFilter(m_view);
        m_watched = window;
        window->installEventFilter(m_view);
    }
    return true;
}

void StripRow::drawSoon() {
    // A window found to take the row's drawings is not asked again at every
    // step: drawing asks, and leaves the row to Qt if it no longer does.
    if (!m_pending && !m_watched && !watch(m_form->window()->windowHandle())) {
        m_view->update();
        return;
    }
    // Once per turn of the event loop, however many strips moved in it. A
    // loop kept busy (by a long run of queued work) may not sleep for a
    // while: once the strips have moved twice over without it sleeping, the
    // row is drawn at the next move.
    if (m_pending) {
        if (++m_movesWaiting > 2 * m_strips.size()) drawNow();
        return;
    }
    m_pending = true;
    m_movesWaiting = 1;
    if (!m_beforeSleep)
        m_beforeSleep = QObject::connect(QAbstractEventDispatcher::instance(),
                                         &QAbstractEventDispatcher::aboutToBlock, m_view,
                                         [this] { drawNow(); });
}

void StripRow::drawNow() {
    if (!m_pending) return;
    m_pending = false;
    if (!drawOnServer()) m_view->update();
}

bool StripRow::drawOnServer() {
    QWindow* window = m_form->window()->windowHandle();
    if (!watch(window)) return false;
    // Qt paints the row when it shows, and its exposure draws it again.
    if (!m_view->isVisible() || !window->isExposed()) return true;
    if (m_picturesChanged && m_sinceHold.isValid() && !m_sinceHold.hasExpired(kHoldEveryMs)) {
        if (!m_holdLater.isActive()) m_holdLater.start(int(kHoldEveryMs - m_sinceHold.elapsed()));
        return true;
    }
    // Whatever changes a picture, the row's place in the window or its scale
    // has Qt paint the row or the window exposed again, and the whole frame
    // is then drawn: until then a step only moves the pictures the server
    // holds, each of which crossed to it once.
    if (m_picturesChanged || m_shown.empty()) {
        takePictures(window->devicePixelRatio());
        for (int i = 0; i < int(m_pictures.size()); ++i)
            if (!m_server.hold(i, m_pictures[size_t(i)])) return false;
        if (m_picturesChanged) m_sinceHold.start();
        m_picturesChanged = false;
        m_area =
            QRect(m_view->mapTo(m_view->window(), QPoint()) * m_ratio, m_view->size() * m_ratio);
        m_shown.clear();
    }
    placed();
    if (!m_shown.empty() && sameAsShown()) return true;
    if (!m_server.show(m_area.topLeft(), m_area.size(), m_placed)) return false;
    m_shown = m_placed;
    return true;
}

}  // namespace forms
