#pragma once
// Reading .vcf and .vcs files into single item texts for the PIM store tool.

#include <string>
#include <string_view>
#include <vector>

// The file's text: UTF-16 when it starts with a byte order mark or its zero bytes say so (either byte
// order); UTF-8 when the bytes are valid UTF-8 (a byte order mark is dropped); otherwise one byte per
// character, which the item reader takes as 8-bit text.
std::u16string DecodeItemFile(std::string_view bytes);

// Cuts a text into one text per item, each with CR LF line ends and a final CR LF as the readers need:
// every BEGIN:VCARD ... END:VCARD, and every BEGIN:VEVENT / BEGIN:VTODO ... END of the same name wrapped
// in a VCALENDAR 1.0 of its own. Lines end in LF, CR LF, or, in a text without LF, CR. Folded lines stay
// with their property; a card nested in a card (an AGENT's) stays inside its parent. An item that is
// not closed before the end of the text is returned as it is (its reader then reports it).
std::vector<std::u16string> SplitItemTexts(std::u16string_view text);
