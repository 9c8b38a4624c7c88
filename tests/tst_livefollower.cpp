// Following a live trace on a plain table view: new rows keep the end in view until the
// user looks elsewhere (scrolls up, selects a row); End resumes, a new trace
// resets, and a list that is not live is never moved.
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <cstring>
#include <functional>

#include "protocol/TraceSession.h"
#include "view/LiveFollower.h"
#include "view/TraceListModel.h"

using namespace daridez;

namespace {

// Device errors, one row each: enough of them fill several pages of the view.
QByteArray deviceErrors(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) bytes += QByteArray::fromHex("059C00004200");
    return bytes;
}

// A small table view over a trace model fed by its session's decoder, followed.
struct Followed {
    Followed() {
        view.setModel(&model);
        view.resize(300, 200);
        view.show();
        follower = new LiveFollower(view, model);
        feed(40);
    }
    void feed(int rows) {
        const QByteArray bytes = deviceErrors(rows);
        std::memcpy(buffer.bytes.data(), bytes.constData(), bytes.size());
        buffer.carryOver =
            session.decoder
                .SplitFrames(buffer.bytes.data(), static_cast<std::int32_t>(bytes.size()), true)
                .carryOver;
        QCoreApplication::processEvents();  // the view lays out the new rows
    }
    QScrollBar& bar() const { return *view.verticalScrollBar(); }
    bool atEnd() const { return bar().value() == bar().maximum(); }
    bool noteShown() const { return view.viewport()->findChild<QLabel*>()->isVisible(); }

    TraceList list;
    ReceiveBuffer buffer;
    TraceListModel model;
    TraceSession session{list, buffer, model};
    QTableView view;
    LiveFollower* follower = nullptr;
};

using Step = std::function<void(Followed&)>;

}  // namespace

Q_DECLARE_METATYPE(Step)

class TestLiveFollower : public QObject {
    Q_OBJECT

  private slots:
    // What the user did before more rows arrive, and whether the list then shows the end
    // (followed) and the "following paused" note.
    void rowsArrivingAfterTheUsersMove_data() {
        QTest::addColumn<bool>("live");
        QTest::addColumn<Step>("move");
        QTest::addColumn<bool>("followed");
        QTest::addColumn<bool>("note");
        const Step nothing = [](Followed&) {};
        const Step scrollUp = [](Followed& f) { f.bar().setValue(0); };
        QTest::newRow("live, untouched") << true << nothing << true << false;
        QTest::newRow("live, scrolled up") << true << scrollUp << false << true;
        QTest::newRow("live, a row selected")
            << true << Step([](Followed& f) { f.view.setCurrentIndex(f.model.index(3, 0)); })
            << false << true;
        QTest::newRow("live, scrolled up then End")
            << true << Step([](Followed& f) { f.bar().setValue(0), f.follower->resume(); }) << true
            << false;
        QTest::newRow("live, scrolled up then back to the end") << true << Step([](Followed& f) {
            f.bar().setValue(0), f.bar().setValue(f.bar().maximum());
        }) << true << false;
        QTest::newRow("live, scrolled up, cleared, a new trace started")
            << true << Step([](Followed& f) {
                   f.bar().setValue(0), f.session.clear(), QCoreApplication::processEvents(),
                       f.model.setLive(true);
               })
            << true << false;
        QTest::newRow("not live, at the end") << false << nothing << false << false;
        QTest::newRow("not live, scrolled up") << false << scrollUp << false << false;
        // A trace that starts while the user looks at an earlier part of the list starts
        // paused; one that starts with the end in view is followed.
        QTest::newRow("a trace started with the end in view")
            << false << Step([](Followed& f) { f.model.setLive(true); }) << true << false;
        QTest::newRow("a trace started while scrolled up") << false << Step([](Followed& f) {
            f.bar().setValue(0);
            f.model.setLive(true);
        }) << false << true;
    }
    void rowsArrivingAfterTheUsersMove() {
        QFETCH(bool, live);
        QFETCH(Step, move);
        QFETCH(bool, followed);
        QFETCH(bool, note);
        Followed f;
        f.model.setLive(live);
        f.bar().setValue(f.bar().maximum());  // the end in view when the trace starts
        move(f);
        const int at = f.bar().value();
        f.feed(40);
        QVERIFY(f.bar().maximum() > at);  // the rows made the list longer
        QCOMPARE(f.atEnd(), followed);
        QVERIFY(followed || f.bar().value() == at);  // a paused list stays where it was
        QCOMPARE(f.noteShown(), note);
    }
};

QTEST_MAIN(TestLiveFollower)
#include "tst_livefollower.moc"
