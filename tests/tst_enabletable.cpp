// The main window's enable table: which command controls can be used while the trace
// controller is busy, idle, or searching for the bus's rate.
#include <QTest>

#include "app/EnableTable.h"
#include "protocol/ControllerWindow.h"

using namespace daridez;

class TestEnableTable : public QObject {
    Q_OBJECT

  private slots:
    // Each control the table governs, in the table's order (Config, Connect, Clear, Start,
    // Stop, version, the rate box, Set LIN Speed, find rate), with its state: "+" enabled,
    // "-" disabled.
    void controlsFollowTheBusyState_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("searching");
        QTest::addColumn<QString>("states");
        QTest::newRow("idle") << false << false
                              << "1000+ 1001+ 1005+ 1007+ 1008+ 1009+ 1018+ 1012+ 1019+";
        QTest::newRow("busy") << true << false
                              << "1000- 1001- 1005- 1007- 1008+ 1009- 1018- 1012- 1019-";
        QTest::newRow("busy searching the rate: find is its cancel")
            << true << true << "1000- 1001- 1005- 1007- 1008+ 1009- 1018- 1012- 1019+";
    }
    void controlsFollowTheBusyState() {
        QFETCH(bool, busy);
        QFETCH(bool, searching);
        QFETCH(QString, states);
        QStringList shown;
        EnableTable::apply(busy, searching, [&](int id, bool enabled) {
            shown << QString::number(id) + (enabled ? '+' : '-');
        });
        QCOMPARE(shown.join(' '), states);
    }
};

QTEST_MAIN(TestEnableTable)
#include "tst_enabletable.moc"
