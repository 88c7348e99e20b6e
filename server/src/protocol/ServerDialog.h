#pragma once
// Server dialogs: what the operator describes, the description document the handset shows, and the
// answer document the handset posts back with "GDOperation".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Action kinds, numbered as the handset numbers them.
enum class DialogAction : int {
    IdentifyDevice = 0,
    Exit = 1,
    ExitUrl = 2,
    Continue = 3,
    OperationContinue = 4,
    OperationRepeate = 5,
    BackgroundUrl = 6,
    SendInput = 7,
    InputIdentifyDevice = 8,
    None = 9,
};

// The action of a word, either case; the empty word is None; nothing for an unknown word.
std::optional<DialogAction> ParseDialogAction(std::string_view word);
// The word the handset recognises (empty for None).
std::string_view DialogActionWord(DialogAction action);
// True for the actions after which the handset takes the dialog's response as the answer to the
// command it sent, without posting an answer first: Continue (unless its stop box gets ticked),
// OperationContinue, BackgroundUrl and None.
bool ActionCarriesOn(DialogAction action);

struct DialogButton {
    std::string label;
    DialogAction action = DialogAction::None;
    std::string opcode;
    std::string url;
    bool sendResult = false;
};

// One dialog as the operator lays it out: its code, texts, buttons, input field and stop box, and
// the input the server expects.
struct DialogLayout {
    std::int32_t code = 0;
    std::string title;
    std::string message;
    std::optional<DialogButton> yes;
    std::optional<DialogButton> no;
    bool hasInput = false;
    std::string inputName;
    std::string inputType;
    std::string inputDefault;
    std::optional<std::string> expectedInput; // checked against the digest in the answer
    std::string refusalMessage;
    bool hasStopBox = false;
    std::string stopLabel;
    bool stopDefault = false;

    // Whether the button the user may choose can carry on without an answer post (a missing button
    // counts as the action None, which carries on).
    bool MayCarryOn() const;
};

// The description document (UTF-8): a "QXSync" envelope whose first child is the dialog element.
std::string DialogDescription(const DialogLayout& layout);

struct DialogAnswer {
    std::int32_t code = 0;
    bool hasInput = false;
    std::string inputName;
    std::string inputDigest;
    std::string opcode;
    bool stopTicked = false;
};

// Reads a "GDOperation" body. Nothing, with the reason in `error`, when it is not XML or lacks the
// "gd-result" element with a numeric code.
std::optional<DialogAnswer> ReadDialogAnswer(std::string_view body, std::string& error);

// Whether an answer's input matches `expected` in a field of `inputType`, compared as the handset digests
// what its user typed: lower-cased unless the field is a "password" one, at most 259 bytes of it, and
// nothing at all for an empty input.
bool InputMatches(const DialogAnswer& answer, std::string_view expected, std::string_view inputType);
