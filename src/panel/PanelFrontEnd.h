#pragma once

#include "panel/PanelSettings.h"

#include <QObject>
#include <QString>

#include <cstdio>
#include <memory>
#include <optional>

class HostCore;
class PanelApi;
class PanelServer;

// What the command line asks of the panel.
struct PanelRequest
{
    std::optional<PanelSettings::Endpoint> endpoint; // --panel; else the stored values
    QString certFile; // --panel-cert, PEM
    QString keyFile; // --panel-key, PEM
};

// The browser panel beside the window or the console: the API over the core and its server.
class PanelFrontEnd : public QObject
{
    Q_OBJECT

public:
    // Nothing, with error empty, when no panel is asked for; nothing with the reason when it
    // cannot start (no stored password, unreadable certificate, port taken).
    static std::unique_ptr<PanelFrontEnd> start(
        HostCore &core, const PanelRequest &request, QString *error);
    ~PanelFrontEnd() override;

    quint16 port() const;
    QString address() const;

private:
    explicit PanelFrontEnd(HostCore &core, QObject *parent = nullptr);

    std::unique_ptr<PanelApi> m_api;
    std::unique_ptr<PanelServer> m_server;
    QString m_address;
};

namespace PanelPasswordSetup {

// --set-panel-password: one line from input (asked twice on a terminal), stored hashed in the
// settings file. Returns the exit status; messages go to err.
int run(const QString &settingsFile, FILE *in = stdin, FILE *err = stderr);

} // namespace PanelPasswordSetup
