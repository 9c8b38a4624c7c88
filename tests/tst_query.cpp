// The trace search: which rows of a decoded trace each query keeps, and what is
// wrong with the queries it refuses.
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "DecoderFixture.h"
#include "ldf/LdfParser.h"
#include "lin/Query.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// The rows, each commented with its message number. The FF of rows 2 and 7 reads "255" in
// decimal data mode.
const char* const kHexRows =
    "058200010000"                                                    // 0 START
    "0490010000 059101105500 059201203C00 059301307F00 059401400600"  // 1 id 3C: 7F 06 B2,
    "05950150B200 05960160C700"                                       //   classic C7
    "0490020000 059102105500 059202205000 05930230FF00 059402400000"  // 2 id 10: FF 00,
    "05950250AF00"                                                    //   enhanced AF
    "0490030000 059103105500 059203200500 059303300100 059403400200"  // 3 id 05 sent without
    "05950350FC00"                                                    //   parity, classic FC
    "0490040000 059104105500 059204206100 059304307F00 059404401100"  // 4 id 21: 7F 11 B2,
    "05950450B200 059604600000"                                       //   checksum 00 wrong
    "0490050000 059105105500 05920520E200"                            // 5 id 22, no response
    "0490060000 059106105500 059206203C00 059306307F00";              // 6 id 3C, one byte
const char* const kDecimalRow =
    "0490070000 059107105500 05920720C100 059307307F00 05940740FF00"  // 7 id 01: 7F FF,
    "05950750BE00";                                                   //   enhanced BE
const char* const kOtherRows =
    "059C08003A00"                                        // 8 device error "#3A"
    "03F00000"                                            // 9 "#BufOvfl"
    "059408000200"                                        // 10 a response byte out of place
    "0490090000"                                          // 11 a break alone
    "0490100000 059110105500 05921020C100 059310307F00";  // 12 id 01, one byte: cut by the end

// An LDF for the rows: 10 is Status (FF: "full", 00: "off"), 05 is Old (its classic checksum is not
// the enhanced one of a 2.1 slave), 01 is Long (4 bytes; row 7 has 2); 21 and 22 are
// unknown; Status answers the event-triggered Ev (20).
const char* const kLdf =
    "LIN_protocol_version = \"2.1\"; LIN_language_version = \"2.1\";"
    "Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S; }"
    "Signals { Level: 8, 0, S, M; Flag: 8, 0, S, M; Count: 16, 0, S, M; Value: 8, 0, S, M; }"
    "Frames { Status: 0x10, S, 2 { Level, 0; Flag, 8; } Old: 0x05, S, 2 { Count, 0; }"
    "  Long: 0x01, S, 4 { Value, 0; } }"
    "Event_triggered_frames { Ev: 0x20, Status; }"
    "Signal_encoding_types { E { physical_value, 0, 254, 0.5, 0, \"%\"; logical_value, 255, "
    "\"full\"; } F { logical_value, 0, \"off\"; logical_value, 1, \"fade out\"; } }"
    "Signal_representation { E: Level; F: Flag; }";

// "ldf: QUERY" is parsed with the LDF above, any other query without one.
std::optional<Query> parse(const QString& written, std::string& error) {
    static const LdfModel model = LdfParser::parse(kLdf).model;
    const bool withLdf = written.startsWith("ldf: ");
    return Query::parse(written.mid(withLdf ? 5 : 0).toStdString(), error,
                        withLdf ? &model : nullptr);
}

}  // namespace

class TestQuery : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        trace_ = std::make_unique<DecoderFixture>();
        trace_->feed(hex(kHexRows));
        trace_->feed(hex(kDecimalRow));
        trace_->feed(hex(kOtherRows));
        QCOMPARE(trace_->listRows().size(), std::size_t{13});
        // Ev's slots: 1 silent, 2 answered by Status (Level 50, Flag 07), 3 collided (the
        // same bytes, a wrong checksum), 4 a break the end cut.
        eventSlots_ = std::make_unique<DecoderFixture>();
        eventSlots_->feed(
            hex("0490010000 059101105500 059201202000"
                "0490020000 059102105500 059202202000 059302305000 059402400700 "
                "059502508800"
                "0490030000 059103105500 059203202000 059303305000 059403400700 "
                "059503500000"
                "0490040000"));
    }

    // "query -> the message numbers of the rows it keeps".
    void matchesRows_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<int>>("rows");
        const auto add = [](std::initializer_list<const char*> rows) {
            for (const QString row : rows) {
                const QString query = row.section(" -> ", 0, 0);
                QList<int> numbers;
                for (const QString& n : row.section(" -> ", 1).split(' ', Qt::SkipEmptyParts))
                    numbers << n.toInt();
                QTest::newRow(qPrintable(query)) << query << numbers;
            }
        };
        add({"id=3C -> 1 6", "id=05 -> 3", "id=10,3C,22 -> 1 2 5 6",
             "!id=3C -> 0 2 3 4 5 7 8 9 10 11 12", "pid=50 -> 2", "pid=10 -> ", "pid=05 -> 3",
             "pid=e2,C1 -> 5 7 12", "data=7F??B2 -> 1 4", "data=7f??b2 -> 1 4",
             "data=7F -> 1 4 6 7 12", "data=7F?? -> 1 4 7", "data=???????? -> 1 4",
             "data=?? -> 1 2 3 4 6 7 12", "data=B2 -> ", "data=?????????????????? -> "});
        add({"err -> 8 9 10", "bad -> 3 4 5 6 11", "!bad -> 0 1 2 7 8 9 10 12", "check=parity -> 3",
             "check=cut -> 12", "check=classic -> 1 3", "check=enhanced -> 2 7",
             "check=checksum -> 4", "check=no-response -> 5", "check=short -> 6",
             "check=no-sync -> 11", "check=sync -> ", "break -> 1 2 3 4 5 6 7 11 12",
             "start -> 0"});
        add({"10 -> 10", "00,000000 -> 0 9 10", "02,00] -> 10", "[3c] -> 1 6", "dec 255 -> 2 7",
             "255 -> ", "b2h -> 1 4", "#ERR -> 10", "#3a -> 8", "bufOVFL -> 9",
             "id=3C data=7F?? -> 1", "break !bad -> 1 2 7 12", "check=classic !check=parity -> 1",
             "err !#bufovfl -> 8 10", "  id=3C \t bad   -> 6"});
        // A word runs within one field: Sync "55" and ID "[3C]" side by side are no "55[3c]".
        add({"55[3c] -> ", "[3c]7fh -> ", "55 [3c] -> 1 6"});
        add({"diag -> 1 6", "sid=B2 -> 1", "sid=b2 !diag -> ", "sid=B0 -> ",
             "ldf: bad -> 1 3 4 5 6 7 11", "ldf: check=unknown-id -> 4 5", "ldf: check=model -> 3",
             "ldf: check=length -> 1 7", "ldf: check=classic -> 1 3", "ldf: frame=Status -> 2",
             "ldf: signal:Level=full -> 2", "ldf: signal:Level=255 -> 2",
             "ldf: signal:Level>254 -> 2", "ldf: signal:Level<255 -> ", "ldf: signal:Flag=0 -> 2",
             // Row 3 failed (parity): its values, Count 513 among them, match nothing.
             "ldf: signal:Count=513 -> ", "ldf: signal:Count>512 -> ", "ldf: signal:Count<513 -> ",
             "ldf: signal:Value=127 -> "});
        // The quoted form --signals prints; blanks inside the quotes belong to the value.
        add({"ldf: signal:Level=\"full\" -> 2", "ldf: signal:Flag=\"off\" -> 2",
             "ldf: signal:Flag=off -> 2", "ldf: signal:Flag=\"fade out\" -> ",
             "ldf: signal:Flag=\"fade out\" bad -> "});
        // "slots ": the rows of Ev's slots; no fault among them, values of the answer only.
        add({"slots ldf: check=silent -> 1", "slots ldf: check=collision -> 3",
             "slots ldf: bad -> ", "slots ldf: signal:Level=40 -> 2",
             "slots ldf: frame=Status -> 2 3"});
    }

    void matchesRows() {
        QFETCH(QString, query);
        // "dec ": the texts in decimal data mode.
        const DecoderFixture& trace = query.startsWith("slots ") ? *eventSlots_ : *trace_;
        TextForm form = trace.list.textForm();
        form.modes.hexData = !query.startsWith("dec ");
        query.remove(QRegularExpression("^(dec|slots) "));
        std::string error = "stale";
        const std::optional<Query> parsed = parse(query, error);
        QVERIFY2(parsed && error.empty(), error.c_str());
        QCOMPARE(parsed->text(), query.section("ldf: ", -1).toStdString());
        QList<int> matched;
        for (const TraceEntry* row : trace.listRows())
            if (parsed->matches(*row, form))
                matched << row->number;
        QTEST(matched, "rows");
    }

    // "query -> message", %1 and %2 standing for the two messages many queries share.
    void refusesQuery_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("error");
        const auto add = [](std::initializer_list<const char*> rows) {
            for (const QString row : rows)
                QTest::newRow(row.toUtf8())
                    << row.section(" -> ", 0, 0)
                    << row.section(" -> ", 1)
                           .replace("%1", "unknown key (id, pid, data, check, sid, frame, signal:)")
                           .replace("%2", "the pattern is pairs of hex digits or ??");
        };
        add({" -> empty query", " \t  -> empty query", "! -> \"!\": a term must follow \"!\"",
             "id=3C ! -> \"!\": a term must follow \"!\"", "!!err -> \"!!err\": one \"!\" per term",
             "foo=1 -> \"foo=1\": %1", "ID=3C -> \"ID=3C\": %1", "err=1 -> \"err=1\": %1",
             "id=40 -> \"id=40\": identifiers are 00..3F",
             "id=3 -> \"id=3\": identifiers are two hex digits",
             "id=3G -> \"id=3G\": identifiers are two hex digits",
             "id= -> \"id=\": no identifiers after \"=\"",
             "id=01,,02 -> \"id=01,,02\": an empty item in the list",
             "pid=1G -> \"pid=1G\": identifier bytes are two hex digits",
             "pid= -> \"pid=\": no identifier bytes after \"=\""});
        add({"data=1 -> \"data=1\": %2", "data=7? -> \"data=7?\": %2", "data= -> \"data=\": %2",
             "data=00112233445566778899 -> \"data=00112233445566778899\": at most 9 bytes "
             "(DB0..DB7, CS)",
             "check=nope -> \"check=nope\": not a check word (no-sync, sync, no-id, parity, "
             "no-response, short, checksum, unknown-id, length, model, classic, enhanced, cut, "
             "silent, collision)",
             "bad id=40 foo=1 -> \"id=40\": identifiers are 00..3F"});
        add({"sid=B -> \"sid=B\": a service identifier is two hex digits",
             "frame=Status -> \"frame=Status\": needs an LDF (--ldf)",
             "signal:Level=1 -> \"signal:Level=1\": needs an LDF (--ldf)",
             "ldf: frame=Nope -> \"frame=Nope\": the LDF has no such frame",
             "ldf: signal:Nope=1 -> \"signal:Nope=1\": the LDF has no such signal",
             "ldf: signal:Level<x -> \"signal:Level<x\": a number must follow \"<\" or \">\"",
             "ldf: signal:Level -> \"signal:Level\": signal:NAME=VALUE, signal:NAME<N or "
             "signal:NAME>N"});
        // A text the signal never shows is refused with the values the LDF knows.
        add(
            {"ldf: signal:Level=fll -> \"signal:Level=fll\": the LDF knows no value \"fll\" of "
             "Level (full)",
             "ldf: signal:Flag=of -> \"signal:Flag=of\": the LDF knows no value \"of\" of Flag "
             "(fade out, off)",
             "ldf: signal:Level=\"255\" -> \"signal:Level=\"255\"\": the LDF knows no value "
             "\"255\" of Level (full)",
             "ldf: signal:Count=many -> \"signal:Count=many\": the LDF gives Count no named "
             "values: a number must follow \"=\"",
             "ldf: bad signal:Flag=\"fade -> \"signal:Flag=\"fade\": a closing \" is missing"});
    }

    void refusesQuery() {
        QFETCH(QString, query);
        std::string message;
        QVERIFY(!parse(query, message));
        QTEST(QString::fromStdString(message), "error");
    }

  private:
    std::unique_ptr<DecoderFixture> trace_;
    std::unique_ptr<DecoderFixture> eventSlots_;
};

QTEST_APPLESS_MAIN(TestQuery)
#include "tst_query.moc"
