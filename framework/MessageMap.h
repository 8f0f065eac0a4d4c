// A dialog's message map: a table from message, notification code and command identifier to a
// handler. Entries are searched in order; the first match handles the message.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "framework/CmdUI.h"
#include "platform/Constants.h"
#include "platform/Types.h"

struct MessageArgs {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// A handler's answer: handled with a result, or left to the dialog's default processing.
struct MsgResult {
    bool handled = true;
    std::intptr_t value = 0;
};
constexpr MsgResult Handled(std::intptr_t value = 0) { return {true, value}; }
constexpr MsgResult DefaultProcessing() { return {false, 0}; }

constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

inline unsigned LowWord(std::uintptr_t value) { return static_cast<unsigned>(value & 0xFFFF); }
inline int HighWordSigned(std::uintptr_t value)
{
    return static_cast<std::int16_t>((value >> 16) & 0xFFFF);
}

template <class T>
class MessageMap {
public:
    using Handler = MsgResult (*)(T&, const MessageArgs&);
    using Updater = void (*)(T&, CCmdUI&);

    struct Entry {
        unsigned message = 0;
        int code = 0;
        unsigned id = 0;
        Handler handler = nullptr;
        Updater updater = nullptr;
    };

    // Any message of this number, whatever its parameters.
    static Entry Message(unsigned message, Handler handler) { return {message, 0, 0, handler, nullptr}; }
    // WM_COMMAND from a button click, menu item or accelerator with this identifier.
    static Entry Command(unsigned id, Handler handler)
    {
        return {win::WM_COMMAND, CN_COMMAND, id, handler, nullptr};
    }
    // The command-state query for the control with this identifier.
    static Entry UpdateCommand(unsigned id, Updater updater)
    {
        return {win::WM_COMMAND, CN_UPDATE_COMMAND_UI, id, nullptr, updater};
    }

    MessageMap(std::initializer_list<Entry> entries) : m_entries(entries) {}

    bool Dispatch(T& target, const MessageArgs& args, std::intptr_t& result) const
    {
        for (const auto& entry : m_entries) {
            if (entry.handler == nullptr || !Matches(entry, args))
                continue;
            const MsgResult answer = entry.handler(target, args);
            result = answer.value;
            return answer.handled;
        }
        return false;
    }

    // Runs the control's updater, if it has one.
    void Update(T& target, unsigned id, CCmdUI& context) const
    {
        for (const auto& entry : m_entries) {
            if (entry.updater != nullptr && entry.id == id) {
                entry.updater(target, context);
                return;
            }
        }
    }

private:
    static bool Matches(const Entry& entry, const MessageArgs& args)
    {
        if (entry.message != args.message)
            return false;
        if (args.message != win::WM_COMMAND)
            return true;
        return entry.code == HighWordSigned(args.wParam) && entry.id == LowWord(args.wParam);
    }

    std::vector<Entry> m_entries;
};
