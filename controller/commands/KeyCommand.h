// The command that types a key sequence: virtual-key codes joined by "&" (held together, a
// chord) and "|" (release everything, then go on), sent one chord per input batch.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "platform/KeyboardInput.h"

#include <cstddef>

class KeyCommand final : public Command {
public:
    static constexpr std::size_t kKeyChars = 180; // units of the key sequence, terminator included
    static constexpr wchar_t kChord = L'&';
    static constexpr wchar_t kRelease = L'|';
    static constexpr wchar_t kEndMark = L'@';
    static constexpr std::uint32_t kMaxVirtualKey = 0xFE;

    explicit KeyCommand(platform::KeyboardInput& keyboard) : m_keyboard(keyboard) {}

    int execute() override; // 1
    // Stores the rule and builds the key sequence from its parameter: key, joiner, key, ...,
    // terminator. A group that is empty, not hexadecimal or outside 1 to FE ends the sequence
    // there; so does the end of the array (at most 90 keys).
    int setCmdInfo(const CmdInfo* rule) override;
    // Sends the chords of `sequence` (at most kKeyChars units, read up to its terminator):
    // every chord closed by "|" or the end becomes one batch of its key-downs followed by its
    // key-ups in press order; a chord left open by a trailing "&" is not sent.
    void CreateKeyEvent(const wchar_t* sequence);

    const wchar_t* keySequence() const { return m_szKey; }

private:
    platform::KeyboardInput& m_keyboard;
    const CmdInfo* m_pCmdInfo = nullptr;
    wchar_t m_szKey[kKeyChars] = {};
};
