#pragma once
// The server-defined dialog: the record the service fills from the server's description and the
// application's dialog window answers, its parser and the answer document.
//
// The record is written by the worker thread before the show-dialog message is posted and by the
// user-interface thread before the dialog-answered event is set, so the two never write it at once.

#include <cstdint>
#include <string>
#include <string_view>

// Action kinds of a button.
enum DialogAction : std::int32_t {
    ACTION_IDENTIFY_DEVICE = 0,
    ACTION_EXIT = 1,
    ACTION_EXIT_URL = 2,
    ACTION_CONTINUE = 3,
    ACTION_OPERATION_CONTINUE = 4,
    ACTION_OPERATION_REPEAT = 5,
    ACTION_BACKGROUND_URL = 6,
    ACTION_SEND_INPUT = 7,
    ACTION_INPUT_IDENTIFY_DEVICE = 8,
    ACTION_NONE = 9,
};

inline constexpr std::int32_t kButtonYes = 134;
inline constexpr std::int32_t kButtonNo = 135;

struct ServerDialogRecord {
    std::int32_t reserved1 = 0;
    std::int32_t code = 0; // an unsigned 32-bit number in a 32-bit word
    std::u16string title;
    std::u16string message;
    std::u16string stopLabel;
    std::int32_t hasStopDialog = 0; // after the answer: whether the stop box was ticked
    std::int32_t stopDefault = 0;
    std::u16string yesLabel;
    std::int32_t yesAction = ACTION_NONE;
    std::int32_t yesSendResult = 0;
    std::int32_t reserved2 = 0;
    std::u16string reservedText1;
    std::u16string noLabel;
    std::int32_t noAction = ACTION_NONE;
    std::int32_t noSendResult = 0;
    std::int32_t reserved3 = 0;
    std::u16string reservedText2;
    std::u16string opcode;
    std::u16string url;
    std::int32_t hasInput = 0;
    std::u16string inputName;
    std::u16string inputValue; // the default; the application replaces it with what was typed
    std::u16string inputType;  // e.g. "numeric", "password"
    std::int32_t chosenButton = kButtonNo;

    // Clears everything but the input name.
    void Reset();
};

enum class DialogParse : std::uint8_t {
    Parsed,
    NotADocument, // the record stays reset (the dialog is shown empty)
    Malformed,    // the code does not fit in 32 bits: no dialog to show
};

// Fills the (already reset) record from a dialog description. The code is an unsigned 32-bit number in
// the record's 32-bit word, sent back as the server sent it (a negative one wraps: -1 is 4294967295).
DialogParse ParseDialogDescription(ServerDialogRecord& record, std::u16string_view body);
// The answer document ("gd-action" with the input's digest, then "gd-result"), serialised.
std::u16string BuildDialogAnswer(const ServerDialogRecord& record);
