#include "app/AboutDialog.h"
#include "app/AppIcon.h"
#include "app/DialogUnits.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using daridez::AboutDialog;
using daridez::DialogUnits;

class TestAboutDialog : public QObject {
    Q_OBJECT

  private slots:
    void hasItsCaptionAndFixedTemplateSize();
    void saysWhatTheProgramIsAndItsDefaultLineSettings();
    void everyTextFitsItsPlace();
    void showsTheApplicationIconAtItsTemplatePlace();
    void okIsTheDefaultButtonAndCloses();
    void returnKeyClosesThroughOk();
};

static QStringList labelTexts(const AboutDialog& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            texts << label->text();
        }
    }
    return texts;
}

void TestAboutDialog::hasItsCaptionAndFixedTemplateSize() {
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Info about Daridez"));
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.minimumSize(), units.size(217, 66));
    QCOMPARE(dialog.maximumSize(), units.size(217, 66));
}

void TestAboutDialog::saysWhatTheProgramIsAndItsDefaultLineSettings() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QStringList texts = labelTexts(dialog);
    QVERIFY2(texts.contains(QStringLiteral("(COM settings: 115K, 8N1)")),
             qPrintable(texts.join(u'|')));
    QVERIFY(texts.filter(QStringLiteral("LIN-bus tracer")).size() == 1);

    auto* maker = dialog.findChild<QLabel*>(QStringLiteral("maker"));
    QVERIFY(maker != nullptr);
    QVERIFY(maker->text().contains(QStringLiteral("Daridez")));
    QCOMPARE(maker->geometry(), DialogUnits(dialog.font()).rect(35, 55, 119, 8));
}

void TestAboutDialog::everyTextFitsItsPlace() {
    AboutDialog dialog;
    const QRect client = dialog.rect();
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        QVERIFY(client.contains(label->geometry()));
        if (label->text().isEmpty()) {
            continue;
        }
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(
            needed <= label->width(),
            qPrintable(
                QStringLiteral("%1: %2 > %3").arg(label->text()).arg(needed).arg(label->width())));
    }
}

void TestAboutDialog::showsTheApplicationIconAtItsTemplatePlace() {
    const QList<QSize> sizes = daridez::appIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(16, 16)));

    AboutDialog dialog;
    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("icon"));
    QVERIFY(icon != nullptr);
    QVERIFY(!icon->pixmap().isNull());
    QCOMPARE(icon->pos(), DialogUnits(dialog.font()).rect(11, 17, 20, 20).topLeft());
    // The picture is drawn, not an empty transparent square.
    const QImage image = icon->pixmap().toImage();
    QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).alpha() > 0);
}

void TestAboutDialog::okIsTheDefaultButtonAndCloses() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->geometry(), DialogUnits(dialog.font()).rect(178, 7, 32, 14));

    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestAboutDialog::returnKeyClosesThroughOk() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
