#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

// The rows of a table under tests/data, one a line, split into fields at sep; lines that start
// with '#' are notes. In a field \n, \r, \\ and \xNN stand for their bytes. A missing or empty
// table fails the test.
inline std::vector<std::vector<std::string>> DataRows(const std::string& name, char sep = '|')
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(ReadFileBytes(TestDataPath(name)));
    for (std::string line, field; std::getline(lines, line);) {
        std::istringstream fields(line);
        if (line.empty() || line[0] == '#') continue;
        for (rows.emplace_back(); std::getline(fields, field, sep);) {
            std::string bytes;
            for (std::size_t i = 0; i < field.size(); ++i) {
                const char c = i + 1 < field.size() && field[i] == '\\' ? field[++i] : 0;
                bytes += c == 'n'   ? '\n'
                         : c == 'r' ? '\r'
                         : c == 'x' ? char(std::stoi(field.substr(i + 1, 2), nullptr, 16))
                         : c        ? c
                                    : field[i];
                i += c == 'x' ? 2 : 0;
            }
            rows.back().push_back(bytes);
        }
    }
    EXPECT_FALSE(rows.empty()) << "no rows in " << name;
    return rows;
}
