#include "ui/Forms.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

namespace mendora {

void fitTextControls(QWidget *root) {
    for (QWidget *child : root->findChildren<QWidget *>()) {
        if (!qobject_cast<QLabel *>(child) && !qobject_cast<QRadioButton *>(child) &&
            !qobject_cast<QCheckBox *>(child))
            continue;
        const int needed = child->sizeHint().width();
        if (needed > child->width())
            child->resize(needed, child->height());
    }
}

} // namespace mendora
