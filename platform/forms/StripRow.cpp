#include "forms/StripRow.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>

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

// True when src, with its top-left corner at `at`, shows only what dst
// already has there.
bool hidesNothing(const QImage& dst, const QImage& src, QPoint at) {
    const QRect to = QRect(at, src.size()) & dst.rect();
    for (int y = to.top(); y <= to.bottom(); ++y)
        if (std::memcmp(dst.constScanLine(y) + qsizetype(to.left()) * 4,
                        src.constScanLine(y - at.y()) + qsizetype(to.left() - at.x()) * 4,
                        size_t(to.width()) * 4))
            return false;
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

const QImage& StripRow::picture(int index, qreal ratio) {
    return index == 0 ? ground(ratio) : m_strips[size_t(index) - 1]->picture();
}

const std::vector<ServerPictures::Placed>& StripRow::placed(qreal ratio) {
    m_places.clear();
    for (const Label* strip : m_strips)
        m_places.push_back(strip->Visible()
                               ? QRect((placeOf(*strip).topLeft() - m_view->pos()) * ratio,
                                       strip->picture().size())
                               : QRect());
    // A strip out of the row's sight, or clear of the others and alike to
    // the ground beneath it (a plain strip on a band of its colour), adds
    // nothing to the frame.
    const QImage& under = ground(ratio);
    m_placed.assign(1, {0, QPoint()});
    for (size_t i = 0; i < m_places.size(); ++i) {
        const QRect& place = m_places[i];
        if (!place.intersects(under.rect())) continue;
        bool clear = true;
        for (size_t j = 0; j < m_places.size(); ++j)
            clear = clear && (j == i || !place.intersects(m_places[j]));
        if (clear && hidesNothing(under, m_strips[i]->picture(), place.topLeft())) continue;
        m_placed.push_back({int(i) + 1, place.topLeft()});
    }
    return m_placed;
}

QImage StripRow::composed(qreal ratio) {
    QImage row(m_view->size() * ratio, QImage::Format_RGB32);
    row.setDevicePixelRatio(ratio);
    for (const ServerPictures::Placed& p : placed(ratio))
        copyInto(row, picture(p.picture, ratio), p.at.x(), p.at.y());
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
    // Each picture crosses to the server only when it changed; until one
    // does, a step only places the pictures the server holds.
    const qreal ratio = window->devicePixelRatio();
    if (m_picturesChanged) {
        for (int i = 0; i <= int(m_strips.size()); ++i)
            if (!m_server.hold(i, picture(i, ratio))) return false;
        m_sinceHold.start();
        m_picturesChanged = false;
        m_shown.clear();
    }
    // A frame like the one last shown, where the window still holds it, is
    // not sent again: strips out of sight, or plain over their band, move
    // without changing a pixel.
    const QRect area(m_view->mapTo(m_view->window(), QPoint()) * ratio, m_view->size() * ratio);
    if (placed(ratio) == m_shown && area == m_shownArea) return true;
    if (!m_server.show(area.topLeft(), area.size(), m_placed)) return false;
    m_shown = m_placed;
    m_shownArea = area;
    return true;
}

}  // namespace forms
