// Scrolling part of an off-screen image, as the waterfall displays do with
// each new line.
//
// Thread contract: user-interface thread, inside the control's drawing.
#pragma once

class COffscreenContext;

// Moves rows top .. bottom - 1 of the image down by `rows`, keeping what
// falls below `bottom` out; rows top .. top + rows - 1 keep their old
// content until the caller draws the new lines there. Nothing for a null
// context or when rows is not positive.
void ScrollOffscreenDown(COffscreenContext* offscreen, long top, long bottom, long rows);
