#include "app/AboutDialog.h"
#include "app/DialogUnits.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace daridez;

class TestAboutDialog : public QObject {
    Q_OBJECT

  private slots:
    void showsItsTemplateAndReturnClosesThroughTheDefaultOk();
};

void TestAboutDialog::showsItsTemplateAndReturnClosesThroughTheDefaultOk() {
    AboutDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const DialogUnits units(dialog.font());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Info about Daridez"));
    QCOMPARE(dialog.minimumSize(), units.size(217, 66));
    QCOMPARE(dialog.maximumSize(), units.size(217, 66));
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        QVERIFY(dialog.rect().contains(label->geometry()));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        texts << label->text();
    }
    QVERIFY(texts.contains(QStringLiteral("(COM settings: 115K, 8N1)")));
    QCOMPARE(texts.filter(QStringLiteral("LIN-bus tracer")).size(), 1);
    auto* maker = dialog.findChild<QLabel*>(QStringLiteral("maker"));
    QVERIFY(maker != nullptr && maker->text().contains(QStringLiteral("Daridez")));
    QCOMPARE(maker->geometry(), units.rect(35, 55, 119, 8));

    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("icon"));
    QVERIFY(icon != nullptr);
    QCOMPARE(icon->pos(), units.rect(11, 17, 20, 20).topLeft());
    const QImage image = icon->pixmap().toImage();  // drawn, not a transparent square
    QVERIFY(!image.isNull() && image.pixelColor(image.width() / 2, image.height() / 2).alpha() > 0);

    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("1"));
    QVERIFY(ok != nullptr && ok->isDefault() && ok->text() == QStringLiteral("OK"));
    QCOMPARE(ok->geometry(), units.rect(178, 7, 32, 14));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
