#pragma once
// A handset's contacts (or appointments, or tasks) in the server's tests, synchronised as the handset's
// flows do it: the checksum list, upload chunks within the handset's size estimate, restore chunks
// applied as its store applies them (an update gives the item a new luid), "GetChunk" and "Map".

#include "TestHandset.h"
#include "data/PimVocabulary.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct PimSyncReport {
    bool ok = false;
    std::string failure;                // which step failed, and how
    std::vector<std::string> requested; // luids the server asked for
    std::size_t uploadChunks = 0;
    std::vector<std::string> restored; // "status guid" of each restored item
    std::size_t restoreChunks = 0;     // chunk answers read (the first included)
    std::size_t largestChunkBytes = 0;
};

class CPimHandset {
public:
    CPimHandset(CTestHandset& http, PimKind kind) : m_http(http), m_vocabulary(VocabularyOf(kind)) {}

    // Items in store order: luid and text.
    std::vector<std::pair<std::string, std::string>> items;

    std::string Add(std::string text);
    bool Change(const std::string& luid, std::string text);
    bool Remove(const std::string& luid);
    // The texts, sorted, to compare handsets.
    std::vector<std::string> Texts() const;

    // A negotiated session, then the flows of `mode` ("Sync", "Backup" or "Restore"). `listed`: false
    // sends the whole-list shortcut (contacts only). `maxChunk`: "QX-MaxChunkSize" of the restore.
    PimSyncReport Run(const std::string& mode, bool listed = true, std::size_t maxChunk = 102400);

    // Bodies as the handset writes them.
    std::string ChecksumBody(bool listed) const;
    std::string UploadBody(const std::vector<std::pair<std::string, std::string>>& chunk) const;

private:
    bool Upload(const std::string& mode, std::vector<std::string> requested, PimSyncReport& report,
                HandsetAnswer& last);
    bool Restore(HandsetAnswer answer, std::size_t maxChunk, PimSyncReport& report);
    HandsetAnswer Send(const std::string& command, HeaderList headers, const std::string& body,
                       PimSyncReport& report);

    CTestHandset& m_http;
    const PimVocabulary& m_vocabulary;
    int m_nextLuid = 1;
};
