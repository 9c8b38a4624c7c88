// The search for the bus's LIN rate: the order of the trials, the score of a trial's
// rows, and which rate the scores choose.
#include <QTest>
#include <map>

#include "DecoderFixture.h"
#include "ldf/LdfParser.h"
#include "lin/RateSearch.h"

using namespace daridez;
using namespace daridez::test;

namespace {

QString joined(const std::vector<int>& rates) {
    QStringList texts;
    for (int rate : rates) texts << QString::number(rate);
    return texts.join(' ');
}

// "good/bad/sync" as a score; frames are the good and the bad ones.
TrialScore scoreOf(const QString& text) {
    const QStringList n = text.split('/');
    return {n[0].toInt() + n[1].toInt(), n[0].toInt(), n[1].toInt(), n[2].toInt()};
}

// A LIN frame of identifier C1 (sync 55, two data bytes and the enhanced checksum 1C), with
// the sync, identifier or checksum byte given instead where named.
QByteArray linFrame(const char* sync = "55", const char* pid = "C1", const char* cs = "1C") {
    return hex(QByteArray("0490001000 05910020") + sync + "00 05920030" + pid +
               "00 059300401100 059400501100 05950060" + cs + "00");
}

}  // namespace

class TestRateSearch : public QObject {
    Q_OBJECT

  private slots:
    void commonRatesFirstThenTheBox_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("order");
        QTest::newRow("the box's five rates") << "1200,2400,4800,9600,19200"
                                              << "19200 9600 10417 20000 1200 2400 4800";
        QTest::newRow("no rates, twice one, out of range")
            << ",abc,9600x, 2400,0,70000,5000,5000,65535"
            << "19200 9600 10417 20000 5000 65535";
    }
    void commonRatesFirstThenTheBox() {
        QFETCH(QString, box);
        std::vector<std::string> texts;
        for (const QString& text : box.split(',')) texts.push_back(text.toStdString());
        QTEST(joined(RateSearch(texts).order()), "order");
    }

    // Scores "rate:good/bad/sync" (rates not named score nothing) -> the rates tried and the
    // text at the end. The box holds 1200, 2400 and 4800.
    void scoresChooseTheRate_data() {
        QTest::addColumn<QString>("scores");
        QTest::addColumn<QString>("tried");
        QTest::addColumn<QString>("result");
        const QString all = "19200 9600 10417 20000 1200 2400 4800";
        QTest::newRow("first rate clean") << "19200:40/0/40"
                                          << "19200"
                                          << "LIN rate found: 19200 (40 good frames)";
        QTest::newRow("stops at twenty good, none bad") << "19200:0/12/0 9600:20/0/20 10417:30/0/30"
                                                        << "19200 9600"
                                                        << "LIN rate found: 9600 (20 good frames)";
        QTest::newRow("one bad goes on; the most good win")
            << "9600:25/1/26 2400:19/0/19" << all << "LIN rate found: 9600 (25 good frames)";
        QTest::newRow("nineteen good go on; equal good: fewest bad")
            << "9600:19/0/19 10417:19/2/21 4800:19/1/20" << all
            << "LIN rate found: 9600 (19 good frames)";
        QTest::newRow("equal scores: the one tried first")
            << "4800:5/1/6 20000:5/1/6" << all << "LIN rate found: 20000 (5 good frames)";
        QTest::newRow("three good are enough")
            << "1200:3/9/12" << all << "LIN rate found: 1200 (3 good frames)";
        QTest::newRow("two good are not") << "1200:2/9/11 9600:0/4/1" << all
                                          << "no LIN rate found: fewer than 3 good frames at "
                                             "every rate";
        QTest::newRow("silence everywhere")
            << "" << all << "no LIN rate found: no frames with a valid sync";
        QTest::newRow("bad frames, never a valid sync")
            << "19200:0/30/0 9600:0/8/0" << all << "no LIN rate found: no frames with a valid sync";
    }
    void scoresChooseTheRate() {
        QFETCH(QString, scores);
        std::map<int, TrialScore> byRate;
        for (const QString& item : scores.split(' ', Qt::SkipEmptyParts))
            byRate[item.section(':', 0, 0).toInt()] = scoreOf(item.section(':', 1));
        RateSearch search({"1200", "2400", "4800"});
        std::vector<int> tried;
        QCOMPARE(search.tryingText(), "finding the LIN rate: trying 19200 ...");
        while (!search.finished()) {
            tried.push_back(search.currentRate());
            search.record(byRate[search.currentRate()]);
        }
        QTEST(joined(tried), "tried");
        QTEST(QString::fromStdString(search.resultText()), "result");
        QCOMPARE(search.currentRate(), 0);
        QCOMPARE(search.foundRate().has_value(), search.resultText().starts_with("LIN rate found"));
    }

    // Device frames -> frames/good/bad/sync. The frames are decoded from a file, so the
    // first row is the recording's START row.
    // With the LDF's event-triggered frame E (02, protected 42): its silent and collided
    // slots score nothing; identifier C1, unknown to the LDF, still scores by its bytes.
    void rowsScoreTheTrial_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("withLdf");
        const QByteArray good = linFrame();
        const QByteArray silent = hex("0490001000 059100205500 059200304200");
        const QByteArray collided = silent + hex("059300405000 059400500700 059500600000");
        for (const bool withLdf : {false, true}) {
            const char* ldf = withLdf ? "with the LDF" : "without an LDF";
            QTest::addRow("%s: silent event slots", ldf)
                << good + silent + silent + good + good << (withLdf ? "4/2/0/4" : "4/2/2/4")
                << withLdf;
            QTest::addRow("%s: a collision", ldf)
                << good + collided + good << (withLdf ? "2/1/0/2" : "2/1/1/2") << withLdf;
        }
        QTest::newRow("two good; the last frame is left out")
            << good + good + linFrame("00") << "2/2/0/2" << false;
        QTest::newRow("sync, parity and checksum each fail")
            << linFrame("54") + linFrame("55", "C2") + linFrame("55", "C1", "1D") + good + good
            << "4/1/3/3" << false;
        QTest::newRow("a cut response, a missing sync and a stray identifier are bad")
            << good.left(29) + hex("0490001000 0592003000C100") + good + good << "3/1/3/2" << false;
        QTest::newRow("device errors and bad frames are bad, overflows not")
            << good + hex("059C00104200 03F00000 014200 04F0000000") + good + hex("059C00104200")
            << "2/2/4/2" << false;
        QTest::newRow("start markers and wraps count for nothing")
            << hex("058200010000 02A0A2") + good + hex("058200020000") << "1/1/0/1" << false;
    }
    void rowsScoreTheTrial() {
        QFETCH(QByteArray, frames);
        QFETCH(QString, score);
        DecoderFixture fixture;
        fixture.feed(frames);
        const LdfModel ldf = LdfParser::parse(
                                 "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms; "
                                 "Slaves: S; } Signals { A: 8, 0, S, M; } "
                                 "Frames { F: 0x10, S, 2 { A, 0; } } "
                                 "Event_triggered_frames { E: 0x02, F; }")
                                 .model;
        QFETCH(bool, withLdf);
        const TrialScore s = ScoreTrial(fixture.list, withLdf ? &ldf : nullptr);
        QCOMPARE(QString("%1/%2/%3/%4").arg(s.frames).arg(s.good).arg(s.bad).arg(s.validSync),
                 score);
    }
};

QTEST_GUILESS_MAIN(TestRateSearch)
#include "tst_ratesearch.moc"
