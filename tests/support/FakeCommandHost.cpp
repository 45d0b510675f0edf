#include "support/FakeCommandHost.h"

#include "library/Library.h"

const QStringList &FakeCommandHost::sampleSongs() {
    static const QStringList songs{"ABBA - Dancing.mp3", "Deep Purple - Smoke.mp3",
                                   "Queen A.mp3",        "queen B.mp3",
                                   "Queen C.mp3",        "Zed.mp3"};
    return songs;
}

FakeCommandHost::FakeCommandHost() : m_library(std::make_unique<Library>()) {}

FakeCommandHost::~FakeCommandHost() = default;

QString FakeCommandHost::screenName() const {
    return labSN;
}

void FakeCommandHost::setScreenName(const QString &name) {
    calls.append(QStringLiteral("setScreenName:") + name);
    labSN = name;
}

void FakeCommandHost::sendChat(const QString &text) {
    calls.append(QStringLiteral("sendChat:") + text);
    if (onSendChat)
        onSendChat(text);
}

void FakeCommandHost::clearChat() {
    calls.append(QStringLiteral("clearChat"));
}

const Library &FakeCommandHost::library() const {
    return *m_library;
}

void FakeCommandHost::playFile(const QString &text) {
    calls.append(QStringLiteral("playFile:") + text);
}

int FakeCommandHost::random(int highest, int lowest) {
    calls.append(QStringLiteral("random:%1,%2").arg(highest).arg(lowest));
    return randomFunction ? randomFunction(highest, lowest) : lowest;
}

void FakeCommandHost::startEntry(int row) {
    calls.append(QStringLiteral("startEntry:%1").arg(row));
}

void FakeCommandHost::playerPlay() {
    calls.append(QStringLiteral("playerPlay"));
}

void FakeCommandHost::playerPause() {
    calls.append(QStringLiteral("playerPause"));
}

void FakeCommandHost::playerFastForward() {
    calls.append(QStringLiteral("playerFastForward"));
}

void FakeCommandHost::playerFastReverse() {
    calls.append(QStringLiteral("playerFastReverse"));
}

QString FakeCommandHost::pauseText() const {
    return txtPause;
}

QString FakeCommandHost::forwardText() const {
    return txtFor;
}

QString FakeCommandHost::reverseText() const {
    return txtRev;
}

void FakeCommandHost::setAutoRandom(bool on) {
    calls.append(QStringLiteral("setAutoRandom:%1").arg(on ? 1 : 0));
    autoRandom = on;
}

void FakeCommandHost::pickerLoad() {
    calls.append(QStringLiteral("pickerLoad"));
    pickerLoaded = true;
}

void FakeCommandHost::pickerAdd(int row) {
    const QString displayLine = m_library->displayLine(row);
    calls.append(QStringLiteral("pickerAdd:") + displayLine);
    if (pickerLoaded)
        pickerEntries.append(displayLine);
}

int FakeCommandHost::pickerCount() const {
    return static_cast<int>(pickerEntries.size());
}

void FakeCommandHost::pickerUnload() {
    calls.append(QStringLiteral("pickerUnload"));
    pickerLoaded = false;
    pickerVisible = false;
    pickerEntries.clear();
}

void FakeCommandHost::pickerShow() {
    calls.append(QStringLiteral("pickerShow"));
    if (pickerLoaded)
        pickerVisible = true;
}

void FakeCommandHost::addFiles(const QStringList &files, const QString &folder) {
    for (const QString &file : files)
        m_library->AddIt(file, folder);
}

Library &FakeCommandHost::mutableLibrary() {
    return *m_library;
}
