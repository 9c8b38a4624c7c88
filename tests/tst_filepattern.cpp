// The file chooser's texts: patterns in descriptions, the filter built from them.
#include <QTest>

#include "files/FilePattern.h"

using namespace daridez;

class TestFilePattern : public QObject {
    Q_OBJECT

  private slots:
    void extractPattern_data();
    void extractPattern();
    void buildFileFilter_data();
    void buildFileFilter();
    void splitFilterGivesTheChoicesInOrder();
    void defaultSuffix_data();
    void defaultSuffix();
};

void TestFilePattern::extractPattern_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("dump description") << "LIN traces (*.dump)"
                                      << "*.dump";
    QTest::newRow("all files") << "all files (*.*)"
                               << "*.*";
    QTest::newRow("first pair only") << "a (*.x) b (*.y)"
                                     << "*.x";
    QTest::newRow("whole filter") << "LIN traces (*.dump)|*.dump|all files (*.*)|*.*||"
                                  << "*.dump";
    QTest::newRow("no parenthesis") << "plain"
                                    << "";
    QTest::newRow("no closing") << "open (*.x"
                                << "";
    QTest::newRow("no opening") << "close *.x)"
                                << "";
    QTest::newRow("nothing between") << "empty ()"
                                     << "";
    QTest::newRow("closing first") << "a) b (c"
                                   << "";
    QTest::newRow("closing before a later pair") << "x) (*.y)"
                                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFilePattern::extractPattern() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QCOMPARE(QString::fromStdString(ExtractPattern(text.toStdString())), pattern);
}

void TestFilePattern::buildFileFilter_data() {
    QTest::addColumn<QString>("descriptions");
    QTest::addColumn<QString>("filter");
    QTest::newRow("the program's descriptions")
        << "LIN traces (*.dump)|all files (*.*)"
        << "LIN traces (*.dump)|*.dump|all files (*.*)|*.*||";
    QTest::newRow("one description") << "logs (*.log)"
                                     << "logs (*.log)|*.log||";
    QTest::newRow("no parenthesis anywhere") << "whatever|else"
                                             << "All Files (*.*)|*.*||";
    QTest::newRow("empty") << ""
                           << "All Files (*.*)|*.*||";
    QTest::newRow("a description without pattern") << "a (*.a)|b"
                                                   << "a (*.a)|*.a|b|||";
}

void TestFilePattern::buildFileFilter() {
    QFETCH(QString, descriptions);
    QFETCH(QString, filter);
    QCOMPARE(QString::fromStdString(BuildFileFilter(descriptions.toStdString())), filter);
}

void TestFilePattern::splitFilterGivesTheChoicesInOrder() {
    const auto pairs = SplitFileFilter("LIN traces (*.dump)|*.dump|all files (*.*)|*.*||");
    QCOMPARE(pairs.size(), std::size_t(2));
    QCOMPARE(pairs[0].first, std::string("LIN traces (*.dump)"));
    QCOMPARE(pairs[0].second, std::string("*.dump"));
    QCOMPARE(pairs[1].first, std::string("all files (*.*)"));
    QCOMPARE(pairs[1].second, std::string("*.*"));
    QVERIFY(SplitFileFilter("||").empty());
}

void TestFilePattern::defaultSuffix_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("dump") << "*.dump"
                          << "dump";
    QTest::newRow("any") << "*.*"
                         << "";
    QTest::newRow("two patterns") << "*.a;*.b"
                                  << "";
    QTest::newRow("no star") << "dump"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFilePattern::defaultSuffix() {
    QFETCH(QString, pattern);
    QFETCH(QString, suffix);
    QCOMPARE(QString::fromStdString(DefaultSuffix(pattern.toStdString())), suffix);
}

QTEST_GUILESS_MAIN(TestFilePattern)
#include "tst_filepattern.moc"
