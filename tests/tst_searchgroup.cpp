// The search group's count below the buttons: rows, matches of rows, and which match is
// selected while stepping, numbers grouped by thousands.
#include <QLineEdit>
#include <QTest>
#include <cstring>

#include "app/SearchGroup.h"
#include "app/TraceContext.h"
#include "protocol/TraceSession.h"
#include "view/TraceListModel.h"
#include "view/TraceListView.h"

using namespace daridez;

namespace {

// Device errors "#42", with a "#3A" as every matchEvery-th (none when 0).
QByteArray deviceErrors(int count, int matchEvery) {
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += QByteArray::fromHex(matchEvery != 0 && i % matchEvery == 0 ? "059C00003A00"
                                                                            : "059C00004200");
    return bytes;
}

}  // namespace

class TestSearchGroup : public QObject {
    Q_OBJECT

  private slots:
    // Device errors received after the START row (a "#3A" as every matchEvery-th), the
    // query typed (applied after the typing pause, no step) or entered (Return: a step to
    // the first match), steps forward, and the count then shown.
    void countSaysRowsMatchesAndTheSelectedMatch_data() {
        QTest::addColumn<int>("errors");
        QTest::addColumn<int>("matchEvery");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("count");
        const auto row = [](const char* name, int errors, int matchEvery, const char* typed,
                            const char* entered, int steps, const char* count) {
            QTest::newRow(name) << errors << matchEvery << QString(typed) << QString(entered)
                                << steps << QString(count);
        };
        row("no rows", 0, 0, "", "", 0, "0 rows");
        row("thousands grouped", 1004, 0, "", "", 0, "1,005 rows");
        row("typed", 1004, 3, "#3a", "", 0, "334 of 1,005 rows");
        row("typed, no match", 1004, 0, "#3a", "", 0, "0 of 1,005 rows");
        row("entered", 1004, 3, "", "#3a", 0, "match 1 of 334");
        row("stepped on", 1004, 3, "", "#3a", 2, "match 3 of 334");
        row("stepped past the last", 6, 1, "", "#3a", 6, "match 1 of 6");
    }
    void countSaysRowsMatchesAndTheSelectedMatch() {
        QFETCH(int, errors);
        QFETCH(int, matchEvery);
        QFETCH(QString, typed);
        QFETCH(QString, entered);
        QFETCH(int, steps);
        QFETCH(QString, count);
        TraceList list;
        ReceiveBuffer buffer;
        TraceListView view;
        TraceSession session{list, buffer, *view.traceModel()};
        TraceContext context(session);
        SearchGroup search(view, context);
        const QByteArray bytes = deviceErrors(errors, matchEvery);
        std::memcpy(buffer.bytes.data(), bytes.constData(), bytes.size());
        session.state = TraceState::Tracing;
        session.decoder.SplitFrames(buffer.bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                    false);
        QCOMPARE(view.traceModel()->rowCount(), errors == 0 ? 0 : errors + 1);
        if (!typed.isEmpty())
            QTest::keyClicks(search.findChild<QLineEdit*>(), typed);
        if (!entered.isEmpty())
            search.setQuery(entered);
        for (int step = 0; step < steps; ++step) search.findNext();
        QTRY_COMPARE(search.countText(), count);
    }
};

QTEST_MAIN(TestSearchGroup)
#include "tst_searchgroup.moc"
