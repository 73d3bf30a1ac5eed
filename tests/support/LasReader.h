#pragma once
// Reads a LAS 2.0 file back as an independent reader does: blanks before a
// line are ignored, a line beginning with '#' is a comment, one beginning
// with '~' opens a section; a mnemonic ends at its first '.', a value at the
// last ':' of its line. Every line must end in CR LF (the last may end the file).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct LasLine {
    double depth = 0.0;
    std::vector<double> values;
};

struct LasText {
    std::map<std::string, double> well;   // numbers of the ~W lines by mnemonic: STRT, STOP, STEP, NULL
    std::vector<std::string> curves;      // the ~C mnemonics after DEPTH
    std::vector<std::string> parameters;  // the ~P mnemonics
    std::vector<LasLine> lines;
};

inline std::string LasTrimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

inline LasText ReadLas(const std::string& text)
{
    LasText las;
    std::istringstream in(text);
    std::string row;
    char section = 0;
    bool depthSeen = false;
    while (std::getline(in, row)) {
        EXPECT_TRUE((!row.empty() && row.back() == '\r') || in.eof()) << "line without CR LF: " << row;
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        const std::string line = LasTrimmed(row);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '~') {
            section = line.size() > 1 ? line[1] : 0;
            continue;
        }
        if (section == 'A') {
            std::istringstream fields(line);
            LasLine data;
            fields >> data.depth;
            for (double v; fields >> v;)
                data.values.push_back(v);
            las.lines.push_back(data);
            continue;
        }
        const std::string mnemonic = LasTrimmed(line.substr(0, line.find('.')));
        if (section == 'W') {
            const auto dot = line.find('.');
            const auto colon = line.rfind(':');
            const std::string value = line.substr(line.find(' ', dot) + 1, colon - line.find(' ', dot) - 1);
            las.well[mnemonic] = std::atof(value.c_str());
        } else if (section == 'P') {
            las.parameters.push_back(mnemonic);
        } else if (section == 'C') {
            if (depthSeen)
                las.curves.push_back(mnemonic);
            depthSeen = true;
        }
    }
    return las;
}
