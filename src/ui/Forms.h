// Helpers for windows laid out at designed pixel positions.
#pragma once

class QEvent;
class QRect;
class QSize;
class QWidget;

namespace mendora {

// Widens every label, radio button and check box below `root` whose text
// does not fit its designed width (the free fonts that stand in for the
// classic ones run a little wider). Positions stay as designed.
void fitTextControls(QWidget *root);

// A dialog frame that cannot be resized, with only the close box in its
// title bar, around a client area of `client` pixels.
void setFixedDialogFrame(QWidget *dialog, const QSize &client);

// True when `event`, delivered to `label`, ends a left click on it: the
// button released inside the label's rectangle.
bool isLeftClick(const QEvent *event, const QWidget *label);

// Gives `root` and every widget below it that carries the form property
// "fontPixelSize" a font of that many pixels (Designer forms store point
// sizes only; the windows are designed in pixels).
void applyPixelFonts(QWidget *root);

// Moves the top-level `window` so that its outer frame, title bar included,
// is centred on `area`. Before its first showing the frame is estimated from
// a shown top-level window (the same window manager decorates both).
void centreWindowOn(QWidget *window, const QRect &area);

// The screen area a window centred "on the screen" is centred on: the
// available area of the screen that shows `window` (or its parent).
QRect screenAreaFor(const QWidget *window);

} // namespace mendora
