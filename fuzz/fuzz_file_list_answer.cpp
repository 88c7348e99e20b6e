// The server's files list becomes the records the user ticks and the paths and names the transfers
// use: reading it must never crash or hang, every record must have a kind, a size that is no
// negative number, and a name whose extension is in lower case.

#include "FuzzCheck.h"
#include "service/FileListDocuments.h"
#include "utils/Utf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    _SETTINGS_DEF settings;
    settings.Extensions_Image = u"jpg;jpeg;png;gif";
    settings.Extensions_Video = u"3gp;mp4";
    settings.Extensions_Audio = u"mp3;amr";
    settings.Extensions_Other = u"txt;pdf";
    const CFileKindRules kinds(settings, CFileKindRules::kAllKinds);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<FileList> list = ParseFileListAnswer(Utf8ToUtf16(bytes), kinds);
    if (!list)
        return 0;
    for (const FILE_OBJECT& file : *list) {
        FUZZ_CHECK(file.kind >= FILE_KIND_IMAGE && file.kind <= FILE_KIND_OTHER);
        FUZZ_CHECK(file.size >= 0);
        FUZZ_CHECK(file.selected == 0);
        // The name stays as sent; its kind is that of its extension in any letter case.
        std::u16string folded = file.name;
        FUZZ_CHECK(file.kind == kinds.KindOf(folded).value_or(FILE_KIND_OTHER));
    }
    return 0;
}
