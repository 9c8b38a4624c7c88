// The main window's enable table: which command controls can be used while the trace
// controller is busy, idle, or searching for the bus's rate.
#include <QTest>

#include "app/EnableTable.h"
#include "app/MainControls.h"

using namespace daridez;

class TestEnableTable : public QObject {
    Q_OBJECT

  private slots:
    // Each control the table governs, in the table's order, with its state: "+" enabled,
    // "-" disabled.
    void controlsFollowTheBusyState_data() {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("searching");
        QTest::addColumn<QString>("states");
        QTest::newRow("idle") << false << false
                              << "configButton+ connectButton+ clearButton+ startButton+ "
                                 "stopButton+ fwVersionButton+ linRateBox+ setLinSpeedButton+ "
                                 "findRateButton+";
        QTest::newRow("busy") << true << false
                              << "configButton- connectButton- clearButton- startButton- "
                                 "stopButton+ fwVersionButton- linRateBox- setLinSpeedButton- "
                                 "findRateButton-";
        QTest::newRow("busy searching the rate: find is its cancel")
            << true << true
            << "configButton- connectButton- clearButton- startButton- stopButton+ "
               "fwVersionButton- linRateBox- setLinSpeedButton- findRateButton+";
    }
    void controlsFollowTheBusyState() {
        QFETCH(bool, busy);
        QFETCH(bool, searching);
        QFETCH(QString, states);
        QStringList shown;
        EnableTable::apply(busy, searching, [&](WindowControl control, bool enabled) {
            shown << MainControls::nameOf(control) + QString(enabled ? '+' : '-');
        });
        QCOMPARE(shown.join(' '), states);
    }
};

QTEST_MAIN(TestEnableTable)
#include "tst_enabletable.moc"
