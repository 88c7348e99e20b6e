#pragma once
// The documents of the files exchange, in the "QXSync" envelope: the device's list ("media-list" of
// "media" elements with url, size and revision), the map of the last fetched file (url, id, status),
// and the server's list answer.

#include "service/FileKinds.h"
#include "service/FileObject.h"

#include <optional>
#include <string>
#include <string_view>

// Empty when no document could be made.
std::u16string DeviceListDocument(const FileList& list);
std::u16string MapDocument(const FILE_OBJECT& file);

// The server's list: the "media" children of the document element's first child element, in order.
// Each gives size and id ("%d": 0 when absent, not a number or negative for the size), path ("url"),
// name ("filename", its kind sorted by `kinds`; "other" when no kind takes it), status, and the
// thumbnail from the element's Base64 text (blanks and line breaks skipped). Nothing when the text is
// not a document.
std::optional<FileList> ParseFileListAnswer(std::u16string_view text, const CFileKindRules& kinds);
