#pragma once
// The operator commands of the reference server's admin API, with their fields: one table that the
// server checks requests against, the operator mode sends from and --help prints.
//
// Each command is "POST /admin/<name>" with its fields as a form body, or as a multipart form when they
// are long (a file's content; read-only commands also answer GET with the fields as a query). Fields not
// listed for a command are refused.

#include <cstddef>
#include <span>
#include <string_view>

enum class FieldUse { Optional, Required, Repeatable };

struct AdminField {
    std::string_view name;
    FieldUse use;
    std::string_view help;
    // The operator names a file and the operator mode sends the file's content as the value (the API
    // takes the content itself), up to kMaxFileFieldBytes.
    bool fileContent = false;
};

inline constexpr std::size_t kMaxFileFieldBytes = 8 * 1024 * 1024;

struct AdminCommand {
    std::string_view name;
    bool readOnly;
    std::string_view summary;
    std::span<const AdminField> fields;

    const AdminField* FindField(std::string_view fieldName) const;
};

std::span<const AdminCommand> AdminCommands();
// Null when there is no such command.
const AdminCommand* FindAdminCommand(std::string_view name);
