#pragma once

// Shows the hourglass (wait) cursor over the whole application while it
// lives. Guards nest: each one restores exactly the cursor it set, once,
// so an inner guard never clears an outer one's hourglass.
class BusyCursor {
public:
    // Sets the wait cursor on top of the override-cursor stack.
    BusyCursor();
    // Restores the cursor unless release() already did.
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Restores the cursor now; later calls and the destructor do nothing.
    void release();
    // Whether this guard still holds the wait cursor.
    bool active() const { return m_active; }

private:
    bool m_active = true;
};
