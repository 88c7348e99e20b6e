#pragma once
// One request as a test server or a scripted client received it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RecordedRequest {
    std::string method;
    std::string target;                   // as sent in the request line (the path)
    std::vector<std::string> headerLines; // without CR LF, in arrival order
    std::string body;
    int connection = 0;                   // 1 for the first accepted connection (or client), ...

    // Value of the first header of that name (either case), blanks around it removed.
    std::optional<std::string> Header(std::string_view name) const;
};
