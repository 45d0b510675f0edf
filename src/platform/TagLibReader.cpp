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
// Both read from the stream, which must outlive them (members go in reverse order); the stream
// lives in place, on the reader's stack, since TagLib holds on to its address.
struct OpenedFile {
    explicit OpenedFile(const QByteArray &name) : stream(name) {}
    OpenedFile(const OpenedFile &) = delete;
    OpenedFile &operator=(const OpenedFile &) = delete;

    ReadOnlyFileStream stream;
    std::unique_ptr<TagLib::File> owned;
    TagLib::FileRef ref;

    TagLib::File *get() const { return owned ? owned.get() : ref.file(); }
};

// The format's own File class chosen by the extension: no guessing, the file is opened once,
// and with withAudio false no audio frames are read at all. Unknown extensions go through
// FileRef, which knows a few more formats. Only regular files are opened (see
// ReadOnlyFileStream): a FIFO would block, folders and devices are not media.
void openFile(OpenedFile &opened, bool withAudio) {
    if (!opened.stream.isOpen())
        return;
    using Style = TagLib::AudioProperties::ReadStyle;
    TagLib::IOStream *file = &opened.stream;
    const QByteArray name(opened.stream.name());
    TagLib::ID3v2::FrameFactory *frames = TagLib::ID3v2::FrameFactory::instance();
    const QByteArray ext = extensionOf(name);
    const Style style = Style::Average;
    // Raw AAC (ADTS) is no format TagLib knows, but its tags are ID3v2 in front, as in an mp3.
    if (ext == "mp3" || ext == "mp2" || ext == "mpga" || ext == "aac")
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
}

QString toQString(const TagLib::String &text) {
    return QString::fromUtf8(text.toCString(true)).trimmed();
}

// Artist and title. A WAV file's tag() is its ID3v2 chunk alone; most WAV files carry their
// tags in the RIFF INFO chunk instead, which then stands in for it.
MediaTags tagsOf(const TagLib::File &file) {
    MediaTags tags;
    if (const TagLib::Tag *tag = file.tag()) {
        tags.artist = toQString(tag->artist());
        tags.title = toQString(tag->title());
    }
    const auto *wav = dynamic_cast<const TagLib::RIFF::WAV::File *>(&file);
    if (wav && tags.artist.isEmpty() && tags.title.isEmpty() && wav->hasInfoTag()) {
        tags.artist = toQString(wav->InfoTag()->artist());
        tags.title = toQString(wav->InfoTag()->title());
    }
    return tags;
}

} // namespace

TagLibReader::TagLibReader() {
    static SilentDebugListener listener;
    static const bool installed = (TagLib::setDebugListener(&listener), true);
    Q_UNUSED(installed);
}

MediaTags TagLibReader::readTags(const QString &path) const {
    OpenedFile opened(FileNames::encode(path));
    openFile(opened, false);
    const TagLib::File *file = opened.get();
    if (!file || !file->isValid())
        return {};
    return tagsOf(*file);
}

MediaFacts TagLibReader::readFacts(const QString &path) const {
    MediaFacts facts;
    OpenedFile opened(FileNames::encode(path));
    openFile(opened, true);
    const TagLib::File *file = opened.get();
    if (!file || !file->isValid())
        return facts;
    const MediaTags tags = tagsOf(*file);
    facts.artist = tags.artist;
    facts.title = tags.title;
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
