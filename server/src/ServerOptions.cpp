#include "ServerOptions.h"

#include "refserver/AdminCommands.h"

#include <array>
#include <charconv>
#include <optional>
#include <type_traits>

namespace {

// Sets one option from its value; the problem ("wants ...") when the value does not fit.
using Setter = std::optional<std::string> (*)(ServerOptions& options, const std::string& value);

struct OptionEntry {
    std::string_view name;
    std::string_view argument;
    std::string_view help;
    Setter set;
};

template <std::string ServerOptions::*Member>
std::optional<std::string> SetText(ServerOptions& options, const std::string& value)
{
    options.*Member = value;
    return std::nullopt;
}

template <auto Member, int Low, int High>
std::optional<std::string> SetNumber(ServerOptions& options, const std::string& value)
{
    int number = 0;
    const auto parsed = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() ||
        number < Low || number > High)
        return "wants a number from " + std::to_string(Low) + " to " + std::to_string(High);
    options.*Member = static_cast<std::remove_reference_t<decltype(options.*Member)>>(number);
    return std::nullopt;
}

template <std::string ServerOptions::*Member>
std::optional<std::string> SetPath(ServerOptions& options, const std::string& value)
{
    if (value.size() < 2 || value.front() != '/' || value.back() == '/' ||
        value.find_first_of(" ;?#") != std::string::npos)
        return "wants a path like /sync/serv (no trailing /, blank, ; ? or #)";
    options.*Member = value;
    return std::nullopt;
}

std::optional<std::string> SetDataFolder(ServerOptions& options, const std::string& value)
{
    options.dataFolder = value;
    return std::nullopt;
}

std::optional<std::string> SetMsisdn(ServerOptions& options, const std::string& value)
{
    if (value.empty() || value.size() > 32 || value.find_first_of(" \r\n") != std::string::npos)
        return "wants a phone number";
    options.msisdn = value;
    return std::nullopt;
}

std::optional<std::string> SetKeyDelivery(ServerOptions& options, const std::string& value)
{
    const std::optional<KeyDelivery> delivery = ParseKeyDelivery(value);
    if (!delivery)
        return "wants header or push";
    options.keyDelivery = *delivery;
    return std::nullopt;
}

constexpr std::array kOptions = {
    OptionEntry{"--data", "DIR", "folder of the server's database (created if missing); required",
                SetDataFolder},
    OptionEntry{"--listen", "ADDRESS", "address of the handset-facing listener (default 127.0.0.1)",
                SetText<&ServerOptions::listen>},
    OptionEntry{"--port", "PORT", "its port; 0 picks a free one (default 0)",
                SetNumber<&ServerOptions::port, 0, 65535>},
    OptionEntry{"--admin-listen", "ADDRESS", "loopback address of the admin API (default 127.0.0.1)",
                SetText<&ServerOptions::adminListen>},
    OptionEntry{"--admin-port", "PORT", "its port; 0 picks a free one (default 0)",
                SetNumber<&ServerOptions::adminPort, 0, 65535>},
    OptionEntry{"--path", "PATH", "object path of the protocol (default /sync/serv)",
                SetPath<&ServerOptions::objectPath>},
    OptionEntry{"--sms-path", "PATH", "path of the SMS gateway on the same listener (default /sms-gateway)",
                SetPath<&ServerOptions::smsPath>},
    OptionEntry{"--cert", "FILE", "PEM certificate: serve HTTPS (with --key)",
                SetText<&ServerOptions::certificateFile>},
    OptionEntry{"--key", "FILE", "PEM private key of the certificate", SetText<&ServerOptions::keyFile>},
    OptionEntry{"--public-url", "URL",
                "the \"URL\" setting handsets receive (default: scheme, address, port, path)",
                SetText<&ServerOptions::publicUrl>},
    OptionEntry{"--msisdn", "NUMBER", "the number registration SMS are sent to (default +15550101212)",
                SetMsisdn},
    OptionEntry{"--push-port", "PORT", "UDP port pushes go to unless a device has its own (default 1212)",
                SetNumber<&ServerOptions::pushPort, 1, 65535>},
    OptionEntry{"--push-delay-ms", "MS",
                "delay of pushes a request triggers, so its answer arrives first (default 300)",
                SetNumber<&ServerOptions::pushDelayMs, 0, 60000>},
    OptionEntry{"--identification-timeout-ms", "MS",
                "QX-IdentificationCirTimeout: how long a handset waits for its keys (default 60000)",
                SetNumber<&ServerOptions::identificationTimeoutMs, 0, 3600000>},
    OptionEntry{"--sms-attempts", "N",
                "registration SMS a handset may try before InitDevice says no (default 5)",
                SetNumber<&ServerOptions::smsAttempts, 0, 1000>},
    OptionEntry{"--session-timeout", "SECONDS", "idle time after which a session ends (default 1800)",
                SetNumber<&ServerOptions::sessionTimeoutSeconds, 1, 7 * 24 * 3600>},
    OptionEntry{"--key-delivery", "header|push",
                "how IdentifyDevice hands new devices their key (default header)", SetKeyDelivery},
    OptionEntry{"--max-body", "BYTES", "largest request body accepted (default 16777216)",
                SetNumber<&ServerOptions::maxBodyBytes, 1024, 1 << 30>},
    OptionEntry{"--log-capacity", "N", "requests kept for the operator's log command (default 1000)",
                SetNumber<&ServerOptions::logCapacity, 0, 1000000>},
};

const OptionEntry* FindOption(std::string_view name)
{
    for (const OptionEntry& option : kOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

std::optional<std::string> Validate(const ServerOptions& options)
{
    if (options.dataFolder.empty())
        return "--data is required";
    if (options.certificateFile.empty() != options.keyFile.empty())
        return "--cert and --key go together";
    if (options.objectPath == options.smsPath)
        return "--path and --sms-path must differ";
    if (options.adminListen != "localhost" && !options.adminListen.starts_with("127.") &&
        options.adminListen != "::1")
        return "--admin-listen must be a loopback address, not \"" + options.adminListen + "\"";
    return std::nullopt;
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    else
        text += "  ";
    return text;
}

} // namespace

ParsedOptions ParseServerOptions(std::span<const std::string> arguments)
{
    ParsedOptions parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name == "--help" || name == "-h") {
            parsed.outcome = ParseOutcome::Help;
            return parsed;
        }
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const OptionEntry* option = FindOption(name);
        if (!option) {
            parsed.error = "unknown option \"" + name + "\"";
            return parsed;
        }
        if (!value && i + 1 == arguments.size()) {
            parsed.error = name + " needs " + std::string(option->argument);
            return parsed;
        }
        if (!value)
            value = arguments[++i];
        if (std::optional<std::string> problem = option->set(parsed.options, *value)) {
            parsed.error = name + " " + *problem + ", not \"" + *value + "\"";
            return parsed;
        }
    }
    if (std::optional<std::string> problem = Validate(parsed.options)) {
        parsed.error = std::move(*problem);
        return parsed;
    }
    parsed.outcome = ParseOutcome::Run;
    return parsed;
}

std::string HelpText()
{
    std::string text =
        "lumeno-refserver: a reference account server for Lumeno handsets (demos and end-to-end tests).\n"
        "\n"
        "Usage:\n"
        "  lumeno-refserver --data DIR [OPTION...]\n"
        "  lumeno-refserver admin [--admin URL] [--raw] COMMAND [--FIELD VALUE...]\n"
        "\n"
        "Server mode serves the protocol at the object path (and at PATH/<tick>;<session id>), the SMS "
        "gateway\n"
        "(a form POST with \"to\" and \"text\") on the same listener, and the admin API on a loopback "
        "listener.\n"
        "Once both listen it prints, and flushes, one line each on standard output:\n"
        "  listening http|https ADDRESS PORT\n"
        "  listening admin ADDRESS PORT\n"
        "Everything else goes to standard error. SIGTERM or SIGINT stops it cleanly.\n"
        "\n"
        "Options:\n";
    for (const OptionEntry& option : kOptions)
        text += "  " + Padded(std::string(option.name) + " " + std::string(option.argument), 34) +
                std::string(option.help) + "\n";
    text += "  " + Padded("--help", 34) + "this text\n";
    text +=
        "\n"
        "Operator mode sends one command to a running server's admin API and prints the answer, one record\n"
        "per paragraph (--raw: the form-encoded lines as received). --admin defaults to the environment\n"
        "variable LUMENO_REFSERVER_ADMIN (e.g. http://127.0.0.1:40124). Exit status: 0 done, 1 refused by "
        "the\n"
        "server, 2 bad command line, 3 server not reached.\n"
        "The same commands are \"POST /admin/COMMAND\" with the fields as a form.\n"
        "\n"
        "A registration SMS to --msisdn (\"IdentifyDevice DID:<id>;UA:<user agent>;A:<agent>\") makes or finds\n"
        "the device's account and keys and pushes them in an \"IdentifyDevice\" datagram. A queued dialog\n"
        "stands in for command X, which runs when the handset repeats it after answering; when a button may\n"
        "carry on without an answer (Continue, OperationContinue, BackgroundUrl, or a missing button) X runs\n"
        "at once and its answer travels with the dialog. A value that does not match --expect-input makes\n"
        "the device's next command fail with QX-ErrorCode 422.\n"
        "\n"
        "Operator commands:\n";
    for (const AdminCommand& command : AdminCommands()) {
        text += "  " + std::string(command.name) + ": " + std::string(command.summary) + "\n";
        for (const AdminField& field : command.fields) {
            std::string use = field.use == FieldUse::Required     ? " (required)"
                              : field.use == FieldUse::Repeatable ? " (repeatable)"
                                                                  : "";
            if (field.fileContent)
                use += " (a path: the operator mode sends the file's content)";
            text +=
                "      " + Padded("--" + std::string(field.name), 22) + std::string(field.help) + use + "\n";
        }
    }
    return text;
}
