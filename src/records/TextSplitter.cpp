#include "records/TextSplitter.h"

#include "platform/Text.h"

namespace text = platform::text;

namespace {
bool isBlankOrControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}
} // namespace

TMojiBunkatu::TMojiBunkatu()
{
    Clear();
}

void TMojiBunkatu::Clear()
{
    Items.clear();
    Count = 0;
}

void TMojiBunkatu::add(std::string item)
{
    Items.push_back(std::move(item));
    Count = int(Items.size());
}

void TMojiBunkatu::Bunkatu(std::string_view Text)
{
    Clear();
    // The text ends at a zero character, as a zero-terminated string does.
    const std::string_view s = Text.substr(0, Text.find('\0'));
    // Moves by whole characters: the second byte of a double-byte character is never taken for
    // a delimiter, a quote or a blank.
    std::size_t p = 0;
    auto next = [&](std::size_t at) { return at + std::max<std::size_t>(1, text::charLength(s, at)); };
    auto skipBlanks = [&] {
        while (p < s.size() && isBlankOrControl(s[p]))
            p = next(p);
    };
    skipBlanks();
    while (p < s.size()) {
        std::string item;
        if (s[p] == '"') {
            p = next(p);
            while (p < s.size()) {
                if (s[p] == '"') {
                    if (p + 1 < s.size() && s[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    p = next(p);
                    break;
                }
                const std::size_t n = next(p);
                item.append(s.substr(p, n - p));
                p = n;
            }
        } else {
            const std::size_t start = p;
            while (p < s.size() && !isBlankOrControl(s[p]) && s[p] != Delimiter)
                p = next(p);
            item = std::string(s.substr(start, p - start));
        }
        add(std::move(item));
        skipBlanks();
        if (p < s.size() && s[p] == Delimiter) {
            if (next(p) >= s.size())
                add({});
            do
                p = next(p);
            while (p < s.size() && isBlankOrControl(s[p]));
        }
    }
    if (Count == 0)
        add({});
}

void TMojiBunkatu::BunkatuByte(std::string_view Text, int Width)
{
    Clear();
    const std::size_t width = std::size_t(std::max(Width, 2));
    std::string_view rest = Text;
    while (!rest.empty()) {
        std::string piece = text::headByWidth(rest, width);
        if (piece.empty())
            piece = std::string(rest.substr(0, text::charLength(rest, 0)));
        rest.remove_prefix(piece.size());
        add(std::move(piece));
    }
    if (Count == 0)
        add({});
}

void TMojiBunkatu::GetItem(int Index, std::string& Text) const
{
    Text = Index >= 0 && Index < Count ? Items[std::size_t(Index)] : std::string();
}

std::string TMojiBunkatu::GetItem(int Index) const
{
    std::string s;
    GetItem(Index, s);
    return s;
}
