#pragma once
// The text format of the reference server's admin API.
//
// Requests are HTML form bodies (application/x-www-form-urlencoded). Answers are lines of text, one
// record per line, each line itself form-encoded ("user-id=100001&ukey=3F..."), so a value may hold
// any byte and a record may repeat a key ("header=..." once per request header). The same encoding
// serves shell scripts (split at "&", decode "+" and "%XX") and the tests.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AdminRecord {
    std::vector<std::pair<std::string, std::string>> fields;

    AdminRecord& Add(std::string key, std::string value);
    // The first value of `key`.
    std::optional<std::string> Get(std::string_view key) const;
    std::string GetOr(std::string_view key, std::string_view fallback = {}) const;
    std::vector<std::string> GetAll(std::string_view key) const;

    // One line without its line end.
    std::string Encode() const;
    // Fields without "=" get an empty value; empty pieces are skipped.
    static AdminRecord Decode(std::string_view line);
};

// Records one per line, each line ended by LF; and back (empty lines skipped).
std::string EncodeRecords(const std::vector<AdminRecord>& records);
std::vector<AdminRecord> DecodeRecords(std::string_view text);
