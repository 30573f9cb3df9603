#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWindow>
#include <cstdint>
#include <vector>

namespace forms {

// Pictures kept on the X server, which puts them together into a window
// itself: a picture crosses the connection once, and each later drawing of
// it is a request of a few bytes, with nothing coming back. Only where the
// display is X and the window keeps its pixels as 32-bit words of 8-bit red,
// green and blue in the order a Format_RGB32 image holds them; elsewhere it
// declines.
class ServerPictures {
public:
    // A held picture and where its top-left corner goes in a frame.
    struct Placed {
        int picture;
        QPoint at;
        bool operator==(const Placed&) const = default;
    };

    ServerPictures() = default;
    ~ServerPictures();
    ServerPictures(const ServerPictures&) = delete;
    ServerPictures& operator=(const ServerPictures&) = delete;

    // True when pictures can be drawn into this window. Pictures held for
    // another window before are let go.
    bool reaches(const QWindow* window);

    // Keeps image (Format_RGB32) on the server as picture number `picture`,
    // sending it only when that picture was another image. False if it
    // could not be kept.
    bool hold(int picture, const QImage& image);

    // Draws the held pictures, in order and each cut to the frame, into a
    // frame of `size` device pixels kept on the server, then the whole
    // frame into the window last reached, with its top-left corner at device
    // pixel `at`, and sends it all. The window never shows a frame half
    // drawn. False if it could not be drawn.
    bool show(QPoint at, QSize size, const std::vector<Placed>& pictures);

private:
    struct Pixmap {
        uint32_t id = 0;
        QSize size;
        qint64 key = 0;  // the image it holds
    };

    bool makePixmap(Pixmap& pixmap, QSize size);
    void letGo();

    void* m_connection = nullptr;  // Qt's connection to the X server
    uint32_t m_window = 0;         // the X window the answer below is about
    bool m_reaches = false;
    uint32_t m_gc = 0;
    std::vector<Pixmap> m_held;
    Pixmap m_frame;
};

}  // namespace forms
