#include "app/AboutDialog.h"

#include "app/AppIcon.h"
#include "app/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

#ifndef DARIDEZ_VERSION
#define DARIDEZ_VERSION ""
#endif

namespace daridez {

namespace {

// The static texts, in dialog units. The maker's line sits at the bottom; the
// description lines fill the free space above it, left of OK.
struct TextLine {
    const char* name;
    QString text;
    int x, y, width, height;
};

QList<TextLine> textLines() {
    return {
        {"description", QStringLiteral("Daridez - LIN-bus tracer front end"), 35, 9, 138, 8},
        {"version", QStringLiteral("Version %1").arg(QStringLiteral(DARIDEZ_VERSION)), 35, 21, 138,
         8},
        {"lineSettings", QStringLiteral("(COM settings: 115K, 8N1)"), 35, 33, 138, 8},
        {"maker", QStringLiteral("Daridez developers"), 35, 55, 119, 8},
    };
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Info about Daridez"));
    setFont(DialogUnits::dialogFont("MS Sans Serif", 8));
    setModal(true);
    createControls();
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::createControls() {
    const DialogUnits units(font());
    setFixedSize(units.size(217, 66));

    // The icon at its own size, its top-left corner placed in dialog units.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(appIcon().pixmap(QSize(32, 32)));
    icon->setGeometry(QRect(units.rect(11, 17, 20, 20).topLeft(), QSize(32, 32)));

    for (const TextLine& line : textLines()) {
        auto* label = new QLabel(line.text, this);
        label->setObjectName(QString::fromLatin1(line.name));
        label->setGeometry(units.rect(line.x, line.y, line.width, line.height));
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setGeometry(units.rect(178, 7, 32, 14));
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace daridez
