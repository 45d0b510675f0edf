#include "chatroom/mumble/MumbleReader.h"

#include "MumbleMessages.pb.h"
#include "chatroom/mumble/MumbleText.h"

namespace {

template <typename Message> bool parse(Message &message, const QByteArray &payload) {
    return message.ParseFromArray(payload.constData(), int(payload.size()));
}

} // namespace

MumbleReader::MumbleReader(const QString &owner, QObject *parent)
    : QObject(parent), m_roster(owner) {}

void MumbleReader::clear() {
    m_frames.clear();
    m_roster.clear();
    m_session = 0;
    m_synced = false;
    m_maxBandwidth = defaultBandwidth;
    m_messageLength = defaultMessageLength;
}

const MumbleRoster::User *MumbleReader::self() const {
    return m_synced ? m_roster.user(m_session) : nullptr;
}

void MumbleReader::read(const QByteArray &bytes) {
    m_frames.append(bytes);
    while (const std::optional<MumbleFrames::Frame> frame = m_frames.next())
        handle(frame->type, frame->payload);
    if (m_frames.broken())
        emit broken();
}

void MumbleReader::handle(quint16 type, const QByteArray &payload) {
    // A message that does not parse is skipped, as a client skips what it does not know.
    switch (type) {
    case UDPTunnel:
        emit voiceArrived(payload);
        break;
    case Reject: {
        mumbleproto::Reject message;
        if (parse(message, payload))
            emit rejected(int(message.type()), MumbleText::fromField(message.reason()));
        break;
    }
    case ServerSync: {
        mumbleproto::ServerSync message;
        if (!parse(message, payload) || !message.has_session())
            break;
        m_session = message.session();
        if (message.has_max_bandwidth() && message.max_bandwidth() > 0)
            m_maxBandwidth = message.max_bandwidth();
        m_synced = true;
        emit serverSynced();
        break;
    }
    case ServerConfig: {
        mumbleproto::ServerConfig message;
        if (!parse(message, payload))
            break;
        if (message.has_max_bandwidth() && message.max_bandwidth() > 0)
            m_maxBandwidth = message.max_bandwidth();
        if (message.has_message_length())
            m_messageLength = message.message_length();
        break;
    }
    case ChannelState: {
        mumbleproto::ChannelState message;
        if (!parse(message, payload) || !message.has_channel_id())
            break;
        m_roster.updateChannel(message.channel_id(),
                               message.has_name()
                                   ? std::optional(MumbleText::fromField(message.name()))
                                   : std::nullopt);
        emit channelsChanged();
        break;
    }
    case ChannelRemove: {
        mumbleproto::ChannelRemove message;
        if (!parse(message, payload) || !message.has_channel_id())
            break;
        m_roster.removeChannel(message.channel_id());
        emit channelsChanged();
        break;
    }
    case UserState: {
        mumbleproto::UserState message;
        if (!parse(message, payload) || !message.has_session())
            break;
        m_roster.updateUser(message);
        emit userChanged(message.session());
        break;
    }
    case UserRemove: {
        mumbleproto::UserRemove message;
        if (!parse(message, payload) || !message.has_session())
            break;
        m_roster.removeUser(message.session());
        emit userRemoved(message.session(), message.actor(),
                         MumbleText::fromField(message.reason()), message.ban());
        break;
    }
    case TextMessage: {
        mumbleproto::TextMessage message;
        // The server's own notices come without an actor: nobody said them.
        if (!m_synced || !parse(message, payload) || !message.has_actor())
            break;
        const MumbleRoster::User *from = m_roster.user(message.actor());
        if (!from)
            break;
        const bool toChannels = message.channel_id_size() > 0 || message.tree_id_size() > 0;
        emit textArrived(from->name, MumbleText::toPlain(MumbleText::fromField(message.message())),
                         m_roster.sender(message.actor(), m_session), !toChannels);
        break;
    }
    case PermissionDenied: {
        mumbleproto::PermissionDenied message;
        if (parse(message, payload))
            emit permissionDenied(int(message.type()), message.permission(), message.channel_id(),
                                  MumbleText::fromField(message.reason()));
        break;
    }
    default:
        break; // Version, CryptSetup, CodecVersion, Ping and the rest ask nothing of the room
    }
}
