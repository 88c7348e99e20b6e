// A PIM store held in memory: the same contract as the store file, for tests, benchmarks and
// conversions checked by hand. Lost when the object goes.

#include "platform/PimStore.h"

#include <map>
#include <optional>

namespace {

class CPimStoreMemory final : public PimStore {
public:
    HRESULT Logon() override { return S_OK; }

    HRESULT LoadFolder(PimFolder folder, std::vector<PimRecord>& records) override
    {
        records.clear();
        for (const auto& [oid, record] : m_records) {
            if (record.folder == folder) {
                records.push_back(record);
                records.back().hasPicture = m_pictures.contains(oid);
            }
        }
        return S_OK;
    }

    HRESULT LoadRecord(std::uint32_t oid, PimRecord& record) override
    {
        const auto found = m_records.find(oid);
        if (found == m_records.end())
            return E_PIM_NOT_FOUND;
        record = found->second;
        record.hasPicture = m_pictures.contains(oid);
        return S_OK;
    }

    HRESULT SaveRecord(PimRecord& record, const std::string* picture) override
    {
        std::uint32_t oid = record.oid;
        if (oid == 0) {
            if (m_lastId >= kPimMaxObjectId)
                return E_PIM_FULL;
            oid = ++m_lastId;
        } else if (!m_records.contains(oid)) {
            return E_PIM_NOT_FOUND;
        }
        record.oid = oid;
        m_records[oid] = record;
        if (picture && picture->empty())
            m_pictures.erase(oid);
        else if (picture)
            m_pictures[oid] = *picture;
        if (picture)
            record.hasPicture = !picture->empty();
        return S_OK;
    }

    HRESULT DeleteRecord(std::uint32_t oid) override
    {
        if (m_records.erase(oid) == 0)
            return E_PIM_NOT_FOUND;
        m_pictures.erase(oid);
        return S_OK;
    }

    HRESULT LoadChecksums(PimFolder folder, std::vector<PimItemChecksum>& items) override
    {
        items.clear();
        for (const auto& [oid, record] : m_records) {
            if (record.folder == folder)
                items.push_back({oid, record.checksum});
        }
        return S_OK;
    }

    HRESULT SaveChecksum(std::uint32_t oid, std::uint32_t checksum) override
    {
        const auto found = m_records.find(oid);
        if (found == m_records.end())
            return E_PIM_NOT_FOUND;
        found->second.checksum = checksum;
        return S_OK;
    }

    HRESULT AppendUnsentMap(std::u16string_view list, const std::vector<PimMapEntry>& entries) override
    {
        std::vector<PimMapEntry>& kept = m_maps[std::u16string(list)];
        kept.insert(kept.end(), entries.begin(), entries.end());
        return S_OK;
    }

    HRESULT LoadUnsentMap(std::u16string_view list, std::vector<PimMapEntry>& entries) override
    {
        const auto found = m_maps.find(std::u16string(list));
        entries = found == m_maps.end() ? std::vector<PimMapEntry>{} : found->second;
        return S_OK;
    }

    HRESULT ClearUnsentMap(std::u16string_view list) override
    {
        if (m_before && !m_before->maps)
            m_before->maps = m_maps;
        m_maps.erase(std::u16string(list));
        return S_OK;
    }

    HRESULT LoadPicture(std::uint32_t oid, std::string& bytes) override
    {
        bytes.clear();
        if (!m_records.contains(oid))
            return E_PIM_NOT_FOUND;
        const auto found = m_pictures.find(oid);
        if (found != m_pictures.end())
            bytes = found->second;
        return S_OK;
    }

    // A discarded batch puts back the items as they were when it began. A batch appends to the maps,
    // so their lengths are enough to undo it; the maps are copied only when a batch clears one, since a
    // restore keeps a growing map across thousands of batches.
    HRESULT BeginBatch() override
    {
        if (m_before)
            return E_PIM_INVALID_ARG;
        m_before = Items{m_records, m_pictures, m_lastId, {}, std::nullopt};
        for (const auto& [list, entries] : m_maps)
            m_before->mapLengths[list] = entries.size();
        return S_OK;
    }

    HRESULT EndBatch(BatchEnd end) override
    {
        if (!m_before)
            return E_PIM_INVALID_ARG;
        if (end == BatchEnd::Discard) {
            m_records = std::move(m_before->records);
            m_pictures = std::move(m_before->pictures);
            m_lastId = m_before->lastId;
            if (m_before->maps)
                m_maps = std::move(*m_before->maps);
            else
                TruncateMaps(m_before->mapLengths);
        }
        m_before.reset();
        return S_OK;
    }

private:
    struct Items {
        std::map<std::uint32_t, PimRecord> records;
        std::map<std::uint32_t, std::string> pictures;
        std::uint32_t lastId;
        std::map<std::u16string, std::size_t> mapLengths;
        std::optional<std::map<std::u16string, std::vector<PimMapEntry>>> maps; // once the batch clears one
    };

    void TruncateMaps(const std::map<std::u16string, std::size_t>& lengths)
    {
        for (auto list = m_maps.begin(); list != m_maps.end();) {
            const auto length = lengths.find(list->first);
            if (length == lengths.end()) {
                list = m_maps.erase(list);
                continue;
            }
            list->second.resize(length->second);
            ++list;
        }
    }

    std::map<std::uint32_t, PimRecord> m_records;
    std::map<std::uint32_t, std::string> m_pictures;
    std::uint32_t m_lastId = 0;
    std::map<std::u16string, std::vector<PimMapEntry>> m_maps;
    std::optional<Items> m_before; // while a batch is open: the items when it began
};

} // namespace

std::unique_ptr<PimStore> CreateMemoryPimStore()
{
    return std::make_unique<CPimStoreMemory>();
}
