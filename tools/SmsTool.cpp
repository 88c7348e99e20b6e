// lumeno-sms: the handset's text messages from the command line, and SMS archives of phones in and
// out. It opens the messaging store the way the handset does (LUMENO_DEVICE_ROOT selects the device
// folder).
//
//   lumeno-sms list [FOLDER]      one line per message: id, folder, time (UTC), peer, start of the text
//   lumeno-sms show ID            the message's properties and text
//   lumeno-sms count [FOLDER]     number of messages (of each top folder without FOLDER)
//   lumeno-sms delete ID          remove the message
//   lumeno-sms import FILE        add the messages of an SMS archive that the store does not hold yet
//   lumeno-sms export FILE|-      write inbox, Sent Items, Drafts and Outbox as an SMS archive
// FOLDER is inbox, sent, drafts, outbox or deleted.
// Exit codes: 0 done; 1 the id is unknown; 2 bad command line; 3 the file or the store cannot be read
// or written, or the file is not an SMS archive (the store is then unchanged).

#include "SmsArchive.h"
#include "SmsArchiveStore.h"
#include "platform/LogSink.h"
#include "platform/MAPIMsgStore.h"
#include "utils/Files.h"
#include "utils/Hex.h"
#include "utils/Utf.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitUnknownId = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIo = 3;
// How much of a text a listing line shows.
constexpr std::size_t kListedChars = 48;

struct FolderName {
    const char* word;
    MsgSpecialFolder folder;
};

constexpr FolderName kFolderNames[] = {
    {"inbox", MsgSpecialFolder::Inbox},          {"sent", MsgSpecialFolder::SentItems},
    {"drafts", MsgSpecialFolder::Drafts},        {"outbox", MsgSpecialFolder::Outbox},
    {"deleted", MsgSpecialFolder::DeletedItems},
};

void PrintUsage()
{
    std::fprintf(stderr, "usage: lumeno-sms list [inbox|sent|drafts|outbox|deleted]\n"
                         "       lumeno-sms show ID\n"
                         "       lumeno-sms count [inbox|sent|drafts|outbox|deleted]\n"
                         "       lumeno-sms delete ID\n"
                         "       lumeno-sms import FILE\n"
                         "       lumeno-sms export FILE|-\n");
}

std::optional<MsgSpecialFolder> FolderNamed(const std::string& word)
{
    for (const FolderName& name : kFolderNames) {
        if (word == name.word)
            return name.folder;
    }
    std::fprintf(stderr, "lumeno-sms: unknown folder \"%s\" (inbox, sent, drafts, outbox or deleted)\n",
                 word.c_str());
    return std::nullopt;
}

std::optional<EntryId> IdNamed(const std::string& text)
{
    const bool hex = !text.empty() && text.size() % 2 == 0 &&
                     text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (!hex) {
        std::fprintf(stderr, "lumeno-sms: \"%s\" is not a message id\n", text.c_str());
        return std::nullopt;
    }
    EntryId entry;
    for (std::size_t i = 0; i < text.size(); i += 2)
        entry.push_back(static_cast<std::uint8_t>(HexCharToChar(text[i]) * 16 + HexCharToChar(text[i + 1])));
    return entry;
}

std::string IdText(const EntryId& entry)
{
    return HexUpper(std::string_view(reinterpret_cast<const char*>(entry.data()), entry.size()));
}

std::string TimeText(FileTime time)
{
    const CivilTime utc = FileTimeToCivil(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", utc.year, utc.month, utc.day, utc.hour,
                  utc.minute, utc.second);
    return text;
}

// The other side of the conversation: the sender of a received message, else the first recipient.
std::u16string PeerOf(const MAPIMessage& message, bool received)
{
    if (received)
        return message.SenderName();
    return message.Recipients().empty() ? std::u16string() : message.Recipients().front().displayName;
}

// The first line of the text, cut short (never inside a character).
std::u16string Excerpt(std::u16string text)
{
    text = text.substr(0, text.find_first_of(u"\r\n"));
    if (text.size() <= kListedChars)
        return text;
    std::size_t end = kListedChars;
    if (text[end] >= 0xDC00 && text[end] <= 0xDFFF)
        --end;
    return text.substr(0, end) + u"…";
}

std::u16string FolderWord(MsgSpecialFolder folder)
{
    for (const FolderName& name : kFolderNames) {
        if (name.folder == folder)
            return Utf8ToUtf16(name.word);
    }
    return {};
}

// Calls `visit` (name, folder, its messages) for each folder of the listing, or only for `only`.
template <typename Visit>
int VisitFolders(MAPIMsgStore& store, std::optional<MsgSpecialFolder> only, Visit visit)
{
    std::vector<MsgStoreEntry> entries;
    for (const FolderName& name : kFolderNames) {
        if (only && *only != name.folder)
            continue;
        const std::unique_ptr<SmsFolder> folder = store.OpenSpecialFolder(name.folder);
        if (!folder || !folder->ListMessages(entries)) {
            std::fprintf(stderr, "lumeno-sms: cannot read the store: %s\n", store.LastError().c_str());
            return kExitIo;
        }
        visit(name, *folder, entries);
    }
    return kExitDone;
}

int List(MAPIMsgStore& store, std::optional<MsgSpecialFolder> only)
{
    return VisitFolders(store, only, [](const FolderName& name, SmsFolder& folder, const auto& entries) {
        for (const MsgStoreEntry& entry : entries) {
            const std::unique_ptr<MAPIMessage> message = folder.OpenMessage(entry.entryId);
            if (!message)
                continue;
            const bool received = name.folder == MsgSpecialFolder::Inbox;
            std::printf("%s\t%s\t%s\t%s\t%s\n", IdText(entry.entryId).c_str(), name.word,
                        TimeText(message->DeliveryTime()).c_str(),
                        Utf16ToUtf8(PeerOf(*message, received)).c_str(),
                        Utf16ToUtf8(Excerpt(message->Subject())).c_str());
        }
    });
}

int Count(MAPIMsgStore& store, std::optional<MsgSpecialFolder> only)
{
    return VisitFolders(store, only, [&only](const FolderName& name, SmsFolder&, const auto& entries) {
        if (only)
            std::printf("%zu\n", entries.size());
        else
            std::printf("%s\t%zu\n", name.word, entries.size());
    });
}

// Shows or deletes the message, wherever it is.
int ShowOrDelete(MAPIMsgStore& store, const EntryId& entry, bool remove)
{
    for (const FolderName& name : kFolderNames) {
        std::unique_ptr<SmsFolder> folder = store.OpenSpecialFolder(name.folder);
        const std::unique_ptr<MAPIMessage> message = folder ? folder->OpenMessage(entry) : nullptr;
        if (!message)
            continue;
        if (remove) {
            if (folder->DeleteMessage(entry))
                return kExitDone;
            std::fprintf(stderr, "lumeno-sms: cannot delete: %s\n", store.LastError().c_str());
            return kExitIo;
        }
        std::printf("folder:    %s\nclass:     %s\nflags:     0x%02X%s\ntime:      %s UTC\n",
                    Utf16ToUtf8(FolderWord(name.folder)).c_str(),
                    Utf16ToUtf8(message->MessageClass()).c_str(), message->Flags(),
                    (message->Flags() & MSGFLAG_READ) ? " (read)" : "",
                    TimeText(message->DeliveryTime()).c_str());
        if (!message->SenderName().empty())
            std::printf("from:      %s <%s>\n", Utf16ToUtf8(message->SenderName()).c_str(),
                        Utf16ToUtf8(message->SenderAddress()).c_str());
        for (const MsgRecipient& recipient : message->Recipients())
            std::printf("to:        %s <%s>\n", Utf16ToUtf8(recipient.displayName).c_str(),
                        Utf16ToUtf8(recipient.address).c_str());
        std::printf("\n%s\n",
                    Utf16ToUtf8(message->Body().empty() ? message->Subject() : message->Body()).c_str());
        return kExitDone;
    }
    std::fprintf(stderr, "lumeno-sms: no message with id %s\n", IdText(entry).c_str());
    return kExitUnknownId;
}

int Import(MAPIMsgStore& store, const std::string& path)
{
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    if (Failed(ReadFileAndAllocBuffer(Utf8ToUtf16(path), buffer, size))) {
        std::fprintf(stderr, "lumeno-sms: cannot read \"%s\"\n", path.c_str());
        return kExitIo;
    }
    SmsArchive archive;
    std::string error;
    const bool read =
        ReadSmsArchive(std::string_view(reinterpret_cast<const char*>(buffer), size), archive, error);
    ReleaseBuffer(buffer);
    if (!read) {
        std::fprintf(stderr, "lumeno-sms: \"%s\" is not an SMS archive: %s; nothing imported\n", path.c_str(),
                     error.c_str());
        return kExitIo;
    }
    SmsImportCounts counts;
    if (!ImportSmsArchive(store, archive, counts, error)) {
        std::fprintf(stderr, "lumeno-sms: the store refused the messages: %s; nothing imported\n",
                     error.c_str());
        return kExitIo;
    }
    std::printf("added %zu of %zu messages from %s (%zu already present", counts.added,
                archive.messages.size(), path.c_str(), counts.present);
    if (archive.skipped > 0)
        std::printf("; %zu picture or other messages left out", archive.skipped);
    std::printf(")\n");
    return kExitDone;
}

int Export(MAPIMsgStore& store, const std::string& path)
{
    std::vector<ArchivedSms> messages;
    std::string error;
    if (!ExportSmsArchive(store, messages, error)) {
        std::fprintf(stderr, "lumeno-sms: cannot read the store: %s\n", error.c_str());
        return kExitIo;
    }
    const std::string archive = WriteSmsArchive(messages);
    if (path == "-") {
        std::fwrite(archive.data(), 1, archive.size(), stdout);
        return kExitDone;
    }
    if (Failed(WriteANSIFile(Utf8ToUtf16(path), archive))) {
        std::fprintf(stderr, "lumeno-sms: cannot write \"%s\"\n", path.c_str());
        return kExitIo;
    }
    std::fprintf(stderr, "wrote %zu messages to %s\n", messages.size(), path.c_str());
    return kExitDone;
}

} // namespace

int main(int argc, char** argv)
{
    // What the libraries report (a store they could not open, a message they refused) goes to
    // standard error.
    CLogSink::Install(
        [](std::string_view line) { std::fprintf(stderr, "lumeno-sms: %.*s\n", int(line.size()), line.data()); });
    // Each command with the fewest and the most words that may follow it.
    struct CommandWords {
        const char* command;
        std::size_t fewest;
        std::size_t most;
    };
    constexpr CommandWords kCommands[] = {{"list", 0, 1},   {"count", 0, 1},  {"show", 1, 1},
                                          {"delete", 1, 1}, {"import", 1, 1}, {"export", 1, 1}};
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = args.empty() ? std::string() : args[0];
    const auto known =
        std::find_if(std::begin(kCommands), std::end(kCommands), [&](const CommandWords& words) {
            return command == words.command && args.size() - 1 >= words.fewest &&
                   args.size() - 1 <= words.most;
        });
    if (known == std::end(kCommands)) {
        PrintUsage();
        return kExitUsage;
    }
    const bool takesFolder = command == "list" || command == "count";
    const bool takesId = command == "show" || command == "delete";
    std::optional<MsgSpecialFolder> folder;
    if (takesFolder && args.size() == 2) {
        folder = FolderNamed(args[1]);
        if (!folder)
            return kExitUsage;
    }
    std::optional<EntryId> entry;
    if (takesId) {
        entry = IdNamed(args[1]);
        if (!entry)
            return kExitUsage;
    }

    std::string error;
    const std::unique_ptr<MAPIMsgStore> store =
        MAPIMsgStore::Open(MAPIMsgStore::DefaultPath(), u"SMS", error);
    if (!store) {
        std::fprintf(stderr, "lumeno-sms: cannot open the messaging store: %s\n", error.c_str());
        return kExitIo;
    }
    if (command == "list")
        return List(*store, folder);
    if (command == "count")
        return Count(*store, folder);
    if (takesId)
        return ShowOrDelete(*store, *entry, command == "delete");
    if (command == "import")
        return Import(*store, args[1]);
    return Export(*store, args[1]);
}
