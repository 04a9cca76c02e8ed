#include "ErrorReport.h"
#include "Unit1.h"

int main(int argc, char **argv) {
    mendora::Application app(argc, argv);
    TMainForm mainForm;
    mainForm.show();
    return app.exec();
}
