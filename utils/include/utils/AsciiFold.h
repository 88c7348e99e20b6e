#pragma once
// Case folding as the handset compares names, words and device paths, and as HTTP compares header
// names and schemes: ASCII letters only, so that the result never depends on the host's locale. Every
// function comes for narrow text (UTF-8 at the edges) and for wide text (UTF-16).

#include <string>
#include <string_view>

namespace AsciiFoldDetail {

template <typename Char> constexpr Char FoldChar(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <typename Char> std::basic_string<Char> FoldText(std::basic_string_view<Char> text)
{
    std::basic_string<Char> folded(text);
    for (Char& c : folded)
        c = FoldChar(c);
    return folded;
}

template <typename Char>
constexpr bool SameFolded(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

} // namespace AsciiFoldDetail

// 'A'-'Z' become 'a'-'z'; every other unit, non-ASCII ones included, stays as it is.
constexpr char FoldAscii(char c)
{
    return AsciiFoldDetail::FoldChar(c);
}

constexpr char16_t FoldAscii(char16_t c)
{
    return AsciiFoldDetail::FoldChar(c);
}

inline std::string FoldAscii(std::string_view text)
{
    return AsciiFoldDetail::FoldText(text);
}

inline std::u16string FoldAscii(std::u16string_view text)
{
    return AsciiFoldDetail::FoldText(text);
}

constexpr bool EqualsFolded(std::string_view a, std::string_view b)
{
    return AsciiFoldDetail::SameFolded(a, b);
}

constexpr bool EqualsFolded(std::u16string_view a, std::u16string_view b)
{
    return AsciiFoldDetail::SameFolded(a, b);
}

constexpr bool StartsWithFolded(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsFolded(text.substr(0, prefix.size()), prefix);
}

constexpr bool StartsWithFolded(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && EqualsFolded(text.substr(0, prefix.size()), prefix);
}
