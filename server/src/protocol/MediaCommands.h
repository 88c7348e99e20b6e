#pragma once
// The media commands: the files lists ("List", "ListUpload", "ListServer", "ListNew", "ListDevice"),
// "Upload" chunks, "Download" and its "GetChunk" (a request with "QX-MediaID"), and the "Map" of
// "QX-CommandType: Files".

#include "protocol/CommandDispatcher.h"

ProtocolResponse MediaList(CommandContext& context);
ProtocolResponse MediaUpload(CommandContext& context);
ProtocolResponse MediaDownload(CommandContext& context);
ProtocolResponse MediaMap(CommandContext& context);
