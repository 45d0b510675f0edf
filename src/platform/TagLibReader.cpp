#include "platform/TagLibReader.h"

#include "platform/FileNames.h"
#include "platform/ReadOnlyFileStream.h"

#include <QByteArray>
#include <algorithm>
#include <memory>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tdebuglistener.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

namespace {

// TagLib reports every oddity of a broken file on stderr; a scan of a large, messy folder
// would flood the terminal.
class SilentDebugListener : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String &) override {}
};

QByteArray extensionOf(const QByteArray &name) {
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype slash = name.lastIndexOf('/');
    if (dot < 0 || dot < slash)
        return {};
    return name.mid(dot + 1).toLower();
}

// A file opened either through its format's own class or, failing that, through FileRef.
// Both read from the stream, which must outlive them (members go in reverse order).
struct OpenedFile {
    std::unique_ptr<ReadOnlyFileStream> stream;
    std::unique_ptr<TagLib::File> owned;
    TagLib::FileRef ref;

    TagLib::File *get() const { return owned ? owned.get() : ref.file(); }
};

// The format's own File class chosen by the extension: no guessing, the file is opened once,
// and with withAudio false no audio frames are read at all. Unknown extensions go through
// FileRef, which knows a few more formats. Only regular files are opened (see
// ReadOnlyFileStream): a FIFO would block, folders and devices are not media.
OpenedFile openFile(const QByteArray &name, bool withAudio) {
    OpenedFile opened;
    opened.stream = std::make_unique<ReadOnlyFileStream>(name);
    if (!opened.stream->isOpen())
        return opened;
    using Style = TagLib::AudioProperties::ReadStyle;
    TagLib::IOStream *file = opened.stream.get();
    TagLib::ID3v2::FrameFactory *frames = TagLib::ID3v2::FrameFactory::instance();
    const QByteArray ext = extensionOf(name);
    const Style style = Style::Average;
    if (ext == "mp3" || ext == "mp2" || ext == "mpga")
        opened.owned = std::make_unique<TagLib::MPEG::File>(file, frames, withAudio, style);
    else if (ext == "wma" || ext == "asf" || ext == "wmv")
        opened.owned = std::make_unique<TagLib::ASF::File>(file, withAudio, style);
    else if (ext == "flac")
        opened.owned = std::make_unique<TagLib::FLAC::File>(file, frames, withAudio, style);
    else if (ext == "ogg" || ext == "oga")
        opened.owned = std::make_unique<TagLib::Ogg::Vorbis::File>(file, withAudio, style);
    else if (ext == "opus")
        opened.owned = std::make_unique<TagLib::Ogg::Opus::File>(file, withAudio, style);
    else if (ext == "spx")
        opened.owned = std::make_unique<TagLib::Ogg::Speex::File>(file, withAudio, style);
    else if (ext == "m4a" || ext == "m4b" || ext == "mp4")
        opened.owned = std::make_unique<TagLib::MP4::File>(file, withAudio, style);
    else if (ext == "wav")
        opened.owned = std::make_unique<TagLib::RIFF::WAV::File>(file, withAudio, style);
    else if (ext == "aif" || ext == "aiff")
        opened.owned = std::make_unique<TagLib::RIFF::AIFF::File>(file, withAudio, style);
    else if (ext == "ape")
        opened.owned = std::make_unique<TagLib::APE::File>(file, withAudio, style);
    else if (ext == "mpc")
        opened.owned = std::make_unique<TagLib::MPC::File>(file, withAudio, style);
    else if (ext == "wv")
        opened.owned = std::make_unique<TagLib::WavPack::File>(file, withAudio, style);
    else if (ext == "tta")
        opened.owned = std::make_unique<TagLib::TrueAudio::File>(file, frames, withAudio, style);
    // An .ogg may hold FLAC or Opus rather than Vorbis; FileRef looks at the content.
    if (!opened.owned || ((ext == "ogg" || ext == "oga") && !opened.owned->isValid())) {
        opened.owned.reset();
        file->seek(0);
        opened.ref = TagLib::FileRef(file, withAudio, style);
    }
    return opened;
}

QString toQString(const TagLib::String &text) {
    return QString::fromUtf8(text.toCString(true)).trimmed();
}

} // namespace

TagLibReader::TagLibReader() {
    static SilentDebugListener listener;
    static const bool installed = (TagLib::setDebugListener(&listener), true);
    Q_UNUSED(installed);
}

MediaTags TagLibReader::readTags(const QString &path) const {
    MediaTags tags;
    const OpenedFile opened = openFile(FileNames::encode(path), false);
    const TagLib::File *file = opened.get();
    if (!file || !file->isValid() || !file->tag())
        return tags;
    tags.artist = toQString(file->tag()->artist());
    tags.title = toQString(file->tag()->title());
    return tags;
}

MediaFacts TagLibReader::readFacts(const QString &path) const {
    MediaFacts facts;
    const OpenedFile opened = openFile(FileNames::encode(path), true);
    const TagLib::File *file = opened.get();
    if (!file || !file->isValid())
        return facts;
    if (const TagLib::Tag *tag = file->tag()) {
        facts.artist = toQString(tag->artist());
        facts.title = toQString(tag->title());
    }
    if (const TagLib::AudioProperties *audio = file->audioProperties()) {
        facts.lengthMs = std::max(0, audio->lengthInMilliseconds());
        // TagLib gives kilobits per second.
        facts.bitrate = std::max(0, audio->bitrate()) * 1000;
    }
    // TagLib accepts any bytes named .mp3 (an empty file, noise) as an MPEG file without
    // frames; only one with a length is recognised audio.
    facts.readable = facts.lengthMs > 0;
    return facts;
}
