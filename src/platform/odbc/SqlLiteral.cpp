#include "platform/odbc/Connection.h"

namespace ob::odbc {

std::string escapeLiteral(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        out += c;
        if (c == '\'') {
            out += '\'';
        }
    }
    return out;
}

std::string quoteLiteral(const std::string& text)
{
    return '\'' + escapeLiteral(text) + '\'';
}

} // namespace ob::odbc
