#include "orderentry/modrules.h"

#include <QLineEdit>

#include "platform/session.h"
#include "platform/db/recordset.h"
#include "platform/dialogs.h"
#include "platform/forms/textbox.h"
#include "platform/text/ansi.h"
#include "platform/text/blanks.h"
#include "platform/text/format.h"

namespace vorna {

bool DecimalSeparatorIsPoint = false;

namespace {

bool isControlKey(int key) { return key == ansi::Backspace || key == ansi::Enter || key == ansi::Escape; }

// Letter and digit filters: upper-case, accept A-Z and 0-9, then the filter's own characters,
// then the three control keys.
int letterDigitFilter(int key, const char* others) {
    const int up = ansi::upper(key);
    if ((up >= 'A' && up <= 'Z') || (up >= '0' && up <= '9')) return up;
    for (const char* p = others; *p; ++p)
        if (up == *p) return up;
    if (isControlKey(key)) return key;
    beep();
    return 0;
}

// Reports a failed field test: the message, then the focus on the field.
void reportField(QLineEdit* box, const QString& message) {
    if (message.isEmpty()) return;
    msgBox(message, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Erreur de saisie"));
    // A box that is disabled, itself or through its container, cannot take the focus.
    if (box->isEnabled()) box->setFocus();
}

const char kTextOthers[] = " .,-()/'+:";

}  // namespace

const QString kTextCharacters =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") + QString::fromLatin1(kTextOthers);
const QString kAmountCharacters = QStringLiteral("0123456789,.");

int keyFilterText(int key) { return letterDigitFilter(key, kTextOthers); }

int keyFilterNoSlash(int key) {
    if (key == '/') {
        beep();
        return 0;
    }
    return keyFilterText(key);
}

int keyFilterAlnum(int key) { return letterDigitFilter(key, ""); }

int keyFilterAmount(int key) {
    if (key >= '0' && key <= '9') return key;
    if (key == ',' || key == '.') return DecimalSeparatorIsPoint ? '.' : ',';
    if (isControlKey(key)) return key;
    beep();
    return 0;
}

int keyFilterReference(int key) { return letterDigitFilter(key, " .-+,"); }

static KeyFilter clipboardKindFilter(int kind) {
    return kind == 1 ? keyFilterAlnum : kind == 2 ? keyFilterAmount : keyFilterText;
}

void filterClipboard(int kind) { filterClipboardWith(clipboardKindFilter(kind)); }

void filterClipboardWith(const std::function<int(int)>& filter) {
    Dialogs& dialogs = Dialogs::current();
    const QString in = dialogs.clipboardText();
    QString out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const qsizetype start = i;
        int key = ansi::code(in[i]);
        // A character outside the 16-bit range is one character, and one the code page lacks.
        if (in[i].isHighSurrogate() && i + 1 < in.size() && in[i + 1].isLowSurrogate()) {
            ++i;
            key = -1;
        }
        const int accepted = filter(key);
        if (accepted == -1) out += in.mid(start, i - start + 1);
        else if (accepted != 0) out += ansi::character(accepted);
    }
    dialogs.setClipboardText(out);
}

void selectAllText(QLineEdit* box) {
    if (!box) return;
    box->setSelection(0, int(box->text().size()));
}

bool isFieldMissing(QLineEdit* box, const QString& message) {
    if (!box) return false;
    const QString text = box->text();
    if (!trimBlanks(text).isEmpty()) return false;
    reportField(box, message);
    return true;
}

bool isAmountZero(QLineEdit* box, const QString& message) {
    if (!box) return false;
    const QString text = box->text();
    if (!readLeadingNumber(trimBlanks(text)).isZero()) return false;
    reportField(box, message);
    return true;
}

int keyCodeOf(QChar c) { return ansi::code(c); }

bool isPaysEEE(const QString& code) { return isPaysEEE(code, Session::current().connParamVorna); }

bool isPaysEEE(const QString& code, const QString& connParamVorna) {
    const ConnectionPtr conn = openConnection(connParamVorna);
    Recordset rs;
    rs.open(QStringLiteral("select Code,Description from PaysEEE Order by Description"), conn, CursorType::ForwardOnly,
            LockType::ReadOnly);
    const bool found = rs.find(QStringLiteral("code"), Value(code), FindStart::First);
    rs.close();
    conn->close();
    return found;
}

bool isDefaultChanged(const QString& column, const Recordset& settings, const Recordset& order) {
    const Value def = settings.value(column);
    if (def.isNull() || def.isEmpty() || trimBlanks(def.toText()).isEmpty()) return false;
    const Value mine = order.value(column);
    if (mine.isNull() || mine.isEmpty()) return true;
    return mine.toText() != def.toText();
}

void setKeyFilter(forms::TextBox* box, KeyFilter filter) {
    box->keyPress = [filter](int& keyAscii) { keyAscii = filter(keyAscii); };
}

void setClipboardKind(forms::TextBox* box, int kind) { setClipboardFilter(box, clipboardKindFilter(kind)); }

void setClipboardFilter(forms::TextBox* box, std::function<int(int)> filter) {
    box->mouseDown = [filter = std::move(filter)](int button, int, int, int) {
        if (button == 2) filterClipboardWith(filter);
    };
}

}  // namespace vorna
