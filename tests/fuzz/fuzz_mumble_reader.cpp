// The room's reader of a Mumble server's control connection, on whatever a server sends: the
// bytes cut at places the input picks, framed (MumbleFrames) and read (MumbleReader, whose
// protobuf messages and roster decide who said what). The first byte picks the owner: the name
// "alice" (owner while registered) or a certificate hash. Checked against a second reading of
// the framing written here, and what reaches the room: no line break or control character in
// a name or a text, and the owner's verdict only for the owner. Every tunnelled voice packet is
// read as the server forwards it, and what reads is built again and read back the same.
#include "FuzzInput.h"

#include "chatroom/mumble/MumbleFrames.h"
#include "chatroom/mumble/MumbleReader.h"
#include "chatroom/mumble/MumbleText.h"
#include "chatroom/mumble/MumbleVarint.h"
#include "chatroom/mumble/MumbleVoicePacket.h"

#include <QTextBoundaryFinder>
#include <QtEndian>

namespace {

const QString kOwnerHash = QStringLiteral("0123456789abcdef0123456789abcdef01234567");

struct Frame {
    quint16 type;
    QByteArray payload;
};

// Type, 4-byte length, payload, until the bytes end or a length is over 8 MiB - 1.
QList<Frame> modelFrames(const QByteArray &bytes, bool *broken) {
    QList<Frame> frames;
    *broken = false;
    for (qsizetype at = 0; bytes.size() - at >= 6;) {
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at + 2);
        if (length >= 8 * 1024 * 1024) {
            *broken = true;
            break;
        }
        if (bytes.size() - at - 6 < qsizetype(length))
            break;
        frames.append({qFromBigEndian<quint16>(bytes.constData() + at), bytes.mid(at + 6, length)});
        at += 6 + qsizetype(length);
    }
    return frames;
}

bool oneLine(const QString &text) {
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

void checkVoice(const QByteArray &payload) {
    const std::optional<MumbleVoicePacket> packet = MumbleVoicePacket::parse(payload, true);
    if (!packet)
        return;
    FUZZ_CHECK(packet->codec == MumbleVoicePacket::opusCodec);
    FUZZ_CHECK(packet->opus.size() <= MumbleVoicePacket::maxOpusBytes);
    const std::optional<MumbleVoicePacket> again = MumbleVoicePacket::parse(
        MumbleVoicePacket::build(packet->sequence, packet->opus, packet->terminator), false);
    FUZZ_CHECK(again && again->sequence == packet->sequence && again->opus == packet->opus &&
               again->terminator == packet->terminator && again->target == 0);
    // Any number the packet holds, written and read again.
    QByteArray written;
    MumbleVarint::append(written, packet->session);
    qsizetype at = 0;
    FUZZ_CHECK(MumbleVarint::read(written, at) == qint64(packet->session) && at == written.size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    const bool byHash = data[0] & 1;
    const size_t cut = 1 + data[1] % 64; // the size of the pieces the socket delivers
    const QByteArray bytes = fuzz::bytes(data + 2, size - 2);

    // The framing alone, against the model.
    MumbleFrames frames;
    QList<Frame> read;
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(cut)) {
        frames.append(bytes.mid(at, qsizetype(cut)));
        while (const std::optional<MumbleFrames::Frame> frame = frames.next())
            read.append({frame->type, frame->payload});
    }
    bool broken = false;
    const QList<Frame> expected = modelFrames(bytes, &broken);
    FUZZ_CHECK(read.size() == expected.size() && frames.broken() == broken);
    for (qsizetype i = 0; i < read.size(); ++i)
        FUZZ_CHECK(read[i].type == expected[i].type && read[i].payload == expected[i].payload);

    // The reader, as the room uses it.
    MumbleReader reader(byHash ? kOwnerHash : QStringLiteral("alice"));
    QObject::connect(&reader, &MumbleReader::textArrived,
                     [&](const QString &name, const QString &text, RoomNetwork::Sender sender,
                         bool toRoomAlone) {
                         Q_UNUSED(toRoomAlone);
                         FUZZ_CHECK(oneLine(name) && oneLine(text));
                         if (sender != RoomNetwork::Sender::Owner)
                             return;
                         // The name shown is one the owner holds now: registered as
                         // alice, or with the owner's certificate.
                         const auto &users = reader.roster().users();
                         FUZZ_CHECK(std::any_of(users.begin(), users.end(), [&](const auto &user) {
                             return user.name == name &&
                                    (byHash ? user.hash == kOwnerHash
                                            : user.registered &&
                                                  name.compare(QLatin1String("alice"),
                                                               Qt::CaseInsensitive) == 0);
                         }));
                     });
    QObject::connect(&reader, &MumbleReader::voiceArrived, checkVoice);
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(cut))
        reader.read(bytes.mid(at, qsizetype(cut)));
    FUZZ_CHECK(reader.roster().userCount() <= 100000 && reader.roster().channelCount() <= 100000);

    // The bytes as a line of the room's own, cut to a message length: the pieces give the line
    // back, and only a piece of one tag, entity or character is longer than the length.
    const QString line = QString::fromUtf8(bytes.left(4096));
    const qsizetype length = qsizetype(cut);
    const QStringList pieces = MumbleText::split(line, length);
    FUZZ_CHECK(pieces.join(QString()) == line);
    for (const QString &piece : pieces) {
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, piece);
        graphemes.toNextBoundary();
        FUZZ_CHECK(piece.size() <= length || piece.startsWith(QLatin1Char('<')) ||
                   piece.startsWith(QLatin1Char('&')) || graphemes.position() >= piece.size() ||
                   piece.at(graphemes.position()).isLowSurrogate());
    }
    return 0;
}
