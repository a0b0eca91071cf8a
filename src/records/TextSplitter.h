#pragma once

#include <string>
#include <string_view>
#include <vector>

// The items of the last split.
using TMojiArray = std::vector<std::string>;

// Text splitter: cuts a text at a one-character delimiter (with double-quoted items) or into
// pieces of a CP932 byte width, and keeps the items for indexed reading. (The export has a
// simpler class of the same name in its own namespace.)
class TMojiBunkatu {
public:
    TMojiBunkatu();

    // Empties Items; Count 0.
    void Clear();
    // Splits Text at Delimiter; the double quote quotes items, blanks end unquoted items.
    // Afterwards Count is at least 1 (a text without items gives one empty item).
    void Bunkatu(std::string_view Text);
    // Cuts Text into pieces of Width CP932 bytes, one byte fewer where a double-byte character
    // would be cut. Widths below 2 count as 2. An empty text gives one empty item.
    void BunkatuByte(std::string_view Text, int Width);
    // The item at Index (0-based); an empty text outside 0 .. Count - 1.
    void GetItem(int Index, std::string& Text) const;
    std::string GetItem(int Index) const;

    char Delimiter = ',';
    TMojiArray Items;
    int Count = 0;

private:
    void add(std::string item);
};
