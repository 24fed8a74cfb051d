#pragma once
// The event message table (Messages.txt beside the program): one row per line that holds a "|", cells
// split at every "|": 0 the code (event code and qualifier, e.g. "1301"), 1 the text, 2 the background
// colour, 3 the text colour.
#include <string>
#include <string_view>
#include <vector>

class TMsgFile {
public:
    std::vector<std::vector<std::string>> Rows;

    // Replaces the rows with the file's. The file is Windows-1251, or UTF-8 when it is valid UTF-8.
    // Throws std::runtime_error naming the file and the reason when it cannot be read.
    void LoadFromFile(const std::string& FileName);
    // As LoadFromFile, from the bytes such a file holds.
    void LoadFromBytes(std::string_view Bytes);
    // Empty when Row or Col lies outside the table.
    std::string Cell(int Row, int Col) const;
    int Count() const { return static_cast<int>(Rows.size()); }

    // Each lookup answers from the first row with the code whose cell is not empty; " ", $FFFFFF and 0
    // when there is none. A colour or number that is not an integer (decimal, or hexadecimal after "$"
    // or "0x") also gives the default.
    std::string TextOf(std::string_view Code) const;
    int ColorOf(std::string_view Code) const;
    int NumberOf(std::string_view Code) const;
};
