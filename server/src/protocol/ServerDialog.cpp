#include "protocol/ServerDialog.h"

#include "platform/XmlDom.h"
#include "protocol/Credentials.h"
#include "protocol/ServerDocuments.h"
#include "utils/AsciiFold.h"
#include "utils/TextCase.h"
#include "utils/Utf.h"

#include <array>
#include <charconv>

namespace {

constexpr std::array<std::string_view, 9> kActionWords = {
    "IdentifyDevice",
    "Exit",
    "ExitUrl",
    "Continue",
    "OperationContinue",
    "OperationRepeate",
    "BackgroundUrl",
    "SendInput",
    "InputIdentifyDevice",
};

// The handset digests at most this many bytes of what the user typed.
constexpr std::size_t kMaxDigestedInputBytes = 259;
// The one input type whose value the handset takes as typed; every other one it lower-cases.
constexpr std::string_view kPasswordType = "password";

void AppendText(CXmlNode parent, std::u16string_view name, std::string_view text)
{
    parent.AppendElement(name).SetText(Utf8ToUtf16(text));
}

void AppendButton(CXmlNode dialog, std::u16string_view name, const DialogButton& button)
{
    CXmlNode element = dialog.AppendElement(name);
    AppendText(element, u"label", button.label);
    AppendText(element, u"send-result", button.sendResult ? "true" : "false");
    if (button.action == DialogAction::None)
        return;
    CXmlNode action = element.AppendElement(u"action");
    action.SetAttribute(u"type", Utf8ToUtf16(DialogActionWord(button.action)));
    if (!button.opcode.empty())
        AppendText(action, u"opcode", button.opcode);
    if (!button.url.empty())
        AppendText(action, u"url", button.url);
}

} // namespace

std::optional<DialogAction> ParseDialogAction(std::string_view word)
{
    if (word.empty())
        return DialogAction::None;
    for (std::size_t kind = 0; kind < kActionWords.size(); ++kind) {
        if (EqualsFolded(word, kActionWords[kind]))
            return static_cast<DialogAction>(kind);
    }
    return std::nullopt;
}

std::string_view DialogActionWord(DialogAction action)
{
    const auto kind = static_cast<std::size_t>(action);
    return kind < kActionWords.size() ? kActionWords[kind] : std::string_view();
}

bool ActionCarriesOn(DialogAction action)
{
    return action == DialogAction::Continue || action == DialogAction::OperationContinue ||
           action == DialogAction::BackgroundUrl || action == DialogAction::None;
}

bool DialogLayout::MayCarryOn() const
{
    const DialogAction yesAction = yes ? yes->action : DialogAction::None;
    const DialogAction noAction = no ? no->action : DialogAction::None;
    return ActionCarriesOn(yesAction) || ActionCarriesOn(noAction);
}

std::string DialogDescription(const DialogLayout& layout)
{
    CXmlDocument document;
    CXmlNode dialog = CreateEnvelope(document).AppendElement(u"generic-dialog");
    dialog.SetAttribute(u"code", static_cast<std::uint32_t>(layout.code));
    AppendText(dialog, u"title", layout.title);
    AppendText(dialog, u"message", layout.message);
    if (layout.hasInput) {
        dialog.AppendElement(u"input")
            .SetAttribute(u"name", Utf8ToUtf16(layout.inputName))
            .SetAttribute(u"type", Utf8ToUtf16(layout.inputType))
            .SetAttribute(u"defaultValue", Utf8ToUtf16(layout.inputDefault));
    }
    if (layout.yes)
        AppendButton(dialog, u"yes", *layout.yes);
    if (layout.no)
        AppendButton(dialog, u"no", *layout.no);
    if (layout.hasStopBox) {
        CXmlNode stop = dialog.AppendElement(u"stop-dialog");
        AppendText(stop, u"label", layout.stopLabel);
        AppendText(stop, u"default", layout.stopDefault ? "true" : "false");
    }
    return document.SerializeUtf8();
}

std::optional<DialogAnswer> ReadDialogAnswer(std::string_view body, std::string& error)
{
    CXmlDocument document;
    std::string parseError;
    if (!document.LoadUtf8(body, XmlLineEnds::Normalise, &parseError)) {
        error = "dialog answer is not XML: " + parseError;
        return std::nullopt;
    }
    const CXmlNode root = document.DocumentElement();
    const CXmlNode result = root.FirstChildElement(u"gd-result");
    const std::string code = Utf16ToUtf8(result ? result.Attribute(u"code").value_or(u"") : u"");
    DialogAnswer answer;
    const auto parsed = std::from_chars(code.data(), code.data() + code.size(), answer.code);
    if (!result || code.empty() || parsed.ec != std::errc() || parsed.ptr != code.data() + code.size()) {
        error = "dialog answer has no \"gd-result\" element with a numeric code";
        return std::nullopt;
    }
    answer.stopTicked = !result.FirstChildElement(u"stop").IsNull();
    if (const CXmlNode action = root.FirstChildElement(u"gd-action")) {
        answer.opcode = Utf16ToUtf8(action.Attribute(u"opcode").value_or(u""));
        if (const CXmlNode parameter = action.FirstChildElement(u"parameter")) {
            answer.hasInput = true;
            answer.inputName = Utf16ToUtf8(parameter.Attribute(u"name").value_or(u""));
            answer.inputDigest = Utf16ToUtf8(parameter.Attribute(u"value").value_or(u""));
        }
    }
    return answer;
}

bool InputMatches(const DialogAnswer& answer, std::string_view expected, std::string_view inputType)
{
    // The handset sends no input at all when the user left the field empty.
    if (!answer.hasInput)
        return expected.empty();
    const std::string typed =
        inputType == kPasswordType ? std::string(expected) : Utf16ToUtf8(LowerCaseText(Utf8ToUtf16(expected)));
    return answer.inputDigest == InputDigest(std::string_view(typed).substr(0, kMaxDigestedInputBytes));
}
