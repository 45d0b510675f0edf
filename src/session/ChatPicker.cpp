#include "session/ChatPicker.h"

#include "library/Library.h"
#include "player/Announcement.h"

ChatPicker::ChatPicker(const Library &library, std::function<void(const QString &)> say)
    : m_library(library), m_say(std::move(say)) {}

void ChatPicker::load() {
    m_loaded = true;
}

void ChatPicker::add(int row) {
    if (m_loaded)
        m_rows.append(row);
}

int ChatPicker::count() const {
    return int(m_rows.size());
}

void ChatPicker::unload() {
    m_loaded = false;
    m_rows.clear();
}

void ChatPicker::show() {
    // Nothing stays open to be added to: each search lists its own matches.
    m_offered = m_rows.mid(0, kMostLines);
    unload();
    for (int row : std::as_const(m_offered)) {
        // The chat takes HTML; a file name is text.
        m_say(QString::number(row + 1) + QStringLiteral(": ") +
              Announcement::escapeHtml(m_library.displayLine(row)));
    }
}

bool ChatPicker::offers(int row) const {
    return m_offered.contains(row);
}
