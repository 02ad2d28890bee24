#pragma once

// The small pictures of buttons that change their meaning (and caption) as they go:
// the progress window's Pause/Continue and Cancel/Done, the editor's Quit/Minimise.

#include <QIcon>

class QStyle;

enum Glyph
{
    GlyphPause,
    GlyphCont,
    GlyphCancel,
    GlyphOk,
    GlyphWarning,
    GlyphQuit,
    GlyphMinimize
};

// The style's picture for the glyph.
QIcon GlyphIcon(const QStyle* style, Glyph glyph);
