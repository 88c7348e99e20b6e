#pragma once
// What one running data flow keeps in the service object between its requests: where its chunked
// transfer stands and the texts it carries from one request to the next. All zero and empty when the
// service object is made. A flow sets the fields it uses when it starts (FlowState{} first), so nothing
// of an earlier flow leaks into it. A new server session empties `answer`: an answer that arrived in
// an earlier session must never be applied in this one.
//
// Used by the flow on the worker thread only; not locked.

#include <cstdint>
#include <string>

struct FlowState {
    std::uint32_t total = 0;    // what the transfer moves in all ("QX-TotalSize": items or bytes)
    std::uint32_t offset = 0;   // where the next chunk starts ("QX-ChunkOffset")
    std::uint32_t maxChunk = 0; // the chunk bound last named ("QX-MaxChunkSize")
    std::u16string answer;      // an answer body read and not yet applied
    std::u16string mode;        // the running flow's mode: "Backup", "Sync" or "Restore"
};
