#include "platform/report/report.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QSaveFile>
#include <array>
#include <charconv>
#include <cstring>

#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/db/sqlvalues.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/report/reportwindow.h"
#include "platform/text/format.h"
#include "platform/vberror.h"

namespace vorna::report {

namespace {

const QString kSource = QStringLiteral("Vorna.report");

QFont::StyleHint styleHintOf(const Control& c) { return c.fixedPitch ? QFont::TypeWriter : QFont::SansSerif; }

// The text a control shows for one row of the data source.
QString fieldText(const Control& c, const Value& v) {
    if (v.isNull() || v.isEmpty()) return QString();
    if (!c.format.isEmpty()) {
        if (v.type() == Value::Type::DateTime) return formatDate(v.toDateTime(), c.format);
        if (v.isNumeric() && v.type() != Value::Type::Bool) return formatNumber(v.toDecimal(), c.format);
    }
    if (v.type() == Value::Type::Bool) return v.toBool() ? QStringLiteral("Vrai") : QStringLiteral("Faux");
    return v.toText();
}

// Height (twips) that a growing control needs for its text.
int grownHeight(const Control& c, const QString& text) {
    const QFontMetricsF fm(c.twipsFont());
    const QRectF r = fm.boundingRect(QRectF(0, 0, c.rect.width(), 1e9), int(c.alignment) | Qt::TextWordWrap,
                                     displayText(text));
    return std::max(c.rect.height(), int(std::ceil(r.height())));
}

// The field of each control of a section (-1: none), found once for all the rows.
std::vector<int> fieldsOf(const Section& s, const Recordset* rs) {
    std::vector<int> out;
    out.reserve(size_t(s.controls.size()));
    for (const Control& c : s.controls) out.push_back(rs ? rs->fieldIndex(c.dataField) : -1);
    return out;
}

// The texts of the row before, for a section placed row after row: a field whose stored bytes
// are those of the row before shows the text it showed, without decoding them again.
struct RowBefore {
    explicit RowBefore(const Section& s, const Recordset* rs, const std::vector<int>& fields) {
        const auto n = size_t(s.controls.size());
        storedIsText.assign(n, false);
        bytes.assign(n, QByteArrayView());
        texts.assign(n, QString());
        for (size_t i = 0; i < n; ++i) {
            if (fields[i] < 0 || !rs) continue;
            const detail::ColumnKind kind = detail::kindOfDeclaredType(rs->fieldInfo(fields[i]).declaredType);
            storedIsText[i] = kind == detail::ColumnKind::Text || kind == detail::ColumnKind::Any;
        }
    }
    std::vector<char> storedIsText;   // per control: its field's stored text is the text it reads
    std::vector<QByteArrayView> bytes;  // per control: the row before's stored text, null when none
    std::vector<QString> texts;         // and the text it gave
};

// fieldText of the field `index` of `row`. A stored text is decoded only when it is not the row
// before's.
QString rowFieldText(const Control& c, const Recordset& rs, int row, int index, size_t control, RowBefore* before) {
    QByteArrayView stored;
    if (before && before->storedIsText[control] && rs.storedTextAt(row, index, stored)) {
        QByteArrayView& last = before->bytes[control];
        if (last.isNull() || last != stored) {
            // What the decoded Value's text is, whatever the control's format.
            before->texts[control] = QString::fromUtf8(stored);
            last = stored;
        }
        return before->texts[control];
    }
    if (before) before->bytes[control] = QByteArrayView();
    return fieldText(c, rs.valueAt(row, index));
}

// A section for one row (`row` -1: no row), not yet given its place on a page.
Band placeSection(const Section& s, int sectionIndex, const Recordset* rs, int row, const std::vector<int>& fields,
                  RowBefore* before = nullptr) {
    Band out;
    out.section = sectionIndex;
    if (!s.visible) return out;
    out.height = s.height;
    out.items.reserve(s.controls.size());
    for (int i = 0; i < s.controls.size(); ++i) {
        const Control& c = s.controls[i];
        if (!c.visible) continue;
        PlacedItem item;
        item.control = i;
        item.height = c.rect.height();
        switch (c.kind) {
        case Control::Kind::Label: item.text = c.caption; break;
        case Control::Kind::TextBox:
        case Control::Kind::CheckBox: {
            const int index = fields[size_t(i)];
            if (index < 0) {
                if (!c.dataField.isEmpty() && rs)
                    throw VbError(err::ItemNotFound, kSource,
                                  QStringLiteral("Le champ « %1 » n'existe pas dans la source des données.").arg(c.dataField));
                break;
            }
            if (row < 0) break;
            if (c.kind == Control::Kind::TextBox) {
                item.text = rowFieldText(c, *rs, row, index, size_t(i), before);
                if (c.textOf) item.text = c.textOf(*rs, row, item.text);
            } else {
                item.checked = rs->valueAt(row, index).toBool() == c.checkedWhen;
            }
            break;
        }
        default: break;
        }
        if (c.canGrow && !item.text.isEmpty()) {
            item.height = grownHeight(c, item.text);
            out.height = std::max(out.height, c.rect.top() + item.height);
        }
        out.items << std::move(item);
    }
    return out;
}

// The bytes of the page, written at a cursor into room made for them beforehand.
class Cursor {
public:
    explicit Cursor(char* at) : p_(at) {}
    char* end() const { return p_; }
    void add(const char* from, qsizetype n) {
        std::memcpy(p_, from, size_t(n));
        p_ += n;
    }
    template <qsizetype N>
    void add(const char (&literal)[N]) {
        add(literal, N - 1);
    }
    void add(const QByteArray& bytes) { add(bytes.constData(), bytes.size()); }
    void number(qint64 n) { p_ = std::to_chars(p_, p_ + 24, n).ptr; }

    // The text as HTML: the markup characters and line breaks escaped, and every character
    // beyond ASCII a character reference, so that the page is plain ASCII and every browser
    // reads the accents the same, whatever encoding it guesses. At most kEscapedRoom bytes a
    // character.
    static constexpr qsizetype kEscapedRoom = 8;
    void escaped(QStringView text) {
        const qsizetype size = text.size();
        const char16_t* s = text.utf16();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t u = s[i];
            if (u < 128 && kHtmlPlain[u]) {
                *p_++ = char(u);
                continue;
            }
            switch (u) {
            case '&': add("&amp;"); break;
            case '<': add("&lt;"); break;
            case '>': add("&gt;"); break;
            case '"': add("&quot;"); break;
            case '\r':
                if (i + 1 < size && s[i + 1] == u'\n') ++i;
                add("<BR>");
                break;
            case '\n': add("<BR>"); break;
            default:
                add("&#");
                if (QChar::isHighSurrogate(u) && i + 1 < size) {
                    number(QChar::surrogateToUcs4(u, s[i + 1]));
                    ++i;
                } else {
                    number(u);
                }
                *p_++ = ';';
            }
        }
    }

    // Twips as CSS points: whole points, or two decimals. At most kPtRoom bytes.
    static constexpr qsizetype kPtRoom = 32;
    void pt(int twips) {
        if (twips < 0) {
            add(QByteArray::number(twips / 20.0, 'f', twips % 20 == 0 ? 0 : 2));
        } else {
            number(twips / 20);
            if (const int hundredths = twips % 20 * 5) {
                *p_++ = '.';
                *p_++ = char('0' + hundredths / 10);
                *p_++ = char('0' + hundredths % 10);
            }
        }
        add("pt");
    }

private:
    // The characters written as they are.
    static constexpr std::array<bool, 128> kHtmlPlain = [] {
        std::array<bool, 128> t{};
        t.fill(true);
        for (const char c : {'&', '<', '>', '"', '\r', '\n'}) t[size_t(c)] = false;
        return t;
    }();

    char* p_;
};

// Writes at most `room` bytes at the end of `out` through a cursor.
template <typename F>
void appendThrough(QByteArray& out, qsizetype room, F write) {
    const qsizetype at = out.size();
    out.resize(at + room);
    Cursor cursor(out.data() + at);
    write(cursor);
    out.truncate(cursor.end() - out.constData());
}

void appendEscaped(QByteArray& out, QStringView text) {
    appendThrough(out, Cursor::kEscapedRoom * text.size(), [&](Cursor& c) { c.escaped(text); });
}

void appendPt(QByteArray& out, int twips) {
    appendThrough(out, Cursor::kPtRoom, [&](Cursor& c) { c.pt(twips); });
}

// The page's bytes, handed to the device a large piece at a time: a page of many thousand
// rows is never held whole.
class PageWriter {
public:
    explicit PageWriter(QIODevice& device) : device_(device) { bytes_.reserve(kPiece + kPiece / 4); }
    QByteArray& bytes() { return bytes_; }
    void spill() {
        if (bytes_.size() >= kPiece) hand();
    }
    // False when a write failed.
    bool finish() {
        hand();
        return ok_;
    }

private:
    void hand() {
        if (ok_ && !bytes_.isEmpty()) ok_ = device_.write(bytes_) == bytes_.size();
        bytes_.resize(0);
    }

    static constexpr qsizetype kPiece = qsizetype(1) << 20;
    QIODevice& device_;
    QByteArray bytes_;
    bool ok_ = true;
};

const char* cssAlignment(Qt::Alignment a) {
    if (a & Qt::AlignRight) return "right";
    if (a & Qt::AlignHCenter) return "center";
    return "left";
}

}  // namespace

QString fixedPitchFamily() {
    static const QString family = [] {
        const QFontInfo system(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        if (system.fixedPitch()) return system.family();
        for (const QString& name : {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono")})
            if (QFontDatabase::hasFamily(name) && QFontDatabase::isFixedPitch(name)) return name;
        return system.family();
    }();
    return family;
}

QFont Control::twipsFont() const {
    QFont f(fixedPitch ? fixedPitchFamily() : fontFamily);
    f.setStyleHint(styleHintOf(*this));
    f.setFixedPitch(fixedPitch);
    f.setPixelSize(std::max(1, int(std::lround(fontSize * 20))));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

Control& Section::add(const Control& c) {
    controls << c;
    return controls.last();
}

Control* Section::control(const QString& name) {
    for (Control& c : controls)
        if (c.name == name) return &c;
    return nullptr;
}

const Control* Section::control(const QString& name) const {
    for (const Control& c : controls)
        if (c.name == name) return &c;
    return nullptr;
}

QString expandCodes(const QString& caption, const QDateTime& now, int page, int pageCount, const QString& title) {
    if (!caption.contains(u'%')) return caption;
    const QLocale french(QLocale::French, QLocale::France);
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c != u'%' || i + 1 >= caption.size()) {
            out += c;
            continue;
        }
        const QChar code = caption[i + 1];
        switch (code.unicode()) {
        case 'd': out += now.toString(QStringLiteral("dd/MM/yyyy")); break;
        case 'D': out += french.toString(now.date(), QStringLiteral("dddd d MMMM yyyy")); break;
        case 't': out += now.toString(QStringLiteral("HH:mm")); break;
        case 'T': out += now.toString(QStringLiteral("HH:mm:ss")); break;
        case 'p': out += QString::number(page); break;
        case 'P': out += QString::number(pageCount); break;
        case 'i': out += title; break;
        case '%': out += u'%'; break;
        default: out += c; continue;  // not a code: the "%" stays, the next character follows
        }
        ++i;
    }
    return out;
}

Report::Report() {
    reportHeader.kind = SectionKind::ReportHeader;
    reportHeader.name = QStringLiteral("ReportHeader");
    pageHeader.kind = SectionKind::PageHeader;
    pageHeader.name = QStringLiteral("PageHeader");
    detail.kind = SectionKind::Detail;
    detail.name = QStringLiteral("Detail");
    pageFooter.kind = SectionKind::PageFooter;
    pageFooter.name = QStringLiteral("PageFooter");
    reportFooter.kind = SectionKind::ReportFooter;
    reportFooter.name = QStringLiteral("ReportFooter");
    jobClock = [] {
        static QElapsedTimer timer;
        if (!timer.isValid()) timer.start();
        return timer.elapsed();
    };
}

Report::~Report() = default;

Control* Report::control(const QString& name) {
    for (Section* s : {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter})
        if (Control* c = s->control(name)) return c;
    return nullptr;
}

void Report::addExportFormat(const ExportFormat& f) {
    for (ExportFormat& existing : exportFormats_)
        if (existing.key.compare(f.key, Qt::CaseInsensitive) == 0) {
            existing = f;
            return;
        }
    exportFormats_ << f;
}

QRect Layout::rect(const Band& band, const PlacedItem& item) const {
    const QRect& r = control(band, item).rect;
    return QRect(left + r.left(), band.top + r.top(), r.width(), item.height);
}

Layout Report::layout() const {
    Layout out;
    const QSizeF mm = pageSize.size(QPageSize::Millimeter);
    QSize page(int(std::lround(mm.width() * 1440 / 25.4)), int(std::lround(mm.height() * 1440 / 25.4)));
    if (orientation == QPageLayout::Landscape) page.transpose();
    out.pageSize = page;
    out.left = margins.left();
    out.now = Clock::now();
    out.title = caption;
    out.sections = {reportHeader, pageHeader, detail, pageFooter, reportFooter};
    enum { RH, PH, DT, PF, RF };

    const int top = margins.top();
    const int footerHeight = pageFooter.visible ? pageFooter.height : 0;
    const int bottom = page.height() - margins.bottom() - footerHeight;
    const int firstRow = data_ && data_->recordCount() > 0 ? 0 : -1;

    // The page footer is the same on every page; its page codes are read when it is drawn.
    const Band footer = placeSection(pageFooter, PF, data_, firstRow, fieldsOf(pageFooter, data_));
    const Band header = placeSection(pageHeader, PH, data_, firstRow, fieldsOf(pageHeader, data_));
    int y = top;
    auto put = [&](Band band) {
        band.top = y;
        y += band.height;
        out.pages.last().bands << std::move(band);
    };
    auto endPage = [&] {
        if (footerHeight <= 0) return;
        Band f = footer;
        f.top = bottom;
        out.pages.last().bands << f;
    };
    out.pages << Page{};
    put(placeSection(reportHeader, RH, data_, firstRow, fieldsOf(reportHeader, data_)));
    put(header);
    int pageStart = y;
    // A section goes on the current page when it fits, or when it is the first one under the
    // page header (one taller than a page is cut rather than never placed).
    auto place = [&](Band band) {
        if (y + band.height > bottom && y > pageStart) {
            endPage();
            out.pages << Page{};
            y = top;
            put(header);
            pageStart = y;
        }
        put(std::move(band));
    };
    if (data_ && detail.visible) {
        const int rows = data_->recordCount();
        const std::vector<int> fields = fieldsOf(detail, data_);
        RowBefore before(detail, data_, fields);
        Band previous;
        for (int r = 0; r < rows; ++r) {
            Band band = placeSection(detail, DT, data_, r, fields, &before);
            // A text equal to the row before's is that text: a long list where many rows
            // repeat a value (the same treasury, the same currencies) keeps it once.
            if (band.items.size() == previous.items.size())
                for (qsizetype i = 0; i < band.items.size(); ++i) {
                    const QString& before = previous.items.at(i).text;
                    if (band.items.at(i).text == before) band.items[i].text = before;
                }
            previous = band;
            place(std::move(band));
        }
    }
    place(placeSection(reportFooter, RF, data_, firstRow, fieldsOf(reportFooter, data_)));
    endPage();
    return out;
}

void Report::paintPage(QPainter& painter, const Layout& layout, int pageIndex) {
    const Page& page = layout.pages.at(pageIndex);
    painter.save();
    painter.scale(painter.device()->logicalDpiX() / 1440.0, painter.device()->logicalDpiY() / 1440.0);
    painter.setPen(QPen(Qt::black, 15));
    const int pageCount = int(layout.pages.size());
    for (const Band& band : page.bands) {
        for (const PlacedItem& item : band.items) {
            const Control& c = layout.control(band, item);
            const QRect r = layout.rect(band, item);
            switch (c.kind) {
            case Control::Kind::Label:
            case Control::Kind::TextBox: {
                const QString text = c.kind == Control::Kind::Label
                                         ? expandCodes(item.text, layout.now, pageIndex + 1, pageCount, layout.title)
                                         : item.text;
                painter.setFont(c.twipsFont());
                const int wrap = c.canGrow ? int(Qt::TextWordWrap) : 0;
                painter.drawText(r, int(c.alignment) | wrap, displayText(text));
                if (c.border) painter.drawRect(r);
                break;
            }
            case Control::Kind::CheckBox: {
                const int side = std::min(r.width(), r.height());
                const QRect box(r.left(), r.top(), side, side);
                if (c.boxed) painter.drawRect(box);
                if (item.checked) {
                    painter.drawLine(box.topLeft(), box.bottomRight());
                    painter.drawLine(box.topRight(), box.bottomLeft());
                }
                break;
            }
            case Control::Kind::Image:
                if (!c.picture.isNull()) painter.drawImage(r, c.picture);
                break;
            case Control::Kind::Line: painter.drawLine(r.topLeft(), r.bottomRight()); break;
            case Control::Kind::Shape: painter.drawRect(r); break;
            }
        }
    }
    painter.restore();
}

namespace {

// The pages: each control's place in its section and its font go once into a style sheet; a
// band is a block placed on its page, and a control inside it names its class.
void writeBody(PageWriter& writer, const Layout& layout) {
    QByteArray& out = writer.bytes();
    out += "<STYLE>\r\n.pg{position:relative;page-break-after:always;width:";
    appendPt(out, layout.pageSize.width());
    out += ";height:";
    appendPt(out, layout.pageSize.height());
    out += "}\r\n.bd{position:absolute;left:";
    appendPt(out, layout.left);
    out += ";width:";
    appendPt(out, layout.pageSize.width() - layout.left);
    out += "}\r\n.bd>*{position:absolute;margin:0}\r\n";
    for (int s = 0; s < layout.sections.size(); ++s) {
        const QList<Control>& controls = layout.sections[s].controls;
        for (int i = 0; i < controls.size(); ++i) {
            const Control& c = controls[i];
            const QRect& r = c.rect;
            out += ".s" + QByteArray::number(s) + 'c' + QByteArray::number(i) + "{left:";
            appendPt(out, r.left());
            out += ";top:";
            appendPt(out, r.top());
            out += ";width:";
            appendPt(out, std::max(r.width(), 1));
            switch (c.kind) {
            case Control::Kind::Label:
            case Control::Kind::TextBox:
                out += ";height:";
                appendPt(out, r.height());
                out += ";font-family:'";
                out += c.fixedPitch ? QByteArray("Courier New") : c.fontFamily.toLatin1();
                out += c.fixedPitch ? "',monospace" : "',sans-serif";
                out += ";font-size:" + QString::number(c.fontSize).toLatin1() + "pt;text-align:" + cssAlignment(c.alignment);
                if (c.bold) out += ";font-weight:bold";
                if (c.italic) out += ";font-style:italic";
                if (c.border) out += ";border:1px solid black";
                out += c.canGrow ? ";white-space:pre-wrap;height:auto" : ";white-space:pre;overflow:hidden";
                break;
            case Control::Kind::Line: out += ";height:0;border-top:1px solid black"; break;
            case Control::Kind::Shape:
                out += ";height:";
                appendPt(out, r.height());
                out += ";border:1px solid black";
                break;
            case Control::Kind::CheckBox:
                out += ";height:";
                appendPt(out, r.height());
                break;
            case Control::Kind::Image:
                // The picture goes once into the style sheet, however many pages show it.
                out += ";height:";
                appendPt(out, r.height());
                if (!c.picture.isNull()) {
                    QByteArray png;
                    QBuffer buffer(&png);
                    buffer.open(QIODevice::WriteOnly);
                    c.picture.save(&buffer, "PNG");
                    out += ";background:url(data:image/png;base64," + png.toBase64() + ") 0 0/100% 100% no-repeat";
                }
                break;
            }
            out += "}\r\n";
        }
    }
    out += "</STYLE>\r\n";

    const int count = int(layout.pages.size());
    std::vector<std::vector<QByteArray>> classes;  // "s<section>c<control>", made once
    for (int s = 0; s < layout.sections.size(); ++s) {
        classes.emplace_back();
        for (int i = 0; i < layout.sections[s].controls.size(); ++i)
            classes.back().push_back("s" + QByteArray::number(s) + 'c' + QByteArray::number(i));
    }
    // The labels' texts with their codes read, for the band being written.
    std::vector<QString> expanded;
    // Per control of a section, the last text of the layout it wrote and its bytes: a text the
    // layout shares with the row before (the same treasury, the same currencies) is copied as
    // it was escaped. The layout's texts live until the page is written, so one held at the
    // same place is the same text.
    struct Escaped {
        const QChar* text = nullptr;
        qsizetype size = 0;
        QByteArray bytes;
    };
    std::vector<std::vector<Escaped>> lastEscaped;
    for (const Section& section : layout.sections) lastEscaped.emplace_back(size_t(section.controls.size()));
    for (int p = 0; p < count; ++p) {
        out += "<DIV class=pg>\r\n";
        for (const Band& band : layout.pages[p].bands) {
            if (band.items.isEmpty()) continue;
            // Room for the band's bytes at most, made at once.
            expanded.resize(size_t(band.items.size()));
            qsizetype room = 64 + 2 * Cursor::kPtRoom;
            for (qsizetype k = 0; k < band.items.size(); ++k) {
                const PlacedItem& item = band.items[k];
                const Control& c = layout.control(band, item);
                qsizetype text = 1;
                if (c.kind == Control::Kind::Label) {
                    expanded[size_t(k)] = expandCodes(item.text, layout.now, p + 1, count, layout.title);
                    text = expanded[size_t(k)].size();
                } else if (c.kind == Control::Kind::TextBox) {
                    text = item.text.size();
                }
                room += 32 + classes[size_t(band.section)][size_t(item.control)].size() + Cursor::kEscapedRoom * text;
            }
            appendThrough(out, room, [&](Cursor& to) {
                to.add("<DIV class=bd style=\"top:");
                to.pt(band.top);
                to.add(";height:");
                to.pt(band.height);
                to.add("\">");
                for (qsizetype k = 0; k < band.items.size(); ++k) {
                    const PlacedItem& item = band.items[k];
                    const Control& c = layout.control(band, item);
                    const QByteArray& cls = classes[size_t(band.section)][size_t(item.control)];
                    switch (c.kind) {
                    case Control::Kind::Label:
                    case Control::Kind::TextBox: {
                        const QString& text = c.kind == Control::Kind::Label ? expanded[size_t(k)] : item.text;
                        if (text.isEmpty() && !c.border) break;
                        to.add("<SPAN class=");
                        to.add(cls);
                        to.add(">");
                        if (c.kind == Control::Kind::Label) {
                            to.escaped(text);
                        } else {
                            Escaped& last = lastEscaped[size_t(band.section)][size_t(item.control)];
                            if (last.text != text.constData() || last.size != text.size()) {
                                char* const from = to.end();
                                to.escaped(text);
                                last.text = text.constData();
                                last.size = text.size();
                                last.bytes.resize(to.end() - from);
                                std::memcpy(last.bytes.data(), from, size_t(last.bytes.size()));
                            } else {
                                to.add(last.bytes);
                            }
                        }
                        to.add("</SPAN>");
                        break;
                    }
                    case Control::Kind::CheckBox:
                        if (!c.boxed && !item.checked) break;
                        to.add("<SPAN class=");
                        to.add(cls);
                        to.add(">");
                        if (!c.boxed) to.add("X");
                        else if (item.checked) to.add("&#9746;");
                        else to.add("&#9744;");
                        to.add("</SPAN>");
                        break;
                    case Control::Kind::Image:
                        if (c.picture.isNull()) break;
                        [[fallthrough]];
                    case Control::Kind::Line:
                    case Control::Kind::Shape:
                        to.add("<DIV class=");
                        to.add(cls);
                        to.add("></DIV>");
                        break;
                    }
                }
                to.add("</DIV>\r\n");
            });
            writer.spill();
        }
        out += "</DIV>\r\n";
    }
}

// The HTML page of the export onto a device: the template with the title and the pages in
// place of its markers. False when a write failed.
bool writePage(QIODevice& device, const ExportFormat& format, const Layout& layout) {
    PageWriter writer(device);
    QByteArray& out = writer.bytes();

    QString page = format.pageTemplate;
    if (page.isEmpty())
        page = QStringLiteral("<HTML>\r\n<HEAD>\r\n<TITLE>") + kTitleMarker + QStringLiteral("</TITLE>\r\n</HEAD>\r\n<BODY>\r\n") +
               kBodyMarker + QStringLiteral("\r\n</BODY>\r\n</HTML>");
    // The template's own text is escaped as the body is (its accents become references); the
    // markers are then filled.
    auto templateText = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const QChar c = page[i];
            if (c.unicode() < 128) out += char(c.unicode());
            else out += "&#" + QByteArray::number(c.unicode()) + ';';
        }
    };
    struct Mark {
        qsizetype at;
        qsizetype length;
        bool body;
    };
    QList<Mark> marks;
    const qsizetype titleAt = page.indexOf(kTitleMarker);
    const qsizetype bodyAt = page.indexOf(kBodyMarker);
    if (titleAt >= 0) marks << Mark{titleAt, kTitleMarker.size(), false};
    if (bodyAt >= 0) marks << Mark{bodyAt, kBodyMarker.size(), true};
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.at < b.at; });
    qsizetype from = 0;
    for (const Mark& m : marks) {
        templateText(from, m.at);
        if (m.body) writeBody(writer, layout);
        else appendEscaped(out, layout.title);
        from = m.at + m.length;
    }
    templateText(from, page.size());
    return writer.finish();
}

}  // namespace

QString Report::exportHtml(const ExportFormat& format, const Layout& layout) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writePage(buffer, format, layout);
    return QString::fromLatin1(bytes);
}

bool Report::exportReport(const QString& key, const QString& pathIn, bool overwrite, bool showDialog) {
    const ExportFormat* format = nullptr;
    for (const ExportFormat& f : exportFormats_)
        if (f.key.compare(key, Qt::CaseInsensitive) == 0) format = &f;
    ExportFormat html{QStringLiteral("HTML"), QStringLiteral("HTML (*.htm)"), QStringLiteral("*.htm"), QString()};
    if (!format) {
        if (!key.isEmpty()) throw VbError(err::ItemNotFound, kSource, QStringLiteral("Le format d'export « %1 » n'existe pas.").arg(key));
        format = exportFormats_.isEmpty() ? &html : &exportFormats_.first();
    }
    QString path = pathIn;
    if (showDialog) {
        // One file type: the description names its pattern ("État journalier (*.HTM)"), or is
        // given it. A name typed without extension gets the pattern's, in small letters.
        SaveFileRequest request;
        request.title = caption;
        request.filter = format->description.contains(format->filter, Qt::CaseInsensitive)
                             ? format->description
                             : format->description + QStringLiteral(" (") + format->filter + u')';
        request.defaultSuffix = QFileInfo(format->filter).suffix().toLower();
        request.suggestedName = proposedName();
        const std::optional<QString> chosen = Dialogs::current().chooseSaveFile(request);
        if (!chosen) return false;
        path = *chosen;
        overwrite = true;  // the file dialog has asked already
    }
    if (!overwrite && files::fileExists(path))
        throw VbError(files::errnum::FileAlreadyExists, kSource, QStringLiteral("Le fichier %1 existe déjà.").arg(path));

    const qint64 start = jobClock();
    int reported = 0;
    const Layout pages = layout();
    if (!jobGoesOn(start, reported)) return false;

    // The page goes to the file as it is made; the file takes its name only once it is whole.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    const bool existed = files::fileExists(path);
    const auto failed = [&] {
        return VbError(files::errnum::PathFileAccess, kSource,
                       QStringLiteral("Le fichier %1 ne peut pas être écrit : %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) throw failed();
    if (!writePage(file, *format, pages)) {
        const VbError e = failed();
        file.cancelWriting();
        throw e;
    }
    if (!jobGoesOn(start, reported)) {
        file.cancelWriting();
        // Written in place (a folder where no other file can be made): what was not there goes.
        if (!existed && files::fileExists(path)) QFile::remove(path);
        return false;
    }
    if (!file.commit()) throw failed();
    return true;
}

bool Report::print() {
    const std::optional<PrintTarget> target = Dialogs::current().choosePrintTarget(caption, proposedName());
    if (!target) return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!target->pdfPath.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target->pdfPath);
    } else {
        if (!target->printerName.isEmpty()) printer.setPrinterName(target->printerName);
        if (!printer.isValid() || printer.printerName().isEmpty()) {
            raiseError(kPrinterError, QStringLiteral("Aucune imprimante n'est disponible."));
            return false;
        }
    }
    return printOn(printer);
}

bool Report::printOn(QPrinter& printer) {
    const qint64 start = jobClock();
    int reported = 0;
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(pageSize, orientation, QMarginsF()));
    printer.setDocName(caption);
    const Layout pages = layout();
    QPainter painter;
    if (!painter.begin(&printer)) {
        raiseError(kPrinterError, QStringLiteral("L'impression ne peut pas commencer sur %1.")
                                      .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
        return false;
    }
    for (int p = 0; p < pages.pages.size(); ++p) {
        if (p > 0) printer.newPage();
        paintPage(painter, pages, p);
        if (!jobGoesOn(start, reported)) {
            printer.abort();
            painter.end();
            return false;
        }
    }
    painter.end();
    return true;
}

bool Report::jobGoesOn(qint64 startMs, int& reported) {
    const int seconds = int((jobClock() - startMs) / 1000);
    while (reported < seconds) {
        ++reported;
        bool cancel = false;
        processingTimeout(reported, cancel);
        if (cancel) return false;
    }
    return true;
}

void Report::showModal(const std::optional<QRect>& geometry) {
    // The window unloads itself when closed (and is then deleted by the event loop).
    QPointer<ReportWindow> window = new ReportWindow(*this);
    window->load();
    if (geometry)
        window->moveTwips(geometry->left(), geometry->top(), geometry->width(), geometry->height());
    else
        window->resize(toPixels(windowWidth), toPixels(windowHeight));
    window->showModal();
    if (window) window->unload();
}

QString Report::proposedName() const { return fileName.isEmpty() ? caption : fileName; }

void Report::reportError(long, const QString&, bool&) {}

void Report::processingTimeout(int, bool&) {}

void Report::raiseError(long number, const QString& description) {
    bool showDefault = true;
    reportError(number, description, showDefault);
    if (showDefault) msgBox(description, MsgButtons::OK, MsgIcon::Critical, caption);
}

}  // namespace vorna::report
