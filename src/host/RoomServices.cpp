#include "RoomServices.h"

#include "chat/BotSpeaker.h"
#include "chatserver/ClientSlots.h"

RoomServices::RoomServices(const Room &room, SettingsStore &store,
    const QList<LadderEntry> &ladders, const LeagueSite &site, QNetworkAccessManager *web)
    : tournament(store, ladders)
    , pairings(tournament, site, web)
    , ranks(tournament, site, web)
    , replies(room.bot, tournament, pairings, room.players, room.slots, room.transcript)
    , playerChat(room.state, room.players, room.queue, room.transcript, room.bot, replies, ranks)
    , console(room.state, room.players, room.queue, room.transcript, replies, ranks)
{
    // A rank arrives after the asking line was handled; the bot gives it to whoever asked.
    ClientSlots &slots = room.slots;
    ranks.setConnectionOf([&slots](int socket) { return slots.connectionId(socket); });
    BotSpeaker &bot = room.bot;
    QObject::connect(&ranks, &RankLookup::reply, &ranks,
        [&bot](bool replyToHost, int socket, const QString &text) {
            bot.botSay(replyToHost, socket, text);
        });
}
