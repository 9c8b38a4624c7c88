// The LDF reader: every construct of the project's own fixtures read into the model,
// each problem a diagnostic at its exact place, the encodings of the text, input limits,
// and the public LDF files where ../shared/ldf-fixtures holds them.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <string>

#include "ldf/LdfParser.h"

using namespace daridez;

namespace {

const QString kFixtures = QStringLiteral(DARIDEZ_LDF_FIXTURES);
const QString kShared = QStringLiteral(DARIDEZ_SHARED_LDF_FIXTURES);

LdfFile readFixture(const QString& name) {
    return LdfParser::read((kFixtures + "/" + name).toStdString());
}

// The diagnostics one per line, as daridez-dump prints them for a file called "f".
QString diagnostics(const LdfFile& file) {
    QStringList lines;
    for (const LdfDiagnostic& diagnostic : file.diagnostics)
        lines << QString::fromStdString(diagnostic.format("f"));
    return lines.join('\n');
}

QString signalsOf(const LdfModel& model, const LdfFrame& frame) {
    QStringList names;
    for (const LdfFrameSignal& placed : frame.layout)
        names << QString::fromStdString(model.allSignals[placed.signal].name) + "@" +
                     QString::number(placed.offset);
    return names.join(' ');
}

}  // namespace

class TestLdfParser : public QObject {
    Q_OBJECT

  private slots:
    // The project's fixtures, then texts of one fault each.
    void textsGiveTheirDiagnostics_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        const auto fixture = [](const QString& name) {
            QFile file(kFixtures + "/" + name);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
        };
        QTest::newRow("constructs")
            << fixture("constructs.ldf") << "f:199:3: warning: encoding type Unused has no values";
        for (const QString clean : {"classic", "j2602", "bom"})
            QTest::newRow(qPrintable(clean)) << fixture(clean + ".ldf") << QString();
        QTest::newRow("windows-1252, CRLF")
            << fixture("windows1252.ldf")
            << "f:10:62: warning: not UTF-8: the file is read as Windows-1252";
        QTest::newRow("tolerance")
            << fixture("tolerance.ldf")
            << "f:6:1: warning: unknown statement Vendor_tool_version skipped\n"
               "f:10:3: warning: unknown statement Standby skipped\n"
               "f:12:1: warning: unknown section Vendor_extensions skipped\n"
               "f:17:3: warning: signal Orphan: publisher Ghost is not a node\n"
               "f:25:5: warning: frame First: signal Missing is not declared; dropped\n"
               "f:27:3: warning: frames First and Second both have identifier 0x05; First "
               "decodes\n"
               "f:29:5: warning: frame Second: signal Shared overlaps another signal; both are "
               "decoded\n"
               "f:32:5: warning: frame TooFar: signal Late (bits 8..15) is past the frame's "
               "1-byte length; dropped\n"
               "f:34:3: warning: frame Hidden: identifier 0x45 is outside 0x00..0x3F; no LIN "
               "bus carries it\n"
               "f:37:3: warning: frame Empty carries no signals\n"
               "f:39:3: warning: signal Shared is sent by Slave in Second and by Master in "
               "Mastered\n"
               "f:42:3: warning: frame Orphaned: publisher Ghost is not a node\n"
               "f:44:1: warning: Schedule_tables is empty: a master needs a schedule table\n"
               "f:46:3: warning: encoding type Nothing has no values";
        QTest::newRow("structure") << fixture("structure.ldf")
                                   << "f:10:1: error: unbalanced '}'\n"
                                      "f:11:8: error: expected '{' after Signals, found 'A'\n"
                                      "f:13:16: warning: missing ';'\n"
                                      "f:20:1: error: end of file inside Frames (opened at line "
                                      "15)";
        const auto row = [](const char* name, const char* text, const char* expected) {
            QTest::newRow(name) << QByteArray(text) << QString(expected);
        };
        row("bad character", "Nodes { Master: M, 5 ms, 1 ms; } @",
            "f:1:34: error: unexpected character '@'");
        row("open string", "Channel_name = \"abc;\nNodes { }",
            "f:1:16: error: string without its closing quote\n"
            "f:1:21: warning: missing ';'");
        row("wrong token", "Signals { A: x, 0, M; }",
            "f:1:14: error: expected the signal's width, found 'x'");
        row("missing value", "LIN_speed = ;",
            "f:1:13: error: expected a value for LIN_speed, "
            "found ';'");
        row("schedule entry without delay", "Schedule_tables { T { F 10 ms; } }",
            "f:1:19: warning: schedule table T has no entries\n"
            "f:1:25: error: expected 'delay' after F, found '10'");
        row("section at the end", "Signals",
            "f:1:8: error: expected '{' after Signals, found the end of the file");
        row("unknown value kind", "Signal_encoding_types { E { text_value, 1; } }",
            "f:1:25: warning: encoding type E has no values\n"
            "f:1:29: warning: unknown value kind text_value skipped");
        row("byte array width", "Signals { A: 12, {1, 2}, M; } Nodes { Master: M, 1 ms, 0 ms; }",
            "f:1:14: warning: signal A: a byte array's width must be 8..64 bits in whole bytes, "
            "not 12");
        row("scalar too wide", "Signals { A: 65, 0, M; } Nodes { Master: M, 1 ms, 0 ms; }",
            "f:1:14: error: signal A: width 65 is outside 1..64; the signal is dropped");
        row("an identifier past any number",
            "Nodes { Master: M, 1 ms, 0 ms; } Signals { A: 8, 0, M; }\n"
            "Frames { F: 99999999999999999999, M, 1 { A, 0; } }",
            "f:2:10: warning: frame F: identifier 65535 is outside 0x00..0x3F; no LIN bus "
            "carries it");
        row("no width", "Signals { A: 0, 0, M; } Nodes { Master: M, 1 ms, 0 ms; }",
            "f:1:14: error: signal A: width 0 is outside 1..64; the signal is dropped");
        row("length missing in 2.1",
            "LIN_language_version = \"2.1\"; Nodes { Master: M, 1 ms, 0 ms; }\n"
            "Signals { A: 8, 0, M; }\nFrames { F: 0x20, M { A, 24; } }",
            "f:3:10: warning: frame F has no length; read as 4 from its identifier");
        // Up to 2.0 the identifier gives the length: 2 bytes below 0x20, 4 below 0x30, then
        // 8; 0x3F is still an identifier the bus carries.
        row("lengths from the identifier in 2.0",
            "LIN_language_version = \"2.0\"; Nodes { Master: M, 1 ms, 0 ms; }\n"
            "Signals { A: 8, 0, M; }\nFrames {\n"
            "  L1F: 0x1F, M { A, 8; }\n  L20: 0x20, M { A, 24; }\n  L2F: 0x2F, M { A, 24; }\n"
            "  L30: 0x30, M { A, 56; }\n  L3F: 0x3F, M { A, 56; }\n  L1E: 0x1E, M { A, 16; }\n}",
            "f:9:18: warning: frame L1E: signal A (bits 16..23) is past the frame's 2-byte "
            "length; dropped");
        row("columns count characters",
            "Signal_encoding_types { T { physical_value, 0, 1, 1, 0, \"\xC2\xB0"
            "C\"; } } @",
            "f:1:67: error: unexpected character '@'");
        row("empty file", "", "f:1:1: error: empty file, not an LDF");
        row("blanks and comments only", "  // nothing\n/* here */\n",
            "f:1:1: error: empty file, not an LDF");
        row("comment never closed", "Nodes { Master: M, 1 ms, 0 ms; }\n  /* Signals { A: 8",
            "f:2:3: error: comment without its closing */");
    }
    void textsGiveTheirDiagnostics() {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(diagnostics(LdfParser::parse(text.toStdString())), expected);
    }

    void constructsAreInTheModel() {
        const LdfFile file = readFixture("constructs.ldf");
        const LdfModel& model = file.model;
        QCOMPARE(QString::fromStdString(file.summary()),
                 "LIN 2.2, 19.2 kbps: 4 nodes, 31 signals, 12 frames, 3 schedule tables; "
                 "0 errors, 1 warning");
        QCOMPARE(model.languageVersion, "2.2");
        QCOMPARE(model.channelName, "Body");
        QCOMPARE(model.fileRevision, "1.0.3");
        const LdfNode* master = model.master();
        QVERIFY(master != nullptr);
        QCOMPARE(master->name + " " + std::to_string(master->timeBaseMs) + " " +
                     std::to_string(master->jitterMs),
                 "Gateway 5.000000 0.100000");
        const LdfNode* door = model.nodeByNad(0x21);
        QVERIFY(door != nullptr);
        QCOMPARE(door->name + " " + door->protocol + " " + std::to_string(door->initialNad),
                 "Door 2.2 1");
        QCOMPARE(door->productId, (std::vector<std::int64_t>{0x1234, 0x5678, 2}));
        QCOMPARE(door->configurableFrames,
                 (std::vector<std::string>{"DoorStatus", "DoorErr", "DoorEvent"}));
        QCOMPARE(model.nodeByName("Seat")->protocol, "2.0");
        QCOMPARE(model.nodeByName("Seat")->configurableFrames.size(), 2u);
        // Signals: scalar and array init values.
        QCOMPARE(model.signalByName("Cross12")->init, 0xFF);
        QCOMPARE(model.signalByName("Name")->initBytes,
                 (std::vector<std::int64_t>{0x41, 0x42, 0x43}));
        QVERIFY(model.signalByName("Name")->byteArray);
        QVERIFY(model.signalByName("MasterReqB3")->diagnostic);
        QCOMPARE(model.signalByName("Cross12")->subscribers,
                 (std::vector<std::string>{"Gateway", "Seat"}));
        // Frames by identifier, with their kinds and layouts.
        QCOMPARE(signalsOf(model, *model.frameById(0x10)), "Bit1@0 Wide3@6 Cross12@12 Full16@24");
        QCOMPARE(model.frameById(0x3A)->name, "DoorEvent");
        QCOMPARE(model.frameById(0x3A)->collisionTable, "EventResolver");
        QCOMPARE(model.frameById(0x3A)->associated.size(), 2u);
        QCOMPARE(model.frameById(0x3C)->length, 8);
        QVERIFY(model.frameById(0x3D)->kind == LdfFrame::Kind::Diagnostic);
        const LdfFrame* sporadic = model.frameByName("GatewaySporadic");
        QVERIFY(sporadic->kind == LdfFrame::Kind::Sporadic && sporadic->id == -1);
        QCOMPARE(model.frames[sporadic->associated[1]].name, "LampCmd");
        // Encodings in order, with reals of every form.
        const LdfEncoding& speed = model.encodings[model.encodingIndex("SpeedEncoding")];
        QCOMPARE(speed.converters[0].scale, 5.6785558246e-04);
        QCOMPARE(speed.converters[1].scale, 350.0);
        QCOMPARE(speed.converters[1].offset, -22.5);
        QCOMPARE(model.encodings[model.encodingIndex("TempEncoding")].converters[0].unit, "°C");
        QCOMPARE(model.encodings[model.signalByName("Lamp")->encoding].name, "LightEncoding");
        // Schedule tables: frames and every command, with their delays.
        const LdfScheduleTable& configuration = model.scheduleTables[1];
        QCOMPARE(configuration.entries.size(), 11u);
        QCOMPARE(configuration.entries[3].command, "ConditionalChangeNAD");
        QCOMPARE(configuration.entries[3].arguments.size(), 6u);
        QCOMPARE(configuration.entries[10].arguments[1], "0xB2");
        QCOMPARE(model.scheduleTables[0].entries[2].delayMs, 15.5);
    }

    void bothEncodingsGiveTheSameUnit_data() {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("windows-1252") << "windows1252.ldf";
        QTest::newRow("utf-8 with BOM") << "bom.ldf";
    }
    void bothEncodingsGiveTheSameUnit() {
        QFETCH(QString, fixture);
        const LdfFile file = readFixture(fixture);
        QCOMPARE(file.model.encodings.at(0).converters.at(0).unit,
                 "\xC2\xB0"
                 "C");
        QCOMPARE(file.model.frameById(1)->layout.size(), 1u);
    }

    void structuralBreaksKeepWhatCameBefore() {
        const LdfFile file = readFixture("structure.ldf");
        QVERIFY(file.usable());
        QCOMPARE(signalsOf(file.model, *file.model.frameById(1)), "A@0 B@8");
    }

    void hostileInputEndsQuickly_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("errors");
        QTest::newRow("deep nesting") << "Nodes " + QByteArray(200000, '{') << 2;
        QTest::newRow("closing flood") << QByteArray(100000, '}') << 100000;
        QTest::newRow("endless comment") << "Nodes { /*" + QByteArray(1 << 20, 'x') << 2;
        QTest::newRow("endless word") << QByteArray(1 << 20, 'a') << 0;
        QTest::newRow("zero bytes") << QByteArray(1000, '\0') << 1000;
    }
    void hostileInputEndsQuickly() {
        QFETCH(QByteArray, text);
        QFETCH(int, errors);
        const LdfFile file = LdfParser::parse(text.toStdString());
        QCOMPARE(file.errors, errors);
        QVERIFY(file.diagnostics.size() <= LdfFile::kMaxDiagnostics + 1u);
    }

    // The system's reason, as it says it, for a file that cannot be read; a file past the
    // size any LDF has is not read.
    void unreadableFilesSayWhy_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "none.ldf"
                                 << "f: error: cannot open the file: No such file or directory";
        QTest::newRow("a folder") << "."
                                  << "f: error: cannot read the file: Is a directory";
        QTest::newRow("over 16 MB") << "big.ldf"
                                    << "f: error: the file is over 16 MB; an LDF is far smaller";
    }
    void unreadableFilesSayWhy() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QFile big(dir.filePath("big.ldf"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(LdfParser::kMaxFileSize + 1));
        big.close();
        const LdfFile file = LdfParser::read(dir.filePath(name).toStdString());
        QVERIFY(!file.read && !file.usable());
        QCOMPARE(diagnostics(file), expected);
    }

    // The public files (LIN 1.3 to 2.2, ISO 17987, J2602), where the folder is there.
    void publicFilesParseWithoutErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("signalCount");
        for (const QString row :
             {"iso17987 12 26", "j2602_1 2 2", "j2602_1_no_values 2 2",
              "ldf_with_sporadic_frames 2 3", "lin13 7 49", "lin20 2 2", "lin21 6 6", "lin22 6 6",
              "lin22-example 6 6", "lin_diagnostics 8 22", "lin_encoders 1 2", "lin_schedules 7 6",
              "no_signal_subscribers 1 1"})
            QTest::newRow(qPrintable(row.section(' ', 0, 0)))
                << row.section(' ', 0, 0) + ".ldf" << row.section(' ', 1, 1).toInt()
                << row.section(' ', 2, 2).toInt();
    }
    void publicFilesParseWithoutErrors() {
        QFETCH(QString, name);
        QFETCH(int, frames);
        QFETCH(int, signalCount);
        if (!QDir(kShared).exists())
            QSKIP("no ../shared/ldf-fixtures");
        const LdfFile file = LdfParser::read((kShared + "/" + name).toStdString());
        QCOMPARE(file.errors, 0);
        QCOMPARE(int(file.model.frames.size()), frames);
        QCOMPARE(int(file.model.allSignals.size()), signalCount);
    }

    // Older files that hold real faults: each gives its diagnostic at its line.
    void historyFilesGiveTheirFault_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault");
        QTest::newRow("syntax error") << "syntax_error@967c8cc.ldf"
                                      << "f:6:6: error: expected '{' after Nodes, found 'Master'";
        QTest::newRow("undefined signal")
            << "logic_error@967c8cc.ldf"
            << "f:20:3: warning: frame Backlight: signal backlight is not declared; dropped";
        QTest::newRow("publisher not a node")
            << "logic_error@967c8cc.ldf"
            << "f:19:2: warning: frame Backlight: publisher MasterECU is not a node";
        QTest::newRow("empty schedule tables")
            << "valid@967c8cc.ldf"
            << "f:69:1: warning: Schedule_tables is empty: a master needs a schedule table";
        QTest::newRow("undeclared slave")
            << "network@967c8cc.ldf"
            << "f:12:2: warning: signal backlight_level: publisher MasterECU is not a node";
    }
    void historyFilesGiveTheirFault() {
        QFETCH(QString, name);
        QFETCH(QString, fault);
        if (!QDir(kShared + "/history").exists())
            QSKIP("no ../shared/ldf-fixtures/history");
        const LdfFile file = LdfParser::read((kShared + "/history/" + name).toStdString());
        QVERIFY2(diagnostics(file).split('\n').contains(fault), qPrintable(diagnostics(file)));
        QVERIFY(file.usable());
    }
};

QTEST_GUILESS_MAIN(TestLdfParser)
#include "tst_ldfparser.moc"
