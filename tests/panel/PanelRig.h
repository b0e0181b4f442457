#pragma once

#include "PanelClient.h"
#include "panel/PanelApi.h"
#include "panel/PanelPassword.h"
#include "panel/PanelServer.h"
#include "support/HostFixture.h"

#include <functional>
#include <memory>

inline const QString Password = u"correct horse"_s;

// A started host with a panel on a free loopback port, its clock in the test's hand.
struct PanelRig
{
    explicit PanelRig(
        const std::function<void(PanelServer::Config &)> &adjust = {}, int iterations = 1000)
    {
        started = host.core->start();
        api = std::make_unique<PanelApi>(*host.core);
        PanelServer::Config config;
        config.loginDelayMs = 150;
        config.clockMs = [this] { return nowMs; };
        if (adjust)
            adjust(config);
        // Few iterations unless asked: most tests check the rules, not the hash's cost.
        server = std::make_unique<PanelServer>(
            *api, PanelPassword::hash(Password, iterations), config);
        listening = server->listen(nullptr);
    }

    PanelClient client(int hostByte = 1) const
    {
        return PanelClient(server->serverPort(), hostByte);
    }

    HostFixture host;
    bool started = false;
    bool listening = false;
    qint64 nowMs = 1000000;
    std::unique_ptr<PanelApi> api;
    std::unique_ptr<PanelServer> server;
};
