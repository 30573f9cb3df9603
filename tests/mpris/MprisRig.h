#pragma once

// The player's window on the simulated device (PlayerRig) with its MPRIS
// object on a private bus, and a desktop-side client talking to it over
// that bus.

#include <memory>

#include "MprisClient.h"
#include "PrivateBus.h"
#include "mpris/MprisSession.h"
#include "player/PlayerRig.h"

class MprisRig : public PlayerRig {
public:
    MprisRig()
        : PlayerRig(true),
          playerBus(PrivateBus::instance().connect()),
          desktopBus(PrivateBus::instance().connect()) {
        session = std::make_unique<MprisSession>(*form, playerBus);
        desktop = std::make_unique<MprisClient>(desktopBus, playerBus.baseService());
    }

    ~MprisRig() {
        desktop.reset();
        session.reset();
        PrivateBus::instance().disconnect(desktopBus);
        PrivateBus::instance().disconnect(playerBus);
    }

    QDBusConnection playerBus;
    QDBusConnection desktopBus;
    std::unique_ptr<MprisSession> session;
    std::unique_ptr<MprisClient> desktop;
};
