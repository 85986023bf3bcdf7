#pragma once
// The core's texts are UTF-8 std::strings; Qt's are QStrings.

#include <QString>

#include <string>

namespace ob::gui {

inline QString toQ(const std::string& s)
{
    return QString::fromStdString(s);
}

inline std::string fromQ(const QString& s)
{
    return s.toStdString();
}

} // namespace ob::gui
