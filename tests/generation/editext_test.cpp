#include <optional>
#include <vector>

#include "generation/orderfilesupport.h"

using namespace vorna;
using vorna::test::OrderFileTest;

namespace {
const QString kSource = QStringLiteral("Génération e93A");
const QString kForbidden = QStringLiteral("Caractères interdits : ");
}  // namespace

class EdiText : public OrderFileTest {};

TEST_F(EdiText, KeepsTheAllowedCharactersAndReleasesTheServiceCharacters) {
    EXPECT_EQ(ediText(QStringLiteral("AZ 09 .,-()/"), false), "AZ 09 .,-()/");
    EXPECT_EQ(ediText(QStringLiteral("L'ACHAT: 2+2"), false), "L?'ACHAT?: 2?+2");
    // The colon option turns the colon into a blank and still releases "'" and "+".
    EXPECT_EQ(ediText(QStringLiteral("L'ACHAT: 2+2"), true), "L?'ACHAT  2?+2");
    EXPECT_EQ(ediText(QString(), false), "");
    EXPECT_EQ(ediText(QString(), true), "");
    EXPECT_EQ(dialogs.beeps, 0);

    // Any character at any place of a longer text (read in blocks of eight or four, the last one
    // overlapping the one before) is written as it is alone, or refuses the whole text as it
    // refuses itself.
    std::vector<char16_t> samples = {u'É', u'\u0120', u'\u0141', u'\u8041', u'\uff21'};
    for (char16_t u = 0; u < 128; ++u) samples.push_back(u);
    for (const QString& around : {QStringLiteral("ABCDE"), QStringLiteral("ABCDEFGHIJKL"), QStringLiteral("ABCDEFGHIJKLMNO")})
        for (const char16_t u : samples)
            for (const bool colonToSpace : {false, true}) {
                std::optional<QString> alone;
                try {
                    alone = ediText(QString(QChar(u)), colonToSpace);
                } catch (const VbError&) {
                }
                for (qsizetype at = 0; at < around.size(); ++at) {
                    QString t = around;
                    t[at] = QChar(u);
                    SCOPED_TRACE(testing::Message() << int(u) << " at " << at << " of " << around.size());
                    if (alone) EXPECT_EQ(ediText(t, colonToSpace), around.left(at) + *alone + around.mid(at + 1));
                    else expectError([&] { ediText(t, colonToSpace); }, kSource, kForbidden + t);
                }
            }
}

TEST_F(EdiText, RefusesWhatTheTextFilterChangesOrRefuses) {
    // A lower-case letter is not refused by the filter (it answers the capital), so no beep.
    expectError([] { ediText(QStringLiteral("VIREMENT a"), false); }, kSource, kForbidden + "VIREMENT a");
    EXPECT_EQ(dialogs.beeps, 0);

    const QStringList refused = {
        QStringLiteral("SOCIÉTÉ"),         // accented capital
        QStringLiteral("QUOI?"),           // the release character itself
        QStringLiteral("A;B"),
        QStringLiteral("5*3"),
        QStringLiteral("A\tB"),
        QStringLiteral("100 €"),
        QStringLiteral("ΩMEGA"),           // no code in the code page
        QStringLiteral("A\"B"),
    };
    for (const QString& t : refused) {
        SCOPED_TRACE(t.toStdString());
        const int beepsBefore = dialogs.beeps;
        expectError([&] { ediText(t, false); }, kSource, kForbidden + t);
        expectError([&] { ediText(t, true); }, kSource, kForbidden + t);
        EXPECT_EQ(dialogs.beeps, beepsBefore + 2);  // one beep per refusal, before the error
    }
}

// The key filter lets Backspace, Enter and Escape through for the text boxes; the file is one
// line of plain characters, so ediText refuses them and every other control character.
TEST_F(EdiText, RefusesEveryControlCharacter) {
    for (int code : {8, 13, 27, 10, 0, 31, 127}) {
        SCOPED_TRACE(code);
        const QString t = QStringLiteral("AB") + QChar(code) + QStringLiteral("CD");
        const int beepsBefore = dialogs.beeps;
        expectError([&] { ediText(t, false); }, kSource, kForbidden + t);
        EXPECT_EQ(dialogs.beeps, beepsBefore + 1);
    }
}
