#pragma once
// What the program's dialogs share: their font and the title of their error boxes.

#include <QFont>

namespace ob::gui {

// The dialogs' font: "MS Sans Serif" 8.25 point where it exists, the
// system's sans serif of that size elsewhere.
inline QFont dialogFont(bool bold = false)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

// Title of the error boxes the dialogs raise: the program's own name.
inline constexpr const char* kApplicationTitle = "OB32PYII";

} // namespace ob::gui
