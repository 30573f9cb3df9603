#pragma once

#include <QStringList>

// The audio media types the installed GStreamer plugins can take in: what
// the decoders, demuxers and parsers that playback may pick accept, sorted.
// Raw sample formats are left out: no file is of that type. Reads the
// plugin registry (and starts GStreamer when nothing has yet), so it is
// asked only when wanted. Empty when GStreamer cannot start.
QStringList decodableAudioTypes();
