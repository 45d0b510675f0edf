#pragma once

#include <QString>
#include <optional>

// What the player was told to play, asked over its desktop media controls. They name the file
// as soon as the player chose it, while the now-playing line comes only for a file that started
// within half a second: on a loaded machine, a command the player obeyed may rightly go
// unannounced, and only this tells it from one the player never took.
class PlayerBus {
public:
    struct Track {
        int number = 0; // the library entry, 1-based; 0 with nothing chosen
        QString url;
    };
    // Nothing without a session bus, or when the player does not answer in time.
    std::optional<Track> track() const;
};
