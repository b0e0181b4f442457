// The panel's JSON operations as a logged-in session posts them: the body of a POST to
// /api/<operation>, read as the panel's server reads it, into the operation's own reading of its
// arguments, on an open room in which two players are seated.
//
// Input: steps until the input ends. Each step is a byte that picks the operation (by its
// position among PanelApi::operationNames(), modulo their count), a 16-bit little-endian count
// and that many bytes of body.
//
// Every answer must be 200 with "ok", or an error status with an "error" text; after every step
// the room holds together as in the console target, and the state every page loads can be read.

#include "FuzzSupport.h"
#include "panel/PanelApi.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// As the panel's server: an empty body is no arguments, anything else must be one JSON object.
std::optional<QJsonObject> arguments(const QByteArray &body)
{
    if (body.trimmed().isEmpty())
        return QJsonObject();
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QStringList names = PanelApi::operationNames();
    FuzzHost &host = sharedHost();
    PanelApi api(host.core());
    QByteArrayView input(data, qsizetype(size));
    while (!input.isEmpty()) {
        const QString &operation = names.at(quint8(input.at(0)) % names.size());
        input = input.sliced(1);
        const std::optional<QJsonObject> args = arguments(takeCounted(input).toByteArray());
        if (!args)
            continue;
        const PanelApi::Result result = api.run(operation, *args);
        if (result.status == 200)
            require(result.body.value(u"ok"_s).toBool());
        else
            require(result.status >= 400 && result.body.value(u"error"_s).isString());
        host.settle();
        host.check();
    }
    api.state();
    finishInput();
    return 0;
}
