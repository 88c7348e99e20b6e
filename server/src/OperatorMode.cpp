#include "OperatorMode.h"

#include "refserver/AdminClient.h"
#include "refserver/AdminCommands.h"

#include <fstream>
#include <optional>

namespace {

struct OperatorLine {
    std::string adminUrl;
    bool raw = false;
    const AdminCommand* command = nullptr;
    AdminFields fields;
};

// Replaces the path in `value` by the file's content; false, with the reason in `error`, when the file
// cannot be read or is too big for the admin API.
bool ReadFileField(std::string& value, std::string& error)
{
    std::ifstream file(value, std::ios::binary);
    std::string content;
    if (file) {
        content.resize(kMaxFileFieldBytes + 1);
        file.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(file.gcount()));
    }
    if (!file.eof() || file.bad()) {
        error = content.size() > kMaxFileFieldBytes ? "\"" + value + "\" is bigger than 8 MiB"
                                                    : "cannot read \"" + value + "\"";
        return false;
    }
    value = std::move(content);
    return true;
}

// Reads "[--admin URL] [--raw] COMMAND [--FIELD VALUE | --FIELD=VALUE]...", or says why it cannot.
std::optional<OperatorLine> ReadLine(std::span<const std::string> arguments, std::string& error)
{
    OperatorLine line;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i].starts_with("--"); ++i) {
        if (arguments[i] == "--raw") {
            line.raw = true;
        } else if (arguments[i] == "--admin" && i + 1 < arguments.size()) {
            line.adminUrl = arguments[++i];
        } else if (arguments[i].starts_with("--admin=")) {
            line.adminUrl = arguments[i].substr(8);
        } else {
            error = "\"" + arguments[i] + "\" comes before the command; only --admin URL and --raw may";
            return std::nullopt;
        }
    }
    if (i == arguments.size()) {
        error = "no operator command given (see --help)";
        return std::nullopt;
    }
    line.command = FindAdminCommand(arguments[i]);
    if (!line.command) {
        error = "\"" + arguments[i] + "\" is not an operator command (see --help)";
        return std::nullopt;
    }
    for (++i; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--")) {
            error = "\"" + argument + "\" is not a --FIELD";
            return std::nullopt;
        }
        std::string name = argument.substr(2);
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (!line.command->FindField(name)) {
            error = "--" + name + " is not a field of " + std::string(line.command->name) + " (see --help)";
            return std::nullopt;
        }
        if (!value) {
            error = "--" + name + " needs a value";
            return std::nullopt;
        }
        if (line.command->FindField(name)->fileContent && !ReadFileField(*value, error))
            return std::nullopt;
        line.fields.emplace_back(std::move(name), std::move(*value));
    }
    return line;
}

void Print(const AdminReply& reply, bool raw, std::ostream& out)
{
    bool first = true;
    for (const AdminRecord& record : reply.records) {
        if (raw) {
            out << record.Encode() << '\n';
            continue;
        }
        if (!first)
            out << '\n';
        first = false;
        for (const auto& [name, value] : record.fields)
            out << name << ": " << value << '\n';
    }
}

} // namespace

int RunOperatorCommand(std::span<const std::string> arguments, const std::string& defaultAdminUrl,
                       std::ostream& out, std::ostream& err)
{
    std::string error;
    const std::optional<OperatorLine> line = ReadLine(arguments, error);
    if (!line) {
        err << "lumeno-refserver admin: " << error << '\n';
        return kOperatorUsage;
    }
    const std::string url = line->adminUrl.empty() ? defaultAdminUrl : line->adminUrl;
    if (url.empty()) {
        err << "lumeno-refserver admin: no --admin URL and no LUMENO_REFSERVER_ADMIN\n";
        return kOperatorUsage;
    }
    const AdminReply reply = CAdminClient(url).Call(line->command->name, line->fields);
    if (reply.status == 0) {
        err << "lumeno-refserver admin: " << reply.error << '\n';
        return kOperatorUnreachable;
    }
    if (!reply.Ok()) {
        err << "lumeno-refserver admin: " << reply.status << " " << reply.error << '\n';
        return kOperatorRefused;
    }
    Print(reply, line->raw, out);
    return kOperatorDone;
}
