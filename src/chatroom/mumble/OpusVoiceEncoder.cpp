#include "chatroom/mumble/OpusVoiceEncoder.h"

#include <opus.h>

OpusVoiceEncoder::OpusVoiceEncoder() {
    int error = OPUS_OK;
    m_encoder = opus_encoder_create(sampleRate, 1, OPUS_APPLICATION_AUDIO, &error);
    if (error != OPUS_OK) {
        m_encoder = nullptr;
        return;
    }
    opus_encoder_ctl(m_encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_MUSIC));
    opus_encoder_ctl(m_encoder, OPUS_SET_VBR(0));
    setBitrate(48000);
}

OpusVoiceEncoder::~OpusVoiceEncoder() {
    if (m_encoder)
        opus_encoder_destroy(m_encoder);
}

void OpusVoiceEncoder::setBitrate(int bitsPerSecond) {
    if (!m_encoder || bitsPerSecond == m_bitrate)
        return;
    m_bitrate = bitsPerSecond;
    opus_encoder_ctl(m_encoder, OPUS_SET_BITRATE(bitsPerSecond));
}

void OpusVoiceEncoder::reset() {
    if (m_encoder)
        opus_encoder_ctl(m_encoder, OPUS_RESET_STATE);
}

QByteArray OpusVoiceEncoder::encode(const int16_t *frame) {
    if (!m_encoder)
        return {};
    // 1275 bytes is the most one Opus frame can take.
    unsigned char packet[1275];
    const opus_int32 size = opus_encode(m_encoder, frame, frameSamples, packet, sizeof packet);
    return size > 0 ? QByteArray(reinterpret_cast<const char *>(packet), size) : QByteArray();
}
