#pragma once

#include "commands/Picker.h"

#include <QList>
#include <QString>
#include <functional>

class Library;

// The picker of a player without a window: after the count line of a "p" search it says the
// first matches in the chat, one line each as "NUMBER: display line", and the owner picks one
// by typing its number.
class ChatPicker : public Picker {
public:
    static constexpr int kMostLines = 10;

    ChatPicker(const Library &library, std::function<void(const QString &)> say);

    void load() override;
    void add(int row) override;
    int count() const override;
    void unload() override;
    void show() override;
    bool offers(int row) const override;

private:
    const Library &m_library;
    std::function<void(const QString &)> m_say;
    bool m_loaded = false;
    QList<int> m_rows;
    // The rows of the list said last.
    QList<int> m_offered;
};
