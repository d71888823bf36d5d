#include <gtest/gtest.h>

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include "common/scripteddialogs.h"
#include "orderentry/modrules.h"
#include "platform/text/ansi.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// Restores the program-wide separator flag after a test changes it.
struct SeparatorFlag {
    bool saved = DecimalSeparatorIsPoint;
    explicit SeparatorFlag(bool isPoint) { DecimalSeparatorIsPoint = isPoint; }
    ~SeparatorFlag() { DecimalSeparatorIsPoint = saved; }
};

using Filter = int (*)(int);
const Filter kFilters[] = {keyFilterText, keyFilterNoSlash, keyFilterAlnum, keyFilterAmount, keyFilterReference};

// Expects `filter` to refuse every key of `keys`, one beep each.
void expectRefused(Filter filter, std::initializer_list<int> keys, const char* name) {
    for (int k : keys) {
        ScriptedDialogs d;
        EXPECT_EQ(filter(k), 0) << name << " key " << k;
        EXPECT_EQ(d.beeps, 1) << name << " key " << k;
    }
}

// Expects `filter` to turn each key into its answer, without a beep.
void expectAccepted(Filter filter, std::initializer_list<std::pair<int, int>> keys, const char* name) {
    for (auto [k, answer] : keys) {
        ScriptedDialogs d;
        EXPECT_EQ(filter(k), answer) << name << " key " << k;
        EXPECT_EQ(d.beeps, 0) << name << " key " << k;
    }
}

}  // namespace

TEST(KeyFilters, TextUpperCasesAndTakesItsPunctuation) {
    expectAccepted(keyFilterText, {{'a', 'A'}, {'z', 'Z'}, {'Q', 'Q'}, {'5', '5'}, {' ', ' '}, {'.', '.'}, {',', ','},
                                   {'-', '-'}, {'(', '('}, {')', ')'}, {'/', '/'}, {'\'', '\''}, {'+', '+'}, {':', ':'}},
                   "text");
    // Accented letters become accented capitals and are refused like any other character.
    expectRefused(keyFilterText, {';', '*', '"', '_', 0xE9, 0xC9, 0xFF, 0x9A, 9, 10, 0, 127}, "text");
}

TEST(KeyFilters, NoSlashAlnumAndReference) {
    expectRefused(keyFilterNoSlash, {'/', ';'}, "noslash");
    expectAccepted(keyFilterNoSlash, {{'b', 'B'}, {'(', '('}, {':', ':'}, {'\'', '\''}}, "noslash");

    expectAccepted(keyFilterAlnum, {{'x', 'X'}, {'0', '0'}, {'9', '9'}}, "alnum");
    expectRefused(keyFilterAlnum, {' ', '-', '.', '/', 0xE0}, "alnum");

    expectAccepted(keyFilterReference, {{'r', 'R'}, {' ', ' '}, {'.', '.'}, {'-', '-'}, {'+', '+'}, {',', ','}}, "ref");
    expectRefused(keyFilterReference, {'/', '(', ')', '\'', ':'}, "ref");
}

TEST(KeyFilters, AmountTurnsBothSignsIntoTheRegionalSeparator) {
    {
        SeparatorFlag comma(false);
        expectAccepted(keyFilterAmount, {{'.', ','}, {',', ','}, {'0', '0'}, {'7', '7'}}, "amount ,");
    }
    {
        SeparatorFlag point(true);
        expectAccepted(keyFilterAmount, {{',', '.'}, {'.', '.'}}, "amount .");
    }
    expectRefused(keyFilterAmount, {'-', '+', ' ', 'a', 'E', 'e'}, "amount");
}

TEST(KeyFilters, ControlKeysPassAndOddCodesAreRefused) {
    for (Filter f : kFilters) {
        expectAccepted(f, {{ansi::Backspace, ansi::Backspace}, {ansi::Enter, ansi::Enter}, {ansi::Escape, ansi::Escape}}, "control");
        expectRefused(f, {-1, -32768, 256, 321, 32767, 65535}, "odd code");
    }
}

TEST(FilterClipboard, KeepsWhatTheFilterLetsThroughWithOneBeepPerRefusal) {
    struct {
        int kind;
        bool point;
        QString in;
        QString out;
        int beeps;
    } cases[] = {
        {0, false, "abc 12;", "ABC 12", 1},
        {1, false, "abc 12;", "ABC12", 2},
        {0, false, "AB\r\nCD", "AB\rCD", 1},        // the carriage return stays, the line feed goes
        {2, false, "1 234.50", "1234,50", 1},
        {2, true, "1 234,50", "1234.50", 1},
        {2, false, "-12\r\n", "12\r", 2},
        {0, false, "", "", 0},
        {0, false, QString::fromUtf16(u"a\U0001F600b"), "AB", 1},  // one character beyond 16 bits
        {0, false, QString::fromUtf16(u"a\xD800" u"b\xDC00"), "AB", 2},  // lone halves
        {0, false, QString::fromUtf16(u"\u00e9t\u00e9 \u4e2d"), "T ", 3},
        {0, false, QString(QChar(0)) + "x" + QChar(0x7F), "X", 2},
        {7, false, "a/b;", "A/B", 1},  // an unknown kind filters as text
    };
    for (const auto& c : cases) {
        SeparatorFlag flag(c.point);
        ScriptedDialogs d;
        d.clipboard = c.in;
        filterClipboard(c.kind);
        EXPECT_EQ(d.clipboard, c.out) << "kind " << c.kind << " " << c.in.toStdString();
        EXPECT_EQ(d.beeps, c.beeps) << "kind " << c.kind << " " << c.in.toStdString();
    }
}

TEST(FilterClipboard, LongText) {
    ScriptedDialogs d;
    d.clipboard = QString(1000000, u'a') + u'*';
    filterClipboard(1);
    EXPECT_EQ(d.clipboard, QString(1000000, u'A'));
    EXPECT_EQ(d.beeps, 1);
}

namespace {

// A window with a box to test and another box that holds the focus first.
struct FieldWindow {
    QWidget window;
    QWidget* frame = new QWidget;
    QLineEdit* other = new QLineEdit;
    QLineEdit* box = new QLineEdit;
    FieldWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(other);
        layout->addWidget(frame);
        (new QVBoxLayout(frame))->addWidget(box);
        window.show();
        window.activateWindow();
        other->setFocus();
    }
};

}  // namespace

TEST(FieldChecks, SelectAllText) {
    FieldWindow w;
    w.box->setText("ABC DEF");
    w.box->setCursorPosition(3);
    selectAllText(w.box);
    EXPECT_EQ(w.box->selectedText(), "ABC DEF");
    EXPECT_EQ(w.box->selectionStart(), 0);
    selectAllText(nullptr);
}

TEST(FieldChecks, MissingFieldReportsAndFocuses) {
    for (const QString& text : {QString(), QString("   ")}) {
        FieldWindow w;
        ScriptedDialogs d;
        w.box->setText(text);
        EXPECT_TRUE(isFieldMissing(w.box, "Le nom est manquant"));
        ASSERT_EQ(d.messages.size(), 1);
        EXPECT_EQ(d.messages[0].text, "Le nom est manquant");
        EXPECT_EQ(d.messages[0].title, "Erreur de saisie");
        EXPECT_EQ(d.messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(d.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(w.window.focusWidget(), w.box);
    }
    for (const QString& text : {QString("A"), QString(" x "), QString("\t")}) {
        FieldWindow w;
        ScriptedDialogs d;
        w.box->setText(text);
        EXPECT_FALSE(isFieldMissing(w.box, "Le nom est manquant")) << text.toStdString();
        EXPECT_TRUE(d.messages.isEmpty());
        EXPECT_EQ(w.window.focusWidget(), w.other);
    }
}

TEST(FieldChecks, DisabledBoxOrEmptyMessageLeavesTheFocus) {
    {
        FieldWindow w;
        ScriptedDialogs d;
        w.box->setEnabled(false);
        EXPECT_TRUE(isFieldMissing(w.box, "Manque"));
        EXPECT_EQ(d.messages.size(), 1);
        EXPECT_EQ(w.window.focusWidget(), w.other);
    }
    {
        FieldWindow w;
        ScriptedDialogs d;
        w.frame->setEnabled(false);  // enabled itself, but in a disabled container
        EXPECT_TRUE(isAmountZero(w.box, "Montant nul"));
        EXPECT_EQ(d.messages.size(), 1);
        EXPECT_EQ(w.window.focusWidget(), w.other);
    }
    {
        FieldWindow w;
        ScriptedDialogs d;
        EXPECT_TRUE(isFieldMissing(w.box, QString()));
        EXPECT_TRUE(isAmountZero(w.box, QString()));
        EXPECT_TRUE(d.messages.isEmpty());
        EXPECT_EQ(w.window.focusWidget(), w.other);
    }
    ScriptedDialogs d;
    EXPECT_FALSE(isFieldMissing(nullptr, "x"));
    EXPECT_FALSE(isAmountZero(nullptr, "x"));
    EXPECT_TRUE(d.messages.isEmpty());
}

TEST(FieldChecks, AmountZero) {
    const char* zero[] = {"", "0", "0,00", "0.00", " 0 ", "ABC", "-12", "0 000,000"};
    const char* notZero[] = {"0,5", "0.5", "1 000", "12 345,67", "7abc", ",01"};
    for (const char* t : zero) {
        FieldWindow w;
        ScriptedDialogs d;
        w.box->setText(t);
        EXPECT_TRUE(isAmountZero(w.box, "Le montant est nul")) << t;
        EXPECT_EQ(d.titles(), QStringList{"Erreur de saisie"}) << t;
        EXPECT_EQ(w.window.focusWidget(), w.box) << t;
    }
    for (const char* t : notZero) {
        FieldWindow w;
        ScriptedDialogs d;
        w.box->setText(t);
        EXPECT_FALSE(isAmountZero(w.box, "Le montant est nul")) << t;
        EXPECT_TRUE(d.messages.isEmpty()) << t;
    }
}

TEST(FieldChecks, LongAndBinaryTexts) {
    FieldWindow w;
    ScriptedDialogs d;
    w.box->setMaxLength(32767);
    w.box->setText(QString(30000, u' ') + QChar(0) + QChar(0xD800));
    EXPECT_FALSE(isFieldMissing(w.box, "x"));
    EXPECT_TRUE(isAmountZero(w.box, "x"));
    w.box->setText(QString(30000, u'9'));
    EXPECT_FALSE(isAmountZero(w.box, "x"));
    selectAllText(w.box);
    EXPECT_EQ(w.box->selectedText().size(), 30000);
}
