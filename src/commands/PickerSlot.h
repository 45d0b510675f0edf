#pragma once

#include "commands/MultiPicker.h"

#include <QObject>
#include <QPointer>

// The one picker window that "p" searches fill: made when a search loads it, and unloaded the
// moment it closes, by Cancel, a pick or its frame, even though Qt deletes it only later. It goes
// with its owner at the latest.
class PickerSlot : public QObject {
    Q_OBJECT
public:
    PickerSlot(MultiPicker::PlayFunction play, QWidget *owner);
    ~PickerSlot() override;

    MultiPicker *picker() const { return m_picker; }
    void load();
    void add(const QString &displayLine);
    int count() const;
    void unload();
    void show();

private:
    MultiPicker::PlayFunction m_play;
    QWidget *m_owner;
    QPointer<MultiPicker> m_picker;
};
