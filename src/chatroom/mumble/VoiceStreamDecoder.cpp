#include "chatroom/mumble/VoiceStreamDecoder.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

Q_LOGGING_CATEGORY(lcVoice, "zandoramp.voice", QtInfoMsg)

namespace {

QString ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

} // namespace

struct VoiceStreamDecoder::Impl {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwrContext *swr = nullptr;
    AVPacket *packet = nullptr;
    AVFrame *frame = nullptr;
    int stream = -1;
    const std::atomic<bool> *stop = nullptr;
    QElapsedTimer sinceProgress;

    ~Impl() { close(); }

    void close() {
        swr_free(&swr);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        av_packet_free(&packet);
        av_frame_free(&frame);
        stream = -1;
    }

    // FFmpeg asks this while it waits in the network: a stop, or a stream gone quiet, ends it.
    static int interrupted(void *opaque) {
        const auto *self = static_cast<const Impl *>(opaque);
        return (self->stop && self->stop->load()) || self->sinceProgress.hasExpired(stallTimeoutMs);
    }

    bool makeResampler() {
        swr_free(&swr);
        AVChannelLayout in{};
        if (codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, codec->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&in, &codec->ch_layout) < 0)
            return false;
        AVChannelLayout out = AV_CHANNEL_LAYOUT_MONO;
        const int made = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, sampleRate, &in,
                                             codec->sample_fmt, codec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        return made >= 0 && swr_init(swr) >= 0;
    }

    void convert(const AVFrame *decoded, std::vector<int16_t> &samples) {
        const int capacity = swr_get_out_samples(swr, decoded->nb_samples);
        if (capacity <= 0)
            return;
        const size_t start = samples.size();
        samples.resize(start + size_t(capacity));
        auto *out = reinterpret_cast<uint8_t *>(samples.data() + start);
        const int made =
            swr_convert(swr, &out, capacity, const_cast<const uint8_t **>(decoded->extended_data),
                        decoded->nb_samples);
        samples.resize(start + size_t(std::max(made, 0)));
    }
};

VoiceStreamDecoder::VoiceStreamDecoder() : d(std::make_unique<Impl>()) {}

VoiceStreamDecoder::~VoiceStreamDecoder() = default;

void VoiceStreamDecoder::routeLogToDebug() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_callback([](void *, int level, const char *format, va_list arguments) {
            if (level > AV_LOG_WARNING || !lcVoice().isDebugEnabled())
                return;
            char line[1024];
            std::vsnprintf(line, sizeof line, format, arguments);
            qCDebug(lcVoice, "ffmpeg: %s", QByteArray(line).trimmed().constData());
        });
    });
}

bool VoiceStreamDecoder::open(const QString &url, const std::atomic<bool> *stop) {
    close();
    d->stop = stop;
    d->sinceProgress.start();
    d->format = avformat_alloc_context();
    if (!d->format) {
        m_error = QStringLiteral("out of memory");
        return false;
    }
    d->format->interrupt_callback = {&Impl::interrupted, d.get()};
    AVDictionary *options = nullptr;
    // Network streams only, and small probes: a live stream is known from its first frames,
    // and waiting for more would hold back every change the channel is to hear.
    av_dict_set(&options, "protocol_whitelist", "http,https,tcp,tls", 0);
    av_dict_set(&options, "probesize", "32768", 0);
    av_dict_set(&options, "analyzeduration", "0", 0);
    // A demuxer keeps an index of where its packets were, for seeking; a live stream plays for
    // days and is never sought, and at the default bound the index alone grows by a megabyte.
    av_dict_set(&options, "indexmem", "4096", 0);
    av_dict_set(&options, "user_agent", "zandoramp chatroom", 0);
    const QByteArray address = url.toUtf8();
    const int opened = avformat_open_input(&d->format, address.constData(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        m_error = ffmpegError(opened);
        d->close(); // avformat_open_input freed the context already
        return false;
    }
    const AVCodec *decoder = nullptr;
    if (avformat_find_stream_info(d->format, nullptr) < 0 ||
        (d->stream = av_find_best_stream(d->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) < 0 ||
        !decoder) {
        m_error = QStringLiteral("no audio in the stream");
        close();
        return false;
    }
    d->codec = avcodec_alloc_context3(decoder);
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (!d->codec || !d->packet || !d->frame ||
        avcodec_parameters_to_context(d->codec, d->format->streams[d->stream]->codecpar) < 0 ||
        avcodec_open2(d->codec, decoder, nullptr) < 0 || !d->makeResampler()) {
        m_error = QStringLiteral("the stream's audio does not decode");
        close();
        return false;
    }
    for (unsigned i = 0; i < d->format->nb_streams; ++i) {
        if (int(i) != d->stream)
            d->format->streams[i]->discard = AVDISCARD_ALL;
    }
    return true;
}

void VoiceStreamDecoder::close() {
    d->close();
}

bool VoiceStreamDecoder::read(std::vector<int16_t> &samples) {
    if (!d->format)
        return false;
    const size_t before = samples.size();
    while (samples.size() == before) {
        const int received = avcodec_receive_frame(d->codec, d->frame);
        if (received == 0) {
            // A stream may change its rate or channels between songs.
            if (d->frame->sample_rate != d->codec->sample_rate ||
                av_channel_layout_compare(&d->frame->ch_layout, &d->codec->ch_layout) != 0) {
                d->codec->sample_rate = d->frame->sample_rate;
                av_channel_layout_uninit(&d->codec->ch_layout);
                av_channel_layout_copy(&d->codec->ch_layout, &d->frame->ch_layout);
                d->codec->sample_fmt = AVSampleFormat(d->frame->format);
                if (!d->makeResampler()) {
                    m_error = QStringLiteral("the stream's audio changed to a form that does "
                                             "not convert");
                    return false;
                }
            }
            d->convert(d->frame, samples);
            av_frame_unref(d->frame);
            continue;
        }
        if (received != AVERROR(EAGAIN)) {
            m_error = received == AVERROR_EOF ? QStringLiteral("the stream ended")
                                              : ffmpegError(received);
            return false;
        }
        const int got = av_read_frame(d->format, d->packet);
        if (got < 0) {
            m_error = got == AVERROR_EOF ? QStringLiteral("the stream ended")
                      : got == AVERROR_EXIT
                          ? QStringLiteral("nothing came for %1 s").arg(stallTimeoutMs / 1000)
                          : ffmpegError(got);
            return false;
        }
        d->sinceProgress.start();
        if (d->packet->stream_index == d->stream)
            avcodec_send_packet(d->codec, d->packet); // a damaged packet is skipped
        av_packet_unref(d->packet);
    }
    return true;
}
