// The panel's front end in a build without its web server (the Windows build, until the event
// stream no longer needs QtWebSockets, which has no Windows build here): asking for a panel is a
// failed start that says why, and everything else runs as usual.
#include "panel/PanelFrontEnd.h"

#include "host/HostCore.h"

using namespace Qt::StringLiterals;

class PanelApi
{
};
class PanelServer
{
};

PanelFrontEnd::PanelFrontEnd(HostCore &core, QObject *parent)
    : QObject(parent)
{
    Q_UNUSED(core);
}

PanelFrontEnd::~PanelFrontEnd() = default;

std::unique_ptr<PanelFrontEnd> PanelFrontEnd::start(
    HostCore &core, const PanelRequest &request, QString *error)
{
    error->clear();
    if (request.endpoint || PanelSettings::storedEndpoint(core.store()))
        *error = u"This build of the program has no browser panel."_s;
    return nullptr;
}

quint16 PanelFrontEnd::port() const
{
    return 0;
}

QString PanelFrontEnd::address() const
{
    return m_address;
}
