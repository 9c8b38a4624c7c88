// The file chooser's texts: the pattern in a description, the filter built from the
// descriptions, its choices and the suffix a typed name is completed with. The program's
// own descriptions ("LIN traces (*.dump)|all files (*.*)"): tst_qtwindowprompts.
#include <QTest>

#include "files/FilePattern.h"

using namespace daridez;

using Rule = std::string (*)(std::string_view);
Q_DECLARE_METATYPE(Rule)

class TestFilePattern : public QObject {
    Q_OBJECT

  private slots:
    void eachRuleGivesItsExactText_data() {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        const auto add = [](Rule rule, const char* text, const char* result) {
            QTest::addRow("%s => %s", text, result) << rule << QString(text) << QString(result);
        };
        add(ExtractPattern, "a (*.x) b (*.y)", "*.x");  // the first pair only
        // No "(", no ")", ")" first (also before a later pair), or nothing between them.
        for (const char* text : {"plain", "open (*.x", "close *.x)", "x) (*.y)", "empty ()", ""})
            add(ExtractPattern, text, "");
        add(BuildFileFilter, "logs (*.log)", "logs (*.log)|*.log||");
        add(BuildFileFilter, "a (*.a)|b", "a (*.a)|*.a|b|||");
        add(BuildFileFilter, "whatever|else", "All Files (*.*)|*.*||");  // no "(" anywhere
        add(BuildFileFilter, "", "All Files (*.*)|*.*||");
        for (const char* text : {"*.*", "*.a;*.b", "dump"})  // no plain suffix
            add(DefaultSuffix, text, "");
        add(PlatformPattern, "*.dump;*.*;x*.*", "*.dump;*;x*.*");
        add(PlatformPattern, "", "");
    }

    void eachRuleGivesItsExactText() {
        QFETCH(Rule, rule);
        QFETCH(QString, text);
        QFETCH(QString, result);
        QCOMPARE(QString::fromStdString(rule(text.toStdString())), result);
    }

    void splitFilterGivesTheChoicesInOrder() {
        const std::vector<std::pair<std::string, std::string>> pairs{{"a (*.a)", "*.a"}, {"b", ""}};
        QVERIFY(SplitFileFilter("a (*.a)|*.a|b|||") == pairs);
        QVERIFY(SplitFileFilter("||").empty());
    }
};

QTEST_GUILESS_MAIN(TestFilePattern)
#include "tst_filepattern.moc"
