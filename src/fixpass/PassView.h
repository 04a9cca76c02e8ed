// What the check-and-fix pass shows while it runs: the progress panel with
// the current file's path and two bars. The main window implements it; the
// pass knows nothing of widgets.
#pragma once

#include <string>

namespace mendora {

class PassView {
public:
    enum class Bar { File, Overall };

    virtual void showPanel() = 0;
    virtual void hidePanel() = 0;
    virtual void setFileLabel(const std::string &path) = 0;
    // The range of a bar starts at 0.
    virtual void setBarMaximum(Bar bar, int maximum) = 0;
    virtual void setBarPosition(Bar bar, int position) = 0;

protected:
    ~PassView() = default;
};

} // namespace mendora
