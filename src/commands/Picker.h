#pragma once

// Where the user picks one of the entries a "p" search listed: a window of its own, or, for a
// player without a window, a numbered list said in the chat.
class Picker {
public:
    virtual ~Picker() = default;

    // Makes the picker ready to be filled; one already loaded keeps its entries.
    virtual void load() = 0;
    // Lists library entry `row` below those already listed.
    virtual void add(int row) = 0;
    virtual int count() const = 0;
    // Discards the picker and its entries.
    virtual void unload() = 0;
    // Shows what it lists, without waiting for the user.
    virtual void show() = 0;
    // The entry was offered by its number, so the owner may pick it by typing that number.
    virtual bool offers(int row) const {
        (void)row;
        return false;
    }
};
