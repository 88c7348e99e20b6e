#include "refserver/AdminRecord.h"

#include "utils/FormEncoding.h"

AdminRecord& AdminRecord::Add(std::string key, std::string value)
{
    fields.emplace_back(std::move(key), std::move(value));
    return *this;
}

std::optional<std::string> AdminRecord::Get(std::string_view key) const
{
    for (const auto& [name, value] : fields) {
        if (name == key)
            return value;
    }
    return std::nullopt;
}

std::string AdminRecord::GetOr(std::string_view key, std::string_view fallback) const
{
    const std::optional<std::string> value = Get(key);
    return value ? *value : std::string(fallback);
}

std::vector<std::string> AdminRecord::GetAll(std::string_view key) const
{
    std::vector<std::string> values;
    for (const auto& [name, value] : fields) {
        if (name == key)
            values.push_back(value);
    }
    return values;
}

std::string AdminRecord::Encode() const
{
    std::string line;
    for (const auto& [name, value] : fields) {
        if (!line.empty())
            line += '&';
        line += FormEncode(name);
        line += '=';
        line += FormEncode(value);
    }
    return line;
}

AdminRecord AdminRecord::Decode(std::string_view line)
{
    AdminRecord record;
    while (!line.empty()) {
        const std::size_t end = line.find('&');
        const std::string_view piece = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
        if (piece.empty())
            continue;
        const std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos)
            record.Add(FormDecode(piece), {});
        else
            record.Add(FormDecode(piece.substr(0, equals)), FormDecode(piece.substr(equals + 1)));
    }
    return record;
}

std::string EncodeRecords(const std::vector<AdminRecord>& records)
{
    std::string text;
    for (const AdminRecord& record : records) {
        text += record.Encode();
        text += '\n';
    }
    return text;
}

std::vector<AdminRecord> DecodeRecords(std::string_view text)
{
    std::vector<AdminRecord> records;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            records.push_back(AdminRecord::Decode(line));
    }
    return records;
}
