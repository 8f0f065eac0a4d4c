// Decides when the modal loop makes an idle pass: once its queue is empty, provided no pass was
// made yet or some activity was taken from the queue since the last one.
#pragma once

#include "platform/Types.h"

class CIdleActivity {
public:
    bool IsPassDue() const { return m_bPassDue; }
    void OnPassMade() { m_bPassDue = false; }
    // Notes a message taken from the queue. Paint messages, the caret-blink timer and a mouse
    // move that repeats the previous one are not activity: they would keep an idle dialog busy.
    void OnMessageTaken(const Message& msg);

private:
    bool IsActivity(const Message& msg);

    bool m_bPassDue = true;
    unsigned m_nLastMouseMessage = 0;
    Point m_ptLastMouse{-1, -1};
};
