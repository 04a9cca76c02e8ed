// Helpers for windows laid out at designed pixel positions.
#pragma once

class QWidget;

namespace mendora {

// Widens every label, radio button and check box below `root` whose text
// does not fit its designed width (the free fonts that stand in for the
// classic ones run a little wider). Positions stay as designed.
void fitTextControls(QWidget *root);

} // namespace mendora
