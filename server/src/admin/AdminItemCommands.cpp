// Operator commands on an account's contacts, appointments and tasks.

#include "admin/AdminRequest.h"

#include "data/ItemFile.h"
#include "data/PimVocabulary.h"

#include <array>

namespace {

constexpr std::array kKinds = {PimKind::Contact, PimKind::Event, PimKind::Todo};

AdminRecord ItemFields(PimKind kind, const PimItem& item)
{
    AdminRecord record;
    record.Add("kind", PimKindWord(kind))
        .Add("guid", item.guid)
        .Add("version", std::to_string(item.version))
        .Add("crc", std::to_string(item.crc))
        .Add("changed-by", item.changedBy)
        .Add("changed", std::to_string(item.changedMs))
        .Add("deleted", item.deleted ? "true" : "false");
    return record;
}

AdminResult ItemRefused(const std::string& refusal)
{
    return refusal.empty() ? AdminResult::Refused("the store failed to change the item", 500)
                           : AdminResult::Refused(refusal, 404);
}

} // namespace

AdminResult ListItems(const AdminRequest& request, ServerState& server)
{
    if (std::optional<AdminResult> refused = MissingAccount(request, server))
        return *refused;
    std::string problem;
    const bool withDeleted = request.Flag("deleted", problem).value_or(false);
    const std::optional<std::string> word = request.Get("kind");
    const std::optional<PimKind> only = word ? ParsePimKind(*word) : std::nullopt;
    if (word && !only)
        problem = "kind is \"" + word->substr(0, 32) + "\", not contact, event or todo";
    if (!problem.empty())
        return AdminResult::Refused(problem);
    AdminResult result;
    for (const PimKind kind : kKinds) {
        if (only && kind != *only)
            continue;
        for (const PimItem& item : server.pim.Items(request.GetOr("user-id"), kind, WithText::Yes)) {
            if (item.deleted && !withDeleted)
                continue;
            result.records.push_back(ItemFields(kind, item)
                                         .Add("bytes", std::to_string(item.text.size()))
                                         .Add("summary", ItemSummary(item.text)));
        }
    }
    return result;
}

AdminResult ShowItem(const AdminRequest& request, ServerState& server)
{
    const std::string guid = request.GetOr("guid");
    const std::optional<PimItem> item = server.pim.Item(request.GetOr("user-id"), guid);
    if (!item)
        return AdminResult::Refused("there is no item \"" + guid.substr(0, 64) + "\"", 404);
    AdminResult result;
    result.records.push_back(ItemFields(*KindOfGuid(guid), *item).Add("text", item->text));
    return result;
}

AdminResult AddItems(const AdminRequest& request, ServerState& server)
{
    if (std::optional<AdminResult> refused = MissingAccount(request, server))
        return *refused;
    std::string error;
    const std::optional<std::vector<FileItem>> items = SplitItemFile(request.GetOr("file"), error);
    if (!items)
        return AdminResult::Refused(error);
    AdminResult result;
    for (const FileItem& fileItem : *items) {
        const std::optional<PimItem> added =
            server.pim.AddItem(request.GetOr("user-id"), fileItem.kind, fileItem.text);
        if (!added)
            return AdminResult::Refused("the store failed to add the items (" +
                                            std::to_string(result.records.size()) + " added)",
                                        500);
        result.records.push_back(ItemFields(fileItem.kind, *added).Add("summary", ItemSummary(added->text)));
    }
    return result;
}

AdminResult ChangeItem(const AdminRequest& request, ServerState& server)
{
    const std::string guid = request.GetOr("guid");
    std::string error;
    const std::optional<std::vector<FileItem>> items = SplitItemFile(request.GetOr("file"), error);
    if (!items)
        return AdminResult::Refused(error);
    if (items->size() != 1 || KindOfGuid(guid) != items->front().kind)
        return AdminResult::Refused("the file must hold one item of the kind of \"" + guid.substr(0, 64) +
                                    "\"");
    if (!server.pim.ChangeItem(request.GetOr("user-id"), guid, items->front().text, error))
        return ItemRefused(error);
    return ShowItem(request, server);
}

AdminResult DeleteItem(const AdminRequest& request, ServerState& server)
{
    std::string refusal;
    if (!server.pim.DeleteItem(request.GetOr("user-id"), request.GetOr("guid"), refusal))
        return ItemRefused(refusal);
    return ShowItem(request, server);
}
