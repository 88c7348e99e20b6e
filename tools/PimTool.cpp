// lumeno-pim: the handset's PIM store from the command line, for users and for checking conversions
// by hand. It opens the store the way the handset does (LUMENO_DEVICE_ROOT selects the device folder).
//
//   lumeno-pim import FILE          add every vCard, VEVENT and VTODO of a .vcf or .vcs file
//   lumeno-pim export KIND FILE     write all items of a kind as one file ("-": standard output)
//   lumeno-pim list KIND            one line per item: id, checksum, title
//   lumeno-pim show ID              the item's text
//   lumeno-pim edit ID FILE         give the item the content of the file's first item, keeping its id
//   lumeno-pim delete ID            remove the item
//   lumeno-pim count [KIND]         number of items
// KIND is contacts, appointments or tasks.
// Exit codes: 0 done; 1 some items failed or the id is unknown; 2 bad command line; 3 the file or the
// store cannot be read or written.

#include "ItemFile.h"
#include "ItemImport.h"
#include "pim/ItemConverter.h"
#include "pim/ItemInfo.h"
#include "pim/OutlookManager.h"
#include "platform/LogSink.h"
#include "platform/PimStore.h"
#include "utils/Files.h"
#include "utils/Utf.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitItemsFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIo = 3;

void PrintUsage()
{
    std::fprintf(stderr,
                 "usage: lumeno-pim import FILE\n"
                 "       lumeno-pim export contacts|appointments|tasks FILE|-\n"
                 "       lumeno-pim list contacts|appointments|tasks\n"
                 "       lumeno-pim show ID\n"
                 "       lumeno-pim edit ID FILE\n"
                 "       lumeno-pim delete ID\n"
                 "       lumeno-pim count [contacts|appointments|tasks]\n");
}

std::optional<PimFolder> FolderNamed(const std::string& name)
{
    if (name == "contacts")
        return PimFolder::Contacts;
    if (name == "appointments")
        return PimFolder::Calendar;
    if (name == "tasks")
        return PimFolder::Tasks;
    std::fprintf(stderr, "lumeno-pim: unknown kind \"%s\" (contacts, appointments or tasks)\n", name.c_str());
    return std::nullopt;
}

std::optional<std::uint32_t> IdNamed(const std::string& text)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value == 0 || value > kPimMaxObjectId) {
        std::fprintf(stderr, "lumeno-pim: \"%s\" is not an item id\n", text.c_str());
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::u16string TextOf(CPimItem& item)
{
    ItemConverter converter;
    converter.Attach(item);
    return converter.GetText();
}

std::u16string TitleOf(const CPimItem& item)
{
    const auto text = [&item](PimField field) {
        const std::u16string* value = item.FindText(field);
        return value ? *value : std::u16string();
    };
    if (item.Folder() != PimFolder::Contacts)
        return text(PimField::Subject);
    std::u16string title = text(PimField::LastName);
    const std::u16string first = text(PimField::FirstName);
    if (!first.empty())
        title += (title.empty() ? u"" : u", ") + first;
    if (title.empty())
        title = text(PimField::CompanyName);
    if (title.empty())
        title = text(PimField::Email1Address);
    return title;
}

std::optional<std::string> ReadItemFile(const std::string& path)
{
    std::uint8_t* buffer = nullptr;
    std::size_t size = 0;
    if (Failed(ReadFileAndAllocBuffer(Utf8ToUtf16(path), buffer, size))) {
        std::fprintf(stderr, "lumeno-pim: cannot read \"%s\"\n", path.c_str());
        return std::nullopt;
    }
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    ReleaseBuffer(buffer);
    return bytes;
}

int Import(std::unique_ptr<PimStore> store, const std::string& path)
{
    const std::optional<std::string> bytes = ReadItemFile(path);
    if (!bytes)
        return kExitIo;
    OutlookManager manager(std::move(store));
    const ImportOutcome outcome = ImportItemFile(manager, *bytes);
    if (outcome.items == 0) {
        std::fprintf(stderr, "lumeno-pim: \"%s\" holds no vCard, VEVENT or VTODO\n", path.c_str());
        return kExitItemsFailed;
    }
    for (const auto& [number, status] : outcome.failures)
        std::fprintf(stderr, "lumeno-pim: item %zu of \"%s\" not added (status 0x%08X)\n", number, path.c_str(),
                     static_cast<unsigned>(status));
    std::printf("added %zu of %zu items from %s\n", outcome.added, outcome.items, path.c_str());
    return outcome.added == outcome.items ? kExitDone : kExitItemsFailed;
}

int Export(PimStore& store, PimFolder folder, const std::string& path)
{
    CPimItems items(store, folder);
    std::int32_t count = 0;
    if (Failed(items.Count(count))) {
        std::fprintf(stderr, "lumeno-pim: cannot read the store\n");
        return kExitIo;
    }
    std::u16string text;
    for (std::int32_t position = 1; position <= count; ++position) {
        std::unique_ptr<CPimItem> item;
        if (Failed(items.Item(position, item)))
            continue;
        text += TextOf(*item);
        if (!text.ends_with(u"\r\n"))
            text += u"\r\n";
    }
    if (path == "-") {
        const std::string bytes = Utf16ToUtf8(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return kExitDone;
    }
    if (Failed(WriteUTF8File(Utf8ToUtf16(path), text))) {
        std::fprintf(stderr, "lumeno-pim: cannot write \"%s\"\n", path.c_str());
        return kExitIo;
    }
    std::fprintf(stderr, "wrote %d items to %s\n", count, path.c_str());
    return kExitDone;
}

int List(PimStore& store, PimFolder folder)
{
    CPimItems items(store, folder);
    std::int32_t count = 0;
    if (Failed(items.Count(count)))
        return kExitIo;
    for (std::int32_t position = 1; position <= count; ++position) {
        std::unique_ptr<CPimItem> item;
        if (Failed(items.Item(position, item)))
            continue;
        ItemInfo info;
        info.data = TextOf(*item);
        info.CalculateCRC();
        std::printf("%u\t%s\t%s\n", item->Oid(), Utf16ToUtf8(info.crc).c_str(), Utf16ToUtf8(TitleOf(*item)).c_str());
    }
    return kExitDone;
}

int Show(PimStore& store, std::uint32_t oid, bool remove)
{
    std::unique_ptr<CPimItem> item;
    const HRESULT status = FindPimItem(store, oid, item);
    if (Failed(status)) {
        std::fprintf(stderr, "lumeno-pim: no item with id %u\n", oid);
        return status == E_PIM_NOT_FOUND ? kExitItemsFailed : kExitIo;
    }
    if (remove)
        return Succeeded(item->Delete()) ? kExitDone : kExitIo;
    std::printf("%s\n", Utf16ToUtf8(TextOf(*item)).c_str());
    return kExitDone;
}

int Edit(PimStore& store, std::uint32_t oid, const std::string& path)
{
    const std::optional<std::string> bytes = ReadItemFile(path);
    if (!bytes)
        return kExitIo;
    const std::vector<std::u16string> texts = SplitItemTexts(DecodeItemFile(*bytes));
    if (texts.empty()) {
        std::fprintf(stderr, "lumeno-pim: \"%s\" holds no vCard, VEVENT or VTODO\n", path.c_str());
        return kExitItemsFailed;
    }
    const HRESULT status = EditItem(store, oid, texts.front());
    if (status == E_PIM_NOT_FOUND) {
        std::fprintf(stderr, "lumeno-pim: no item with id %u\n", oid);
        return kExitItemsFailed;
    }
    if (status == E_FAIL) {
        std::fprintf(stderr, "lumeno-pim: the first item of \"%s\" is not of item %u's kind, or does not read\n",
                     path.c_str(), oid);
        return kExitItemsFailed;
    }
    return Succeeded(status) ? kExitDone : kExitIo;
}

int Count(PimStore& store, const std::vector<PimFolder>& folders)
{
    for (const PimFolder folder : folders) {
        std::int32_t count = 0;
        if (Failed(CPimItems(store, folder).Count(count)))
            return kExitIo;
        std::printf("%s%d\n",
                    folders.size() == 1                 ? ""
                    : folder == PimFolder::Contacts     ? "contacts\t"
                    : folder == PimFolder::Calendar     ? "appointments\t"
                                                        : "tasks\t",
                    count);
    }
    return kExitDone;
}

} // namespace

int main(int argc, char** argv)
{
    // What the libraries report (an item they could not read, a store error) goes to standard error.
    CLogSink::Install(
        [](std::string_view line) { std::fprintf(stderr, "lumeno-pim: %.*s\n", int(line.size()), line.data()); });
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage();
        return kExitUsage;
    }
    const std::string& command = args[0];
    const bool known = (command == "import" && args.size() == 2) || (command == "export" && args.size() == 3) ||
                       (command == "list" && args.size() == 2) || (command == "show" && args.size() == 2) ||
                       (command == "delete" && args.size() == 2) || (command == "edit" && args.size() == 3) ||
                       (command == "count" && args.size() <= 2);
    if (!known) {
        PrintUsage();
        return kExitUsage;
    }
    std::optional<PimFolder> folder;
    if (command == "export" || command == "list" || (command == "count" && args.size() == 2)) {
        folder = FolderNamed(args[1]);
        if (!folder)
            return kExitUsage;
    }
    std::optional<std::uint32_t> oid;
    if (command == "show" || command == "delete" || command == "edit") {
        oid = IdNamed(args[1]);
        if (!oid)
            return kExitUsage;
    }

    const auto path = DefaultPimStorePath();
    auto store = CreateSqlitePimStore(path);
    if (Failed(store->Logon())) {
        std::fprintf(stderr, "lumeno-pim: cannot open the PIM store %s\n", path.c_str());
        return kExitIo;
    }
    if (command == "import")
        return Import(std::move(store), args[1]);
    if (command == "export")
        return Export(*store, *folder, args[2]);
    if (command == "list")
        return List(*store, *folder);
    if (command == "show" || command == "delete")
        return Show(*store, *oid, command == "delete");
    if (command == "edit")
        return Edit(*store, *oid, args[2]);
    if (folder)
        return Count(*store, {*folder});
    return Count(*store, {PimFolder::Contacts, PimFolder::Calendar, PimFolder::Tasks});
}
