#pragma once
// Which server dialog each device has on screen, what became of the answers, and the error a device
// gets after it entered a wrong value. Kept in memory; thread-safe.

#include "protocol/ProtocolMessage.h"
#include "protocol/ServerDialog.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

enum class InputVerdict { NotAsked, Accepted, Refused };

// "none", "accepted", "refused".
const char* InputVerdictName(InputVerdict verdict);

struct DialogOutcome {
    std::int32_t code = 0;
    InputVerdict input = InputVerdict::NotAsked;
    bool stopTicked = false;
    std::int64_t answeredMs = 0;
};

struct AnswerHandling {
    // Why the answer does not fit the dialog on screen; empty when it does.
    std::string problem;
    // The answer of the command the dialog came before, when it was run with the dialog: a "Result"
    // post gets it as its own answer.
    std::optional<ProtocolResponse> commandAnswer;
};

class CDialogTracker {
public:
    // The device now has `layout` on screen (replacing any earlier dialog); `commandAnswer` is the answer
    // of the command the dialog came with, when the command ran.
    void Shown(const std::string& deviceId, const DialogLayout& layout,
               std::optional<ProtocolResponse> commandAnswer);
    // Takes the device's answer: checks it against the dialog on screen, which is then gone. A wrong input
    // arms the refusal for the device's next command.
    AnswerHandling Answered(const std::string& deviceId, const DialogAnswer& answer);
    // The error for the device's next command after a wrong input; given once.
    std::optional<ProtocolResponse> TakeRefusal(const std::string& deviceId);
    std::optional<DialogOutcome> LastOutcome(const std::string& deviceId) const;

private:
    struct OnScreen {
        DialogLayout layout;
        std::optional<ProtocolResponse> commandAnswer;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, OnScreen, std::less<>> m_onScreen;
    std::map<std::string, ProtocolResponse, std::less<>> m_refusals;
    std::map<std::string, DialogOutcome, std::less<>> m_outcomes;
};
