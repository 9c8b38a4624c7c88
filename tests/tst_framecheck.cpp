// The verdict of a LIN frame row: parity, sync, response and the checksum model, and
// the words that explain a failure.
#include <QTest>

#include "DecoderFixture.h"
#include "ldf/LdfParser.h"
#include "lin/FrameCheck.h"

using namespace daridez;
using namespace daridez::test;

namespace {

// A break closing the frame before it.
const QByteArray kBreak = hex("0490FF0000");

// F (10, 2 bytes) is sent by a 2.1 slave, G (11, 1 byte) by a 1.3 one; F and H (13)
// may answer the event-triggered frame E (20, protected 20).
const LdfModel& ldf() {
    static const LdfModel model =
        LdfParser::parse(
            "LIN_protocol_version = \"2.1\"; Nodes { Master: M, 5 ms, 0.1 ms; Slaves: S, Old; }"
            "Signals { A: 8, 0, S, M; B: 8, 0, Old, M; C: 8, 0, S, M; }"
            "Frames { F: 0x10, S, 2 { A, 0; } G: 0x11, Old, 1 { B, 0; } H: 0x13, S, 2 { C, 8; } }"
            "Event_triggered_frames { E: 0x20, F, H; }"
            "Node_attributes { Old { LIN_protocol = \"1.3\"; } }")
            .model;
    return model;
}

}  // namespace

class TestFrameCheck : public QObject {
    Q_OBJECT

  private slots:
    // Each row is followed by a break unless "after" says otherwise. Without an LDF a
    // verdict fails unless it names a checksum model or a cut.
    void verdictOfEachRow_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<bool>("failed");
        const auto frame = [](const char* name, int sync, int pid, const char* response,
                              const QString& verdict, const QByteArray& after = kBreak) {
            QTest::newRow(name) << deviceFramesOf(sync, pid, hex(response)) << after << false
                                << verdict
                                << !QStringList{"", "classic", "enhanced", "cut"}.contains(verdict);
        };
        // Identifiers 3C and 3D take the classic checksum only.
        frame("3C classic", 0x55, 0x3C, "7F06B223174601 03 43", "classic");
        frame("3C enhanced refused", 0x55, 0x3C, "7F06B223174601 03 07", "checksum");
        frame("7D classic", 0x55, 0x7D, "0106F201000000 FF 05", "classic");
        frame("7D enhanced refused", 0x55, 0x7D, "0106F201000000 FF 87", "checksum");
        // 80 + 80 lands on 100 exactly: the carry wraps it to 01.
        frame("C1 classic, a sum on 100", 0x55, 0xC1, "8080FE 00", "classic");
        frame("C1 enhanced, a sum on 100", 0x55, 0xC1, "8080FE 3E", "enhanced");
        frame("C1 classic, the last sum on 100", 0x55, 0xC1, "8080 FE", "classic");
        frame("C1 enhanced", 0x55, 0xC1, "1111 1C", "enhanced");
        frame("A3 enhanced", 0x55, 0xA3, "1122 29", "enhanced");
        frame("50 enhanced, 8 bytes", 0x55, 0x50, "0102030405060708 8B", "enhanced");
        frame("50 classic, 8 bytes", 0x55, 0x50, "0102030405060708 DB", "classic");
        frame("50 over the raw identifier", 0x55, 0x50, "0102030405060708 CB", "checksum");
        // FF adds nothing to a carry-sum: both models give 80, classic is named.
        frame("both models match: classic", 0x55, 0xFF, "7F 80", "parity,classic");
        frame("parity with a valid checksum", 0x55, 0x05, "11 EE", "parity,classic");
        frame("sync", 0x54, 0xC1, "1111 1C", "sync,enhanced");
        frame("no sync", -1, -1, "", "no-sync,no-id");
        frame("no identifier", 0x55, -1, "", "no-id");
        frame("no response", 0x55, 0xC1, "", "no-response");
        frame("short", 0x55, 0xC1, "11", "short");
        frame("everything wrong", 0x00, 0x01, "1234 00", "sync,parity,checksum");
        // The last row of a recording: a failing one was cut by Stop, not by the bus.
        frame("short, the trace ends", 0x55, 0xC1, "11", "cut", {});
        frame("no sync, the trace ends", -1, -1, "", "cut", {});
        frame("no response, a start marker follows", 0x55, 0xC1, "", "cut", hex("058200020000"));
        frame("good, the trace ends", 0x55, 0xC1, "1111 1C", "enhanced", {});
        frame("short, a device error follows", 0x55, 0xC1, "11", "short", hex("059C00104200"));
        // Rows other than LIN frames have no verdict.
        for (const char* other : {"058200010000", "059C00104200", "03F00000", "014200"})
            QTest::newRow(other) << hex(other) << kBreak << false << QString() << false;
        QTest::newRow("device error, the trace ends")
            << hex("059C00104200") << QByteArray() << false << QString() << false;
        // With an LDF: its frames' lengths and checksum models; 0x3C/0x3D always known; the
        // outcomes of an event-triggered slot; what the end of a recording explains.
        const auto ldfFrame = [](const char* name, int pid, const char* response,
                                 const char* verdict, bool failed, const QByteArray& after = kBreak,
                                 int sync = 0x55) {
            QTest::addRow("LDF: %s", name) << deviceFramesOf(sync, pid, hex(response)) << after
                                           << true << QString(verdict) << failed;
        };
        ldfFrame("the model named", 0x50, "0102 AC", "enhanced", false);
        ldfFrame("the other model", 0x50, "0102 FC", "model,classic", true);
        ldfFrame("shorter than the LDF's", 0x50, "01 AE", "length,enhanced", true);
        ldfFrame("classic slave", 0x11, "7F 80", "classic", false);
        ldfFrame("classic slave, enhanced sum", 0x11, "7F 6F", "model,enhanced", true);
        ldfFrame("wrong under both", 0x11, "7F 00", "checksum", true);
        ldfFrame("unknown identifier", 0x92, "0506 62", "unknown-id,enhanced", true);
        ldfFrame("unknown, parity wrong", 0x12, "0506 F4", "parity,unknown-id,classic", true);
        ldfFrame("diagnostic frame known", 0x3C, "7F06B22317460103 43", "classic", false);
        ldfFrame("diagnostic frame, 3 bytes", 0x3C, "7F06B2 C7", "length,classic", true);
        ldfFrame("no response", 0x92, "", "no-response,unknown-id", true);
        // An event-triggered slot: nobody answering or two answering at once is normal.
        ldfFrame("event slot silent", 0x20, "", "silent", false);
        ldfFrame("event slot answered by F", 0x20, "5007 88", "enhanced", false);
        ldfFrame("event slot answered by H", 0x20, "D307 05", "enhanced", false);
        ldfFrame("event slot answered by G, not associated", 0x20, "1107 C7", "collision", false);
        ldfFrame("event slot garbled checksum", 0x20, "5007 00", "collision", false);
        ldfFrame("event slot, one byte", 0x20, "50", "collision", false);
        ldfFrame("event slot, F in the classic sum", 0x20, "5007 A8", "model,classic", true);
        ldfFrame("event slot, wrong sync", 0x20, "", "sync,silent", true, kBreak, 0x54);
        ldfFrame("event identifier, parity wrong", 0xA0, "", "parity,no-response", true);
        // The last row: the end of the trace explains a missing or broken response only.
        ldfFrame("silent, the trace ends", 0x20, "", "cut", false, {});
        ldfFrame("garbled, the trace ends", 0x20, "5007 00", "cut", false, {});
        ldfFrame("cut short, the trace ends", 0x50, "01 00", "cut", false, {});
        ldfFrame("3D parity, the trace ends", 0x3D, "90 6F", "parity,length,classic", true, {});
        ldfFrame("3D parity, 8 bytes, the trace ends", 0x3D, "9001020304050607 53",
                 "parity,classic", true, {});
        ldfFrame("parity and no response, the trace ends", 0x10, "", "parity,cut", true, {});
        ldfFrame("wrong length, the trace ends", 0x50, "01 AE", "length,enhanced", true, {});
        ldfFrame("good, the trace ends", 0x50, "0102 AC", "enhanced", false, {});
    }
    void verdictOfEachRow() {
        QFETCH(QByteArray, frames);
        QFETCH(QByteArray, after);
        QFETCH(bool, withLdf);
        const FrameVerdict verdict = CheckFrame(rowOf(frames, after), withLdf ? &ldf() : nullptr);
        QTEST(QString::fromStdString(verdict.text()), "verdict");
        QTEST(verdict.failed(), "failed");
    }

    // Whether a live trace may hand the open row on before the next break: by the LDF's
    // length for a known identifier, else by a valid checksum under an allowed model.
    void completeBeforeTheNextBreak_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<bool>("complete");
        const auto frame = [](const char* name, int pid, const char* response, bool withLdf,
                              bool complete) {
            QTest::newRow(name) << deviceFramesOf(0x55, pid, hex(response)) << withLdf << complete;
        };
        frame("classic checksum", 0xC1, "8080FE 00", false, true);
        frame("enhanced checksum", 0xC1, "1111 1C", false, true);
        frame("one data byte short of its checksum", 0xC1, "1111", false, false);
        frame("a wrong last byte", 0xC1, "1111 1D", false, false);
        frame("3C: enhanced is not allowed", 0x3C, "7F06 3E", false, false);
        frame("3C: classic", 0x3C, "7F06 7A", false, true);
        frame("8 data bytes and a wrong checksum", 0x50, "0102030405060708 00", false, true);
        frame("no response", 0xC1, "", false, false);
        frame("one response byte", 0xC1, "11", false, false);
        frame("no identifier", -1, "", false, false);
        frame("LDF: its length, checksum wrong", 0x50, "0102 00", true, true);
        frame("LDF: short of its length, the last byte a checksum", 0x50, "01 AE", true, false);
        frame("LDF: an unknown identifier by its checksum", 0x92, "0506 62", true, true);
        frame("LDF: 3C short of 8 bytes", 0x3C, "7F06B2 C7", true, false);
        frame("LDF: 3C of 8 bytes", 0x3C, "7F06B22317460103 43", true, true);
        QTest::newRow("device error") << hex("059C00104200") << false << true;
        QTest::newRow("start row") << hex("058200010000") << false << true;
    }
    void completeBeforeTheNextBreak() {
        QFETCH(QByteArray, frames);
        QFETCH(bool, withLdf);
        QTEST(RowComplete(rowOf(frames, {}), withLdf ? &ldf() : nullptr), "complete");
    }

    // What the tool tip says: what was expected, and a known fault by its name.
    void explanationNamesWhatWasExpected_data() {
        QTest::addColumn<QByteArray>("frames");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("withLdf");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int pid, const char* response, const char* text,
                            bool withLdf = false, const QByteArray& after = kBreak) {
            QTest::newRow(name) << deviceFramesOf(0x55, pid, hex(response)) << after << withLdf
                                << QString(text);
        };
        row("raw identifier", 0x50, "0102030405060708CB",
            "checksum CB: expected 8B (enhanced) or DB (classic); CB is the enhanced checksum "
            "over the raw identifier 10");
        row("parity", 0x05, "11EE",
            "parity: 05 should be 85 for identifier 05\nclassic: checksum EE over 1 data byte");
        row("diagnostic frame in enhanced", 0x3C, "7F06B2231746010307",
            "checksum 07: expected 43 (classic; identifier 3C always uses the classic "
            "checksum); 07 is the enhanced checksum");
        row("good", 0xC1, "11111C", "enhanced: checksum 1C over identifier C1 and 2 data bytes");
        row("cut", 0xC1, "11",
            "cut: the trace ended inside this frame (Stop, or the device was lost); as far as it "
            "came:\nshort: one response byte (11), no checksum",
            false, {});
        // B4 (identifier 34) with bit 0 hit on the bus arrives as B5, whose parity is wrong;
        // 48 is the enhanced checksum of 01 02 over B4.
        row("identifier byte hit on the bus", 0xB5, "010248",
            "parity: B5 should be F5 for identifier 35\nchecksum 48: expected 47 (enhanced) or "
            "FC (classic)\nthe identifier byte was corrupted on the bus: the checksum fits "
            "identifier 34 (protected B4)");
        // With the LDF.
        row("model", 0x50, "0102FC",
            "model: the checksum is the classic one; the LDF names enhanced for F (AC)\nclassic: "
            "checksum FC over 2 data bytes",
            true);
        row("length and unknown", 0x92, "050662",
            "unknown-id: the LDF names no frame with identifier 12\nenhanced: checksum 62 over "
            "identifier 92 and 2 data bytes",
            true);
        // A frame the LDF names: only the sum of its model is expected.
        row("length", 0x11, "7F0100",
            "checksum 00: expected 7F (classic, as the LDF names for the frame)\nlength: 2 data "
            "bytes; G has 1 in the LDF",
            true);
        row("wrong sum of a LIN 2.x frame", 0x50, "010200",
            "checksum 00: expected AC (enhanced, as the LDF names for the frame)", true);
        row("silent", 0x20, "",
            "silent: no frame associated with E answered (a normal outcome of an "
            "event-triggered slot)",
            true);
        row("collision, checksum", 0x20, "500700",
            "collision: more than one slave answered E: checksum 00 matches no model", true);
        row("collision, one byte", 0x20, "50",
            "collision: more than one slave answered E: one response byte (50), no checksum", true);
        row("collision, not associated", 0x20, "1107C7",
            "collision: more than one slave answered E: the first byte 11 is the protected "
            "identifier of no associated frame",
            true);
    }

    void explanationNamesWhatWasExpected() {
        QFETCH(QByteArray, frames);
        QFETCH(QByteArray, after);
        QFETCH(bool, withLdf);
        QTEST(QString::fromStdString(ExplainRow(rowOf(frames, after), withLdf ? &ldf() : nullptr)),
              "text");
    }

  private:
    // The row the frames make, then the frames of after (none: it is the last row).
    const TraceEntry& rowOf(const QByteArray& frames, const QByteArray& after) {
        fixture_ = std::make_unique<DecoderFixture>();
        fixture_->feed(frames + after);
        const std::vector<TraceEntry*> rows = fixture_->listRows();
        return *rows.at(rows.size() - (after.isEmpty() ? 1 : 2));
    }

    std::unique_ptr<DecoderFixture> fixture_;
};

QTEST_GUILESS_MAIN(TestFrameCheck)
#include "tst_framecheck.moc"
