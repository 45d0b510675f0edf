#pragma once

#include <QString>
#include <functional>
#include <memory>

class ChatWindow;
class Dialogs;
class FolderDialog;
class MediaEngine;
class PopupMenus;
class StreamService;
class TagReader;
class TrayShell;
class WindowMover;

// Everything through which the program reaches the world outside it. The app fills this with the
// real implementations in one place (AppWiring); tests fill it with fakes.
struct Platform {
    Dialogs *dialogs = nullptr;
    ChatWindow *chatWindow = nullptr;
    FolderDialog *folderDialog = nullptr;
    const TagReader *tagReader = nullptr;
    TrayShell *tray = nullptr;
    PopupMenus *popupMenus = nullptr;
    WindowMover *windowMover = nullptr;
    // The stream listeners hear; none: nothing streams, and listen says so.
    StreamService *stream = nullptr;
    // Each main window owns its own engine, made when the window is created.
    std::function<std::unique_ptr<MediaEngine>()> makeEngine;
    // The folder that holds the settings file: in the real program the executable's folder, or the
    // user's configuration folder where that one cannot be written (see app/SettingsFolder).
    QString programFolder;
};
