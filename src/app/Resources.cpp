#include <QtGlobal>

// Qt's resource initialiser must be called outside any namespace.
static void initCompiledResources() {
    Q_INIT_RESOURCE(mendora);
}

namespace mendora {

// Links the compiled-in pictures into whichever program uses the main window.
void initResources() {
    initCompiledResources();
}

} // namespace mendora
