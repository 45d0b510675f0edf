#include "stream/AudioDecoder.h"

#include "stream/StreamLog.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

struct AudioDecoder::Impl {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwrContext *swr = nullptr;
    AVPacket *packet = nullptr;
    AVFrame *frame = nullptr;
    int stream = -1;
    std::vector<int16_t> pending; // converted sample pairs not yet read, interleaved
    size_t pendingAt = 0;         // in samples (not pairs)
    qint64 samplesRead = 0;       // pairs since the last seek or open
    double base = 0;              // position at the last seek or open
    double skipUntil = -1;        // after a seek: decoded audio before this is dropped
    bool draining = false;        // the demuxer has ended; the decoder is being flushed
    bool ended = false;

    ~Impl() { close(); }

    void close() {
        swr_free(&swr);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        av_packet_free(&packet);
        av_frame_free(&frame);
        stream = -1;
        pending.clear();
        pendingAt = 0;
        samplesRead = 0;
        base = 0;
        skipUntil = -1;
        draining = false;
        ended = false;
    }

    bool makeResampler() {
        swr_free(&swr);
        AVChannelLayout in{};
        if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, codec->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &codec->ch_layout) < 0)
            return false;
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        const int result = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, kSampleRate, &in,
                                               codec->sample_fmt, codec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        return result >= 0 && swr_init(swr) >= 0;
    }

    // Converts the decoded frame (or, with none, what the resampler still holds) into pending.
    void convert(const AVFrame *decoded) {
        const int inSamples = decoded ? decoded->nb_samples : 0;
        const int capacity = swr_get_out_samples(swr, inSamples);
        if (capacity <= 0)
            return;
        const size_t start = pending.size();
        pending.resize(start + size_t(capacity) * kChannels);
        auto *out = reinterpret_cast<uint8_t *>(pending.data() + start);
        const int made = swr_convert(
            swr, &out, capacity,
            decoded ? const_cast<const uint8_t **>(decoded->extended_data) : nullptr, inSamples);
        pending.resize(start + size_t(std::max(made, 0)) * kChannels);
        if (skipUntil < 0 || !decoded)
            return;
        // The demuxer seeks to a packet at or before the target; drop what comes before it.
        const AVRational timeBase = format->streams[stream]->time_base;
        const int64_t stamp = decoded->best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE) {
            skipUntil = -1;
            return;
        }
        const double startsAt = double(stamp) * av_q2d(timeBase);
        const auto early = qint64((skipUntil - startsAt) * kSampleRate);
        const auto made64 = qint64(std::max(made, 0));
        if (early >= made64) {
            pending.resize(start);
            return;
        }
        if (early > 0)
            pending.erase(pending.begin() + qptrdiff(start),
                          pending.begin() + qptrdiff(start + size_t(early) * kChannels));
        skipUntil = -1;
    }

    // Decodes more into pending; false once nothing more will come.
    bool decodeMore() {
        for (;;) {
            const int received = avcodec_receive_frame(codec, frame);
            if (received == 0) {
                convert(frame);
                av_frame_unref(frame);
                return true;
            }
            if (received == AVERROR_EOF) {
                convert(nullptr);
                ended = true;
                return pending.size() > pendingAt;
            }
            if (received != AVERROR(EAGAIN)) {
                ended = true;
                return false;
            }
            if (draining) {
                ended = true;
                return false;
            }
            const int read = av_read_frame(format, packet);
            if (read < 0) {
                draining = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                // A damaged packet is skipped; the next one may decode.
                avcodec_send_packet(codec, packet);
            }
            av_packet_unref(packet);
        }
    }
};

AudioDecoder::AudioDecoder() : d(std::make_unique<Impl>()) {}

AudioDecoder::~AudioDecoder() = default;

void AudioDecoder::routeLogToDebug() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_callback([](void *, int level, const char *format, va_list arguments) {
            if (level > AV_LOG_WARNING || !lcStream().isDebugEnabled())
                return;
            char line[1024];
            std::vsnprintf(line, sizeof line, format, arguments);
            qCDebug(lcStream, "ffmpeg: %s", QByteArray(line).trimmed().constData());
        });
    });
}

bool AudioDecoder::open(const QByteArray &fileName) {
    close();
    // Only regular files: FFmpeg would block on a FIFO and read a name such as "http://x" as an
    // address.
    struct stat info {};
    if (fileName.isEmpty() || ::stat(fileName.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    const QByteArray local = fileName.startsWith('/') ? fileName : "./" + fileName;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened =
        avformat_open_input(&d->format, ("file:" + local).constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return false;
    const AVCodec *decoder = nullptr;
    if (avformat_find_stream_info(d->format, nullptr) < 0 ||
        (d->stream = av_find_best_stream(d->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) < 0 ||
        !decoder) {
        close();
        return false;
    }
    d->codec = avcodec_alloc_context3(decoder);
    if (!d->codec ||
        avcodec_parameters_to_context(d->codec, d->format->streams[d->stream]->codecpar) < 0 ||
        avcodec_open2(d->codec, decoder, nullptr) < 0 || !d->makeResampler()) {
        close();
        return false;
    }
    // Only the audio stream is demuxed: cover art and other streams are dropped at the source.
    for (unsigned i = 0; i < d->format->nb_streams; ++i) {
        if (int(i) != d->stream)
            d->format->streams[i]->discard = AVDISCARD_ALL;
    }
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (!d->packet || !d->frame) {
        close();
        return false;
    }
    return true;
}

void AudioDecoder::close() {
    d->close();
}

bool AudioDecoder::isOpen() const {
    return d->format != nullptr;
}

bool AudioDecoder::seek(double seconds) {
    if (!isOpen())
        return false;
    seconds = std::max(0.0, seconds);
    const auto target = int64_t(seconds * AV_TIME_BASE);
    if (avformat_seek_file(d->format, -1, INT64_MIN, target, target, 0) < 0)
        return false;
    avcodec_flush_buffers(d->codec);
    // The resampler may hold samples of before the seek.
    if (!d->makeResampler()) {
        d->close();
        return false;
    }
    d->pending.clear();
    d->pendingAt = 0;
    d->samplesRead = 0;
    d->base = seconds;
    d->skipUntil = seconds;
    d->draining = false;
    d->ended = false;
    return true;
}

int AudioDecoder::read(int16_t *interleaved, int frames) {
    if (!isOpen())
        return 0;
    int done = 0;
    while (done < frames) {
        if (d->pendingAt >= d->pending.size()) {
            d->pending.clear();
            d->pendingAt = 0;
            if (d->ended || !d->decodeMore())
                break;
            continue;
        }
        const size_t available = (d->pending.size() - d->pendingAt) / kChannels;
        const size_t take = std::min(available, size_t(frames - done));
        std::memcpy(interleaved + size_t(done) * kChannels, d->pending.data() + d->pendingAt,
                    take * kChannels * sizeof(int16_t));
        d->pendingAt += take * kChannels;
        done += int(take);
    }
    d->samplesRead += done;
    return done;
}

bool AudioDecoder::atEnd() const {
    return !isOpen() || (d->ended && d->pendingAt >= d->pending.size());
}

double AudioDecoder::position() const {
    return d->base + double(d->samplesRead) / kSampleRate;
}
