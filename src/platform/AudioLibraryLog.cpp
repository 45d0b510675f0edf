#include "platform/AudioLibraryLog.h"

#include <QByteArray>
#include <cstdarg>
#include <cstdio>

#ifdef ZAMP_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

// Off unless asked for: QT_LOGGING_RULES="zandoramp.audio.debug=true".
Q_LOGGING_CATEGORY(lcAudio, "zandoramp.audio", QtInfoMsg)

namespace {

#ifdef ZAMP_HAVE_ALSA
// Called on mpv's audio thread; qCDebug may be used from any thread.
void alsaError(const char *file, int line, const char *function, int error, const char *format,
               ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    qCDebug(lcAudio, "ALSA %s:%d (%s): %s (error %d)", file, line, function, text, error);
}
#endif

} // namespace

void AudioLibraryLog::routeToDebugLog() {
#ifdef ZAMP_HAVE_ALSA
    snd_lib_error_set_handler(&alsaError);
#endif
    // PipeWire's log has no hook short of replacing its logger; it only reads this variable.
    // A level the user set on purpose is left alone.
    if (!qEnvironmentVariableIsSet("PIPEWIRE_DEBUG"))
        qputenv("PIPEWIRE_DEBUG", QByteArrayLiteral("0"));
}
