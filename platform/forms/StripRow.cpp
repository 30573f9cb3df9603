#include "forms/StripRow.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <utility>

#include "forms/Label.h"
#include "forms/PictureColumns.h"

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

}  // namespace

class StripRow::View : public QWidget {
public:
    View(QWidget* form, StripRow& row) : QWidget(form), m_row(row) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    // Watches the window for the server showing a part of it again, and for
    // anything that may change what the row is drawn into.
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Expose:
                // Qt answers from its own copy of the window, which holds
                // the row as Qt last painted it, not the steps put since:
                // put it all again once Qt has done.
                m_row.m_held = false;
                m_row.redrawWhole();
                break;
            case QEvent::PlatformSurface:
            case QEvent::Show:
            case QEvent::Hide:
                m_row.m_held = false;
                break;
            default:
                break;
        }
        return false;
    }

protected:
    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
                m_row.m_held = false;
                break;
            default:
                break;
        }
        return QWidget::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        // Whatever Qt shows here is drawn here too; what the window holds
        // is no longer known for sure, and the pictures may have changed
        // with what made Qt paint: the next step sends them and draws it all.
        m_row.m_known = false;
        m_row.m_held = false;
        QPainter(this).drawImage(0, 0, m_row.composed());
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
    m_ground.m_row = this;
    for (Label* strip : m_strips) {
        strip->m_row = this;
        strip->m_isStrip = true;
        strip->m_stripSize = strip->widget()->size();
    }
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
    m_ground.m_row = nullptr;
    for (Label* strip : m_strips) {
        strip->m_row = nullptr;
        strip->m_isStrip = false;
    }
    delete m_view.data();
}

QRect StripRow::area() const {
    int top = 0, bottom = 0;
    bool any = false;
    for (const Label* strip : m_strips) {
        const QRect place = strip->m_place.pixels();
        top = any ? qMin(top, place.top()) : place.top();
        bottom = any ? qMax(bottom, place.bottom()) : place.bottom();
        any = true;
    }
    return any ? QRect(0, top, m_form->width(), bottom - top + 1) : QRect();
}

const QImage& StripRow::ground(qreal ratio, QSize size) {
    // The form's own background and the ground label, as Qt paints them,
    // made again only when one of them changes.
    const QImage& groundPicture = m_ground.picture();
    const QPalette& palette = m_form->palette();
    if (m_groundImage.size() != size || m_groundImage.devicePixelRatio() != ratio ||
        m_groundKey != groundPicture.cacheKey() || m_paletteKey != palette.cacheKey()) {
        m_groundImage = QImage(size, QImage::Format_RGB32);
        m_groundImage.setDevicePixelRatio(ratio);
        m_groundImage.fill(palette.color(m_form->backgroundRole()));
        if (m_ground.Visible()) {
            const QPoint at = (m_ground.m_place.pixels().topLeft() - m_view->pos()) * ratio;
            copyInto(m_groundImage, groundPicture, at.x(), at.y());
        }
        m_groundKey = groundPicture.cacheKey();
        m_paletteKey = palette.cacheKey();
    }
    return m_groundImage;
}

const QImage& StripRow::composed() {
    const qreal ratio = m_view->devicePixelRatioF();
    const QImage& groundImage = ground(ratio, m_view->size() * ratio);
    // The same buffer each time, unless the row changed size.
    if (m_composed.size() != groundImage.size() || !m_composed.isDetached()) {
        m_composed = QImage(groundImage.size(), QImage::Format_RGB32);
        m_composed.setDevicePixelRatio(ratio);
    }
    std::memcpy(m_composed.bits(), groundImage.constBits(), size_t(m_composed.sizeInBytes()));
    // The strips at their places, the later one in front, as Qt stacks them.
    for (const Label* strip : m_strips) {
        if (!strip->Visible()) continue;
        const QPoint at = (strip->m_place.pixels().topLeft() - m_view->pos()) * ratio;
        copyInto(m_composed, strip->picture(), at.x(), at.y());
    }
    return m_composed;
}

bool StripRow::holdPictures(const QWindow* window, qreal ratio) {
    if (!m_server.reaches(window)) return false;
    m_heldRatio = ratio;
    m_heldRowPlace = m_view->pos();
    m_heldAt = m_view->mapTo(m_view->window(), QPoint()) * ratio;
    m_layers.resize(1 + m_strips.size());
    m_tellable = true;
    // Each picture keeps its own place on the server: the ground first,
    // then the strips in order.
    auto hold = [&](int picture, const QImage& image, QPoint at) {
        if (!m_server.hold(picture, image)) return false;
        Layer& layer = m_layers[size_t(picture)];
        layer.at = at;
        layer.size = image.size();
        if (layer.key != image.cacheKey()) {
            layer.columns = PictureColumns(image);
            layer.key = image.cacheKey();
            // The columns unlike its last one: moving the picture moves
            // them; the rest look alike wherever they lie.
            layer.inkFrom = layer.inkTo = 0;
            const int width = image.width();
            for (int x = 0; x < width && layer.columns.numbered(); ++x)
                if (layer.columns.number(x) != layer.columns.number(width - 1)) {
                    if (layer.inkFrom == layer.inkTo) layer.inkFrom = x;
                    layer.inkTo = x + 1;
                }
        }
        m_tellable = m_tellable && layer.columns.numbered();
        return true;
    };
    if (!hold(0, ground(ratio, m_view->size() * ratio), QPoint())) return false;
    for (size_t i = 0; i < m_strips.size(); ++i) {
        const Label& strip = *m_strips[i];
        const QPoint at = (strip.m_place.pixels().topLeft() - m_view->pos()) * ratio;
        if (!hold(int(i) + 1, strip.picture(), at)) return false;
    }
    const int height = m_layers[0].size.height();
    m_cuts = {0, height};
    for (size_t i = 1; i < m_layers.size(); ++i)
        for (int line : {m_layers[i].at.y(), m_layers[i].at.y() + m_layers[i].size.height()})
            m_cuts.push_back(std::clamp(line, 0, height));
    std::sort(m_cuts.begin(), m_cuts.end());
    m_cuts.erase(std::unique(m_cuts.begin(), m_cuts.end()), m_cuts.end());
    m_columns.resize(2 * m_layers.size());
    m_held = true;
    return true;
}

const uint32_t* StripRow::pixels(const uint16_t* columns, int y) const {
    // The front layer that covers this line, then the ones behind it; the
    // ground covers the whole row.
    for (size_t i = m_layers.size(); i-- > 0;) {
        const Layer& layer = m_layers[i];
        const int line = y - layer.at.y();
        if (columns[i] != kNone && line >= 0 && line < layer.size.height())
            return layer.columns.column(columns[i]) + line;
    }
    return nullptr;
}

void StripRow::columnsOf(const std::vector<int>& places, std::vector<uint16_t>& columns) const {
    const int width = m_layers[0].size.width();
    columns.assign((m_layers.size() - 1) * size_t(width), kNone);
    for (size_t i = 1; i < m_layers.size(); ++i) {
        const int from = places[i];
        if (from == kAway) continue;
        uint16_t* into = &columns[(i - 1) * size_t(width)];
        for (int x = std::max(from, 0); x < std::min(from + m_layers[i].size.width(), width); ++x)
            into[x] = m_layers[i].columns.number(x - from);
    }
}

void StripRow::columnsAt(const std::vector<uint16_t>& strips, int x, uint16_t* columns) const {
    const size_t width = size_t(m_layers[0].size.width());
    columns[0] = m_layers[0].columns.number(x);
    for (size_t i = 1; i < m_layers.size(); ++i) columns[i] = strips[(i - 1) * width + size_t(x)];
}

bool StripRow::looksAsShown() {
    if (!m_tellable || m_next.size() != m_shown.size()) return false;
    if (m_next == m_shown) return true;
    // A strip whose text is in sight, before or now, has moved it.
    const int width = m_layers[0].size.width();
    for (size_t i = 1; i < m_layers.size(); ++i) {
        const Layer& layer = m_layers[i];
        if (m_next[i] == m_shown[i] || layer.inkFrom == layer.inkTo) continue;
        for (int x : {m_next[i], m_shown[i]})
            if (x != kAway && x + layer.inkTo > 0 && x + layer.inkFrom < width) return false;
    }
    // Only the plain parts of strips moved: the row looks different at most
    // at their ends. Past a few columns, drawing costs less than looking.
    constexpr size_t kMostToCompare = 16;
    columnsOf(m_next, m_nextColumns);
    columnsOf(m_shown, m_shownColumns);
    m_differing.clear();
    for (size_t at = 0; at < m_nextColumns.size(); at += size_t(width)) {
        if (!std::memcmp(&m_nextColumns[at], &m_shownColumns[at], size_t(width) * sizeof(uint16_t)))
            continue;
        for (int x = 0; x < width; ++x)
            if (m_nextColumns[at + size_t(x)] != m_shownColumns[at + size_t(x)]) {
                if (std::find(m_differing.begin(), m_differing.end(), x) != m_differing.end())
                    continue;
                if (m_differing.size() == kMostToCompare) return false;
                m_differing.push_back(x);
            }
    }
    // What shows there may still be alike: a strip's plain end over a
    // ground of its colour.
    const size_t layers = m_layers.size();
    uint16_t* now = m_columns.data();
    uint16_t* before = now + layers;
    for (int x : m_differing) {
        columnsAt(m_nextColumns, x, now);
        columnsAt(m_shownColumns, x, before);
        for (size_t cut = 0; cut + 1 < m_cuts.size(); ++cut) {
            const uint32_t* a = pixels(now, m_cuts[cut]);
            const uint32_t* b = pixels(before, m_cuts[cut]);
            const size_t lines = size_t(m_cuts[cut + 1] - m_cuts[cut]);
            if (a != b && std::memcmp(a, b, lines * sizeof(uint32_t))) return false;
        }
    }
    return true;
}

bool StripRow::lookNow() {
    const QRect row(QPoint(), m_layers[0].size);
    m_next.resize(m_layers.size());
    m_next[0] = 0;
    m_placed.clear();
    m_placed.push_back({0, QPoint()});
    // The strips at their places, the later one in front, as Qt stacks
    // them; one out of the row's sight is left out.
    for (size_t i = 1; i < m_layers.size(); ++i) {
        m_next[i] = kAway;
        const Label& strip = *m_strips[i - 1];
        if (!strip.Visible()) continue;
        Layer& layer = m_layers[i];
        const QPoint at = (strip.m_place.pixels().topLeft() - m_heldRowPlace) * m_heldRatio;
        if (at.y() != layer.at.y()) return false;
        layer.at = at;
        if (!row.intersects(QRect(at, layer.size))) continue;
        m_next[i] = at.x();
        m_placed.push_back({int(i), at});
    }
    return true;
}

void StripRow::placeChanged() {
    if (!m_view) return;
    if (m_view->geometry() != area()) {
        m_view->setGeometry(area());
        return;  // moved through Qt, which repaints it
    }
    showSoon();
}

void StripRow::pictureChanged() {
    m_held = false;
    if (m_view) showSoon();
}

void StripRow::showSoon() {
    // Another strip moved in the same turn of the event loop: one drawing
    // shows both. A window found to take the row's frames is not asked
    // again at every step: drawing asks, and leaves the row to Qt if it no
    // longer does.
    if (m_pending || m_watched) {
        drawBeforeSleep();
        return;
    }
    if (!watch(m_form->window()->windowHandle())) {
        m_view->update();
        return;
    }
    drawBeforeSleep();
}

bool StripRow::watch(QWindow* window) {
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

void StripRow::redrawWhole() {
    m_known = false;
    if (m_view && !m_pending) schedule();
}

void StripRow::drawBeforeSleep() {
    // Once per turn of the event loop, however many strips moved in it. A
    // loop kept busy (by a long run of queued work) may not sleep for a
    // while: once the strips have moved twice over without it sleeping, the
    // row is drawn at the next move.
    if (!m_pending)
        schedule();
    else if (++m_movesWaiting > 2 * m_strips.size())
        drawNow();
}

void StripRow::schedule() {
    m_pending = true;
    m_movesWaiting = 1;
    if (!m_drawsBeforeSleep) {
        m_drawsBeforeSleep = true;
        m_beforeSleep = QObject::connect(QAbstractEventDispatcher::instance(),
                                         &QAbstractEventDispatcher::aboutToBlock, m_view,
                                         [this] { drawNow(); });
    }
}

void StripRow::drawNow() {
    if (!m_pending) return;
    m_pending = false;
    // Held pictures vouch for the window, its pixel ratio, the row's place
    // and the strips' pictures: whatever changes them takes them back.
    if (!m_held || !lookNow()) {
        // A strip moved up or down, a picture changed, or the window
        // showed or changed: the server gets the pictures again, and the
        // whole row is drawn.
        m_held = false;
        m_known = false;
        if (m_sinceHold.isValid() && !m_sinceHold.hasExpired(kHoldEveryMs)) {
            if (!m_holdLater.isActive())
                m_holdLater.start(int(kHoldEveryMs - m_sinceHold.elapsed()));
            return;
        }
        QWindow* window = m_form->window()->windowHandle();
        if (!m_view->isVisible() || !window || !window->isExposed()) return;  // painted when shown
        if ((window != m_watched && !watch(window)) ||
            !holdPictures(window, window->devicePixelRatio()) || !lookNow()) {
            m_held = false;
            m_view->update();
            return;
        }
        m_sinceHold.start();
    }
    if (m_known && looksAsShown()) return;
    if (!m_server.show(m_heldAt, m_layers[0].size, m_placed)) {
        m_held = false;
        m_view->update();
        return;
    }
    std::swap(m_shown, m_next);
    m_known = true;
}

}  // namespace forms
