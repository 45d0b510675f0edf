#pragma once

#include "commands/MultiPicker.h"
#include "commands/Picker.h"

#include <QObject>
#include <QPointer>

// The one picker window that "p" searches fill: made when a search loads it, and unloaded the
// moment it closes, by Cancel, a pick or its frame, even though Qt deletes it only later. It goes
// with its owner at the latest.
class PickerSlot : public QObject, public Picker {
    Q_OBJECT
public:
    // `line` gives an entry's display line by row.
    PickerSlot(MultiPicker::PlayFunction play, std::function<QString(int row)> line,
               QWidget *owner);
    ~PickerSlot() override;

    MultiPicker *picker() const { return m_picker; }
    void load() override;
    void add(int row) override;
    int count() const override;
    void unload() override;
    void show() override;

private:
    MultiPicker::PlayFunction m_play;
    std::function<QString(int row)> m_line;
    QWidget *m_owner;
    QPointer<MultiPicker> m_picker;
};
