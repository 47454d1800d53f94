// SPDX-License-Identifier: MIT
#include "window/widgets/olecolor.h"

QColor ToQColor(quint32 oleColor, const QPalette &palette)
{
    if (!(oleColor & 0x80000000u))
        return QColor(int(oleColor & 0xFF), int((oleColor >> 8) & 0xFF), int((oleColor >> 16) & 0xFF));

    switch (oleColor & 0xFF) {
    case 5: return palette.color(QPalette::Base);             // window background
    case 8: return palette.color(QPalette::WindowText);       // window text
    case 13: return palette.color(QPalette::Highlight);       // selection
    case 14: return palette.color(QPalette::HighlightedText); // selected text
    case 15: return palette.color(QPalette::Button);          // button face
    case 16: return palette.color(QPalette::Mid);             // button shadow
    case 18: return palette.color(QPalette::ButtonText);      // button text
    case 20: return palette.color(QPalette::Light);           // button highlight
    default: return palette.color(QPalette::Window);
    }
}
