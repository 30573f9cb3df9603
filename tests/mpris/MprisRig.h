#pragma once

// The window on the simulated device with its MPRIS object on a private bus, a
// desktop talking to it there, and a note of each button pressed, by its job.

#include "MprisClient.h"
#include "PrivateBus.h"
#include "mpris/MprisSession.h"
#include "player/PlayerRig.h"

class MprisRig : public PlayerRig {
public:
    MprisRig()
        : playerBus(PrivateBus::instance().connect()),
          desktopBus(PrivateBus::instance().connect()) {
        session = std::make_unique<MprisSession>(*form, playerBus);
        desktop = std::make_unique<MprisClient>(desktopBus, playerBus.baseService());
        forms::CommandButton* const buttons[] = {&form->Command1, &form->Command2, &form->Command3,
                                                 &form->Command4, &form->Command5};
        const QStringList names{"Open", "Play", "Pause", "Stop", "Resume"};
        for (int i = 0; i < 5; ++i)
            buttons[i]->Click = [this, name = names[i], click = buttons[i]->Click] {
                pressed << name;
                click();
            };
    }
    ~MprisRig() {
        desktop.reset();
        session.reset();
        PrivateBus::instance().disconnect(desktopBus);
        PrivateBus::instance().disconnect(playerBus);
    }

    QDBusConnection playerBus, desktopBus;
    std::unique_ptr<MprisSession> session;
    std::unique_ptr<MprisClient> desktop;
    QStringList pressed;
};
