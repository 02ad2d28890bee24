#include "ui/foundation/GlyphIcon.h"

#include <QStyle>

QIcon GlyphIcon(const QStyle* style, Glyph glyph)
{
    switch (glyph) {
    case GlyphPause:
        return style->standardIcon(QStyle::SP_MediaPause);
    case GlyphCont:
        return style->standardIcon(QStyle::SP_MediaPlay);
    case GlyphCancel:
        return style->standardIcon(QStyle::SP_DialogCancelButton);
    case GlyphWarning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case GlyphQuit:
        return style->standardIcon(QStyle::SP_DialogCloseButton);
    case GlyphMinimize:
        return style->standardIcon(QStyle::SP_TitleBarMinButton);
    case GlyphOk:
        break;
    }
    return style->standardIcon(QStyle::SP_DialogOkButton);
}
