#include "admin/AdminApi.h"

#include "ServerLog.h"
#include "admin/AdminRequest.h"
#include "utils/AsciiFold.h"

#include <httplib.h>

#include <array>

namespace {

// Far more than any operator command needs; a bigger form is refused before it is read.
constexpr std::size_t kMaxFields = 256;
constexpr std::size_t kMaxFieldBytes = 64 * 1024;

struct NamedHandler {
    std::string_view name;
    AdminHandler handler;
};

constexpr std::array kHandlers = {
    NamedHandler{"add-account", AddAccount},
    NamedHandler{"list-accounts", ListAccounts},
    NamedHandler{"show-account", ShowAccount},
    NamedHandler{"delete-account", DeleteAccount},
    NamedHandler{"set-settings", SetSettings},
    NamedHandler{"list-devices", ListDevices},
    NamedHandler{"set-device", SetDevice},
    NamedHandler{"push", Push},
    NamedHandler{"queue-dialog", QueueDialog},
    NamedHandler{"inject", Inject},
    NamedHandler{"list-rules", ListRules},
    NamedHandler{"clear-rules", ClearRules},
    NamedHandler{"log", ShowLog},
    NamedHandler{"list-items", ListItems},
    NamedHandler{"show-item", ShowItem},
    NamedHandler{"add-items", AddItems},
    NamedHandler{"change-item", ChangeItem},
    NamedHandler{"delete-item", DeleteItem},
    NamedHandler{"list-messages", ListMessages},
    NamedHandler{"add-message", AddMessage},
    NamedHandler{"delete-message", DeleteMessage},
    NamedHandler{"list-files", ListFiles},
    NamedHandler{"add-file", AddFile},
    NamedHandler{"delete-file", DeleteFile},
};

AdminHandler HandlerOf(std::string_view name)
{
    for (const NamedHandler& entry : kHandlers) {
        if (entry.name == name)
            return entry.handler;
    }
    return nullptr;
}

// Checks the fields against the command's table: each known, required ones present, single ones once.
std::optional<std::string> FieldProblem(const AdminCommand& command, const httplib::Params& params)
{
    if (params.size() > kMaxFields)
        return "more than 256 fields";
    for (const auto& [name, value] : params) {
        const AdminField* field = command.FindField(name);
        if (!field)
            return "\"" + name.substr(0, 64) + "\" is not a field of " + std::string(command.name);
        if (field->use != FieldUse::Repeatable && params.count(name) > 1)
            return "field " + name + " is given more than once";
        if (value.size() > (field->fileContent ? kMaxFileFieldBytes : kMaxFieldBytes))
            return "field " + name + " is longer than " + (field->fileContent ? "8 MiB" : "64 KiB");
    }
    for (const AdminField& field : command.fields) {
        if (field.use == FieldUse::Required && params.count(std::string(field.name)) == 0)
            return "field " + std::string(field.name) + " is required";
    }
    return std::nullopt;
}

// The request's fields: those of a form, or the parts of a multipart form (what clients send when a form
// would be longer than the HTTP library reads).
httplib::Params FieldsOf(const httplib::Request& request)
{
    httplib::Params fields = request.params;
    for (const auto& [name, part] : request.files)
        fields.emplace(name, part.content);
    return fields;
}

// The media type of the request's body when it is not a form or a multipart form (the fields of any
// other body would go unread); nothing for a form or for no body at all.
std::optional<std::string> NotAForm(const httplib::Request& request)
{
    const std::string type = request.get_header_value("Content-Type");
    if (type.empty() && request.body.empty())
        return std::nullopt;
    std::string_view media = std::string_view(type).substr(0, type.find(';'));
    while (!media.empty() && media.back() == ' ')
        media.remove_suffix(1);
    if (EqualsFolded(media, "application/x-www-form-urlencoded") ||
        EqualsFolded(media, "multipart/form-data"))
        return std::nullopt;
    return std::string(media.substr(0, 64));
}

void Answer(const AdminResult& result, httplib::Response& response)
{
    response.status = result.status;
    if (result.status == 200)
        response.set_content(EncodeRecords(result.records), "text/plain; charset=utf-8");
    else
        response.set_content(result.error + "\n", "text/plain; charset=utf-8");
}

} // namespace

bool IsLoopbackAddress(std::string_view address)
{
    if (address.starts_with("::ffff:"))
        address.remove_prefix(7);
    return address.starts_with("127.") || address == "::1";
}

CAdminApi::CAdminApi(ServerState& server) : m_server(server) {}

void CAdminApi::Install(httplib::Server& routes)
{
    auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        AdminResult result;
        const httplib::Params fields = FieldsOf(request);
        const std::string name = request.matches.size() > 1 ? request.matches[1].str() : std::string();
        const AdminCommand* command = FindAdminCommand(name);
        const AdminHandler handler = HandlerOf(name);
        if (!IsLoopbackAddress(request.remote_addr)) {
            result = AdminResult::Refused("the admin API answers loopback clients only", 403);
        } else if (!command || !handler) {
            result = AdminResult::Refused("\"" + name.substr(0, 64) + "\" is not an admin command", 404);
        } else if (request.method == "GET" && !command->readOnly) {
            result = AdminResult::Refused(name + " changes the server: use POST", 405);
        } else if (const std::optional<std::string> type = NotAForm(request)) {
            result =
                AdminResult::Refused(name +
                                         ": the fields come as a form (application/x-www-form-urlencoded or "
                                         "multipart/form-data), not \"" +
                                         *type + "\"",
                                     415);
        } else if (const std::optional<std::string> problem = FieldProblem(*command, fields)) {
            result = AdminResult::Refused(name + ": " + *problem);
        } else {
            AdminRequest admin{{{fields.begin(), fields.end()}}, *command};
            result = handler(admin, m_server);
            if (result.status != 200)
                result.error = name + ": " + result.error;
        }
        ServerLog("admin " + name.substr(0, 64) + ": " + std::to_string(result.status) +
                  (result.status == 200 ? std::string() : " " + result.error));
        Answer(result, response);
    };
    routes.Get(R"(/admin/([^/]*))", serve);
    routes.Post(R"(/admin/([^/]*))", serve);
}
