#pragma once
// The content lines of a vCard or vCalendar text as the server reads them: the property name (without
// parameters or group) and the value, for the few properties the server looks at (BEGIN, END, the
// dates, FN, SUMMARY). Folded continuation lines come as lines of their own and name nothing.

#include <string_view>
#include <vector>

struct ItemLine {
    std::string_view text;  // the whole line, without its line end (LF or CR LF)
    std::string_view name;  // before ":", without ";" parameters; empty when the line has no ":"
    std::string_view value; // after ":", without trailing blanks
};

std::vector<ItemLine> ItemLines(std::string_view text);
