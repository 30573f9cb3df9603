#pragma once

#include "GstMediaDevice.h"

// The device's playbin, for tests and benchmarks that read its properties or
// watch its sink; null before the first "open".
class GstMediaDeviceProbe {
public:
    static GstElement* playbin(const GstMediaDevice& device) { return device.m_playbin; }
};
