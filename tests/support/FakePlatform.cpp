#include "support/FakePlatform.h"

namespace mendora::test {

FakePlatform::FakePlatform()
    : shell(*new FakeShell), windows(*new FakeWindowFinder), registry(*new FakeRegistry),
      dialogs(*new FakeDialogs) {
    platform::Services &s = platform::services();
    saved_.shell = std::move(s.shell);
    saved_.windows = std::move(s.windows);
    saved_.registry = std::move(s.registry);
    saved_.dialogs = std::move(s.dialogs);
    s.shell.reset(&shell);
    s.windows.reset(&windows);
    s.registry.reset(&registry);
    s.dialogs.reset(&dialogs);
}

FakePlatform::~FakePlatform() {
    platform::services() = std::move(saved_);
}

} // namespace mendora::test
