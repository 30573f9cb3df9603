#pragma once

#include <QImage>
#include <QWindow>

namespace forms {

// Puts an image straight into a window on the X server, without Qt's
// repaint and flush: one request, and nothing comes back. Only where the
// display is X and the window keeps its pixels as 32-bit words of 8-bit red,
// green and blue in the order the image holds them; elsewhere it declines.
class ServerImage {
public:
    ServerImage() = default;
    ~ServerImage();
    ServerImage(const ServerImage&) = delete;
    ServerImage& operator=(const ServerImage&) = delete;

    // True when images can be put into this window.
    bool reaches(const QWindow* window);

    // Puts an image of Format_RGB32 at the window's device pixel (x, y),
    // and sends it. False if it could not be put there.
    bool put(const QWindow* window, const QImage& image, int x, int y);

private:
    void* m_connection = nullptr;  // Qt's connection to the X server
    unsigned m_window = 0;         // the X window the answer below is about
    bool m_reaches = false;
    unsigned m_gc = 0;
};

}  // namespace forms
