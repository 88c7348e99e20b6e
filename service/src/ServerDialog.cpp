#include "service/ServerDialog.h"

#include "Digest.h"
#include "platform/XmlDom.h"
#include "service/XmlDocuments.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>

namespace {

// Action words by kind number (the "type" attribute of an "action" element).
constexpr std::array<std::u16string_view, 9> kActionWords = {
    u"IdentifyDevice",
    u"Exit",
    u"ExitUrl",
    u"Continue",
    u"OperationContinue",
    u"OperationRepeate",
    u"BackgroundUrl",
    u"SendInput",
    u"InputIdentifyDevice",
};

enum class WordCase : std::uint8_t { Exact, Ignored };

bool SameWord(std::u16string_view a, std::u16string_view b, WordCase wordCase)
{
    return wordCase == WordCase::Exact ? a == b : EqualsFolded(a, b);
}

bool IsTrue(const CXmlNode& element)
{
    return SameWord(element.Text(), u"true", WordCase::Ignored);
}

std::int32_t ActionKind(std::u16string_view word, WordCase wordCase)
{
    for (std::size_t kind = 0; kind < kActionWords.size(); ++kind) {
        if (SameWord(word, kActionWords[kind], wordCase))
            return static_cast<std::int32_t>(kind);
    }
    return ACTION_NONE;
}

// A decimal code as the handset read it: optional sign and digits (what follows them is ignored), 0
// when there are none. The code is an unsigned 32-bit number kept in the record's 32-bit word: a
// negative one wraps (-1 is 4294967295). Nothing when the number does not fit in 32 bits.
std::optional<std::int32_t> DialogCode(const std::optional<std::u16string>& text)
{
    if (!text)
        return 0;
    const std::string digits = UnicodeToUTF8(*text);
    std::int64_t code = 0;
    const char* first = digits.data();
    if (!digits.empty() && digits.front() == '+')
        ++first;
    const std::errc read = std::from_chars(first, digits.data() + digits.size(), code).ec;
    if (read == std::errc::invalid_argument)
        return 0;
    if (read != std::errc() || code < std::numeric_limits<std::int32_t>::min() ||
        code > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(code));
}

struct ButtonFields {
    std::u16string& label;
    std::int32_t& action;
    std::int32_t& sendResult;
};

void ParseButton(const CXmlNode& button, ButtonFields fields, WordCase wordCase, ServerDialogRecord& record)
{
    for (const CXmlNode& child : button.ChildElements()) {
        const std::u16string name = child.Name();
        if (name == u"label") {
            fields.label = child.Text();
        } else if (name == u"send-result") {
            fields.sendResult = IsTrue(child) ? 1 : 0;
        } else if (name == u"action") {
            fields.action = ActionKind(child.Attribute(u"type").value_or(u""), wordCase);
            if (const CXmlNode opcode = child.FirstChildElement(u"opcode"))
                record.opcode = opcode.Text();
            if (const CXmlNode url = child.FirstChildElement(u"url"))
                record.url = url.Text();
        }
    }
}

void ParseStopDialog(const CXmlNode& stop, ServerDialogRecord& record)
{
    record.hasStopDialog = 1;
    if (const CXmlNode label = stop.FirstChildElement(u"label"))
        record.stopLabel = label.Text();
    if (const CXmlNode stopDefault = stop.FirstChildElement(u"default"))
        record.stopDefault = IsTrue(stopDefault) ? 1 : 0;
}

void ParseInput(const CXmlNode& input, ServerDialogRecord& record)
{
    record.hasInput = 1;
    if (auto name = input.Attribute(u"name"))
        record.inputName = std::move(*name);
    if (auto type = input.Attribute(u"type"))
        record.inputType = std::move(*type);
    if (auto value = input.Attribute(u"defaultValue"))
        record.inputValue = std::move(*value);
}

// Base64 of MD5 over the UTF-8 input: the server learns whether the input is right, never the input.
std::u16string InputDigest(std::u16string_view input)
{
    return Md5Base64(DigestedText(input));
}

} // namespace

void ServerDialogRecord::Reset()
{
    std::u16string keptName = std::move(inputName);
    *this = ServerDialogRecord();
    inputName = std::move(keptName);
}

DialogParse ParseDialogDescription(ServerDialogRecord& record, std::u16string_view body)
{
    CXmlDocument document;
    if (!document.Load(body))
        return DialogParse::NotADocument;
    const std::vector<CXmlNode> top = document.DocumentElement().ChildElements();
    if (top.empty())
        return DialogParse::Parsed;
    const CXmlNode& dialog = top.front();
    const std::optional<std::int32_t> code = DialogCode(dialog.Attribute(u"code"));
    if (!code)
        return DialogParse::Malformed;
    record.code = *code;
    for (const CXmlNode& child : dialog.ChildElements()) {
        const std::u16string name = child.Name();
        if (name == u"message")
            record.message = child.Text();
        else if (name == u"title")
            record.title = child.Text();
        else if (name == u"input")
            ParseInput(child, record);
        else if (name == u"yes")
            ParseButton(child, {record.yesLabel, record.yesAction, record.yesSendResult}, WordCase::Ignored,
                        record);
        else if (name == u"no")
            ParseButton(child, {record.noLabel, record.noAction, record.noSendResult}, WordCase::Exact,
                        record);
        else if (name == u"stop-dialog")
            ParseStopDialog(child, record);
    }
    return DialogParse::Parsed;
}

std::u16string BuildDialogAnswer(const ServerDialogRecord& record)
{
    CXmlDocument document;
    CXmlNode root;
    if (CreateEnvelope(document, root) != 0)
        return {};
    if (record.hasInput && !record.inputValue.empty()) {
        CXmlNode action = root.AppendElement(u"gd-action");
        if (!record.opcode.empty())
            action.SetAttribute(u"opcode", record.opcode);
        CXmlNode parameter = action.AppendElement(u"parameter");
        if (!record.inputName.empty())
            parameter.SetAttribute(u"name", record.inputName);
        parameter.SetAttribute(u"value", InputDigest(record.inputValue));
    }
    CXmlNode result = root.AppendElement(u"gd-result");
    result.SetAttribute(u"code", static_cast<std::uint32_t>(record.code));
    if (record.hasStopDialog)
        result.AppendElement(u"stop");
    return document.Serialize();
}
