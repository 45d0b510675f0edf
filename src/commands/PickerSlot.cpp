#include "commands/PickerSlot.h"

#include "platform/TransientWindow.h"

PickerSlot::PickerSlot(MultiPicker::PlayFunction play, std::function<QString(int row)> line,
                       QWidget *owner)
    : QObject(owner), m_play(std::move(play)), m_line(std::move(line)), m_owner(owner) {}

PickerSlot::~PickerSlot() {
    delete m_picker;
}

void PickerSlot::load() {
    if (m_picker)
        return;
    // A window of its own over the main window, not its child: the credits window disables the
    // main window, and the picker must stay usable meanwhile.
    m_picker = new MultiPicker(m_play);
    transientwindow::placeOver(m_picker, m_owner);
    // A "p" line handled between Cancel and the deferred delete must get a picker of its own,
    // not fill the closing one.
    connect(m_picker, &MultiPicker::unloaded, this, [this] { m_picker = nullptr; });
}

void PickerSlot::add(int row) {
    if (m_picker)
        m_picker->addEntry(m_line(row));
}

int PickerSlot::count() const {
    return m_picker ? m_picker->count() : 0;
}

void PickerSlot::unload() {
    if (m_picker)
        m_picker->unload();
}

void PickerSlot::show() {
    if (m_picker) {
        m_picker->show();
        m_picker->raise();
    }
}
