// Drawing of one pop-up menu into a drawing context (see COptionMenuPopup.h).
//
// [any thread] The menu's thread draws into contexts of its own, on image
// surfaces of its own.
#pragma once

#include "gui/COptionMenuPopup.h"

class CDrawContext;

// The menus' font: the system font at its standard size.
inline constexpr CFont kPopupFont = kFontSystem;

// Draws `menu` as laid out into a window `height` pixels tall, its items
// moved up by `scroll` pixels, with item `highlighted` (or none for -1) lit.
void DrawPopupMenu(CDrawContext* context, const CPopupMenu& menu, const CPopupMenuLayout& layout,
                   long highlighted, long scroll, long height);
