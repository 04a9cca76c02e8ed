#include <QtGlobal>

// Links the compiled-in pictures into whichever program uses the main window.
void initMendoraResources() {
    Q_INIT_RESOURCE(mendora);
}
