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
#include <charconv>
#include <deque>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
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

// The size (points) a control's text is drawn at for one row: its own, or, for a text box that
// shrinks to fit, the largest size a quarter of a point apart that shows the text within the
// box's width, but not below its minimum.
double fittedSize(const Control& c, const QString& text) {
    double size = c.fontSize;
    if (!c.shrinkToFit || c.kind != Control::Kind::TextBox || text.isEmpty()) return size;
    const QString shown = displayText(text);
    while (size - 0.25 >= c.minFontSize &&
           QFontMetricsF(c.twipsFont(size)).horizontalAdvance(shown) > c.rect.width())
        size -= 0.25;
    return size;
}

// Height (twips) that a growing control needs for its text.
int grownHeight(const Control& c, double size, const QString& text) {
    const QFontMetricsF fm(c.twipsFont(size));
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

// Fails when a visible text box or check box of a visible section names a field that the data
// source lacks: checked once before the section is placed, for all its rows.
void requireFields(const Section& s, const Recordset* rs, const std::vector<int>& fields) {
    if (!rs || !s.visible) return;
    for (int i = 0; i < s.controls.size(); ++i) {
        const Control& c = s.controls[i];
        const bool bound = c.kind == Control::Kind::TextBox || c.kind == Control::Kind::CheckBox;
        if (c.visible && bound && fields[size_t(i)] < 0 && !c.dataField.isEmpty())
            throw VbError(err::ItemNotFound, kSource,
                          QStringLiteral("Le champ « %1 » n'existe pas dans la source des données.").arg(c.dataField));
    }
}

// What a band is placed with: its items, or only its height (the items of the controls that
// grow are made to measure it, the others are left out). An export takes the items with the
// stored bytes of the texts shown as they are, which it writes without making texts of them.
enum class Fill { Items, Height, Export };

// The text each text box of the detail showed for the row before, with the bytes the database
// gave for it: a row that stores the same bytes shows the same text, which is not made again.
struct RowTexts {
    std::vector<std::optional<QByteArrayView>> stored;
    std::vector<QString> texts;
    std::vector<char> storedAsShown;  // per control: showsStoredText
};

// Whether a text box shows the text of its field exactly as stored: the field is a text (or of
// no declared type) and the box neither formats, converts, shrinks nor grows it.
bool showsStoredText(const Control& c, const Recordset& rs, int index) {
    if (c.kind != Control::Kind::TextBox || c.textOf || !c.format.isEmpty() || c.shrinkToFit || c.canGrow) return false;
    const detail::ColumnKind kind = detail::kindOfDeclaredType(rs.fieldInfo(index).declaredType);
    return kind == detail::ColumnKind::Text || kind == detail::ColumnKind::Any;
}

// A section for one row (`row` -1: no row), not yet given its place on a page, into `out`:
// a band placed before for another row lends its room to this one. `before`, for the rows of
// the detail, keeps the texts of the row before (null for the other sections). `fields` come
// from fieldsOf and have passed requireFields.
void placeSection(Band& out, const Section& s, int sectionIndex, const Recordset* rs, int row, const std::vector<int>& fields,
                  Fill fill, RowTexts* before) {
    out.section = sectionIndex;
    out.top = 0;
    out.height = 0;
    out.items.clear();
    if (!s.visible) return;
    out.height = s.height;
    if (fill != Fill::Height) out.items.reserve(s.controls.size());
    for (int i = 0; i < s.controls.size(); ++i) {
        const Control& c = s.controls[i];
        if (!c.visible) continue;
        if (fill == Fill::Height && !c.canGrow) continue;
        PlacedItem item;
        item.control = i;
        item.height = c.rect.height();
        switch (c.kind) {
        case Control::Kind::Label: item.text = c.caption; break;
        case Control::Kind::TextBox:
        case Control::Kind::CheckBox: {
            const int index = fields[size_t(i)];
            if (index < 0 || row < 0) break;
            QByteArrayView stored;
            if (fill == Fill::Export && before && before->storedAsShown[size_t(i)] && rs->storedTextAt(row, index, stored)) {
                item.stored = stored;
                break;
            }
            const bool known = before && c.kind == Control::Kind::TextBox && !c.textOf && rs->storedTextAt(row, index, stored);
            if (known && before->stored[size_t(i)] == stored) {
                item.text = before->texts[size_t(i)];
                break;
            }
            const Value v = rs->valueAt(row, index);
            if (c.kind == Control::Kind::TextBox) {
                item.text = fieldText(c, v);
                if (c.textOf) item.text = c.textOf(*rs, row, item.text);
            } else {
                item.checked = v.toBool() == c.checkedWhen;
            }
            if (known) {
                before->stored[size_t(i)] = stored;
                before->texts[size_t(i)] = item.text;
            }
            break;
        }
        default: break;
        }
        item.fontSize = fittedSize(c, item.text);
        if (c.canGrow && !item.text.isEmpty()) {
            item.height = grownHeight(c, item.fontSize, item.text);
            out.height = std::max(out.height, c.rect.top() + item.height);
        }
        out.items << std::move(item);
    }
}

// Bytes written through a pointer, for the pieces written for every row: the caller has made
// room for them.
char* put(char* to, const char* from, qsizetype n) {
    std::memcpy(to, from, size_t(n));
    return to + n;
}
template <qsizetype N>
char* put(char* to, const char (&literal)[N]) {
    return put(to, literal, N - 1);
}
char* put(char* to, const QByteArray& bytes) { return put(to, bytes.constData(), bytes.size()); }

// The most bytes a character of a text becomes in HTML: "&#65535;" (a pair of surrogates is
// at most "&#1114111;", for two characters).
constexpr qsizetype kEscapedBytes = 8;

// The characters of a text that HTML reads as markup, and the line breaks.
constexpr bool isMarkup(char16_t u) { return u == '&' || u == '<' || u == '>' || u == '"' || u == '\r' || u == '\n'; }

// What such a character becomes: a reference, or "<BR>" for a line break ("\r\n" is one break,
// whose "\n" the caller skips).
char* putMarkup(char* to, char16_t u) {
    switch (u) {
    case '&': return put(to, "&amp;");
    case '<': return put(to, "&lt;");
    case '>': return put(to, "&gt;");
    case '"': return put(to, "&quot;");
    default: return put(to, "<BR>");
    }
}

// The text as HTML, written at `to` (room for kEscapedBytes a character): the markup
// characters and line breaks escaped, and every character beyond ASCII a character reference,
// so that the page is plain ASCII and every browser reads the accents the same, whatever
// encoding it guesses. Returns the end of what was written.
char* putEscaped(char* to, const QString& text) {
    const qsizetype size = text.size();
    const QChar* chars = text.constData();
    qsizetype i = 0;
#ifdef __SSE2__
    // Eight characters at a time while none of them needs escaping: they are copied as bytes.
    const __m128i ascii = _mm_set1_epi16(0x7f);
    const __m128i markup[] = {_mm_set1_epi16('&'), _mm_set1_epi16('<'),  _mm_set1_epi16('>'),
                              _mm_set1_epi16('"'), _mm_set1_epi16('\r'), _mm_set1_epi16('\n')};
    for (; i + 8 <= size; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        // Characters beyond ASCII: above 0x7f once the sign is set aside (no unsigned compare).
        __m128i escaped = _mm_or_si128(_mm_cmpgt_epi16(eight, ascii), _mm_cmplt_epi16(eight, _mm_setzero_si128()));
        for (const __m128i& m : markup) escaped = _mm_or_si128(escaped, _mm_cmpeq_epi16(eight, m));
        if (_mm_movemask_epi8(escaped)) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(eight, eight));
        to += 8;
    }
#endif
    for (; i < size; ++i) {
        const QChar c = chars[i];
        const char16_t u = c.unicode();
        // Most characters of a report need nothing: they are copied as bytes.
        if (u < 128 && !isMarkup(u)) {
            *to++ = char(u);
            continue;
        }
        if (u < 128) {
            to = putMarkup(to, u);
            if (u == '\r' && i + 1 < size && chars[i + 1] == u'\n') ++i;
            continue;
        }
        char32_t code = u;
        if (c.isHighSurrogate() && i + 1 < size) code = QChar::surrogateToUcs4(c, chars[++i]);
        to = put(to, "&#");
        to = std::to_chars(to, to + 8, std::uint32_t(code)).ptr;
        *to++ = ';';
    }
    return to;
}

// putEscaped for the UTF-8 bytes of a text: read as they are while they are plain ASCII, as
// they nearly always are, otherwise made into the text they stand for.
char* putEscaped(char* to, QByteArrayView utf8) {
    const qsizetype size = utf8.size();
    const char* bytes = utf8.data();
    char* const start = to;
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time while none of them needs escaping nor is beyond ASCII (its top
    // bit set): they are copied as they are.
    const __m128i markup[] = {_mm_set1_epi8('&'), _mm_set1_epi8('<'),  _mm_set1_epi8('>'),
                              _mm_set1_epi8('"'), _mm_set1_epi8('\r'), _mm_set1_epi8('\n')};
    for (; i + 16 <= size; i += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        __m128i escaped = sixteen;
        for (const __m128i& m : markup) escaped = _mm_or_si128(escaped, _mm_cmpeq_epi8(sixteen, m));
        if (_mm_movemask_epi8(escaped)) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), sixteen);
        to += 16;
    }
#endif
    for (; i < size; ++i) {
        const auto u = static_cast<unsigned char>(bytes[i]);
        if (u >= 128) return putEscaped(start, QString::fromUtf8(utf8));
        if (!isMarkup(u)) {
            *to++ = char(u);
            continue;
        }
        to = putMarkup(to, u);
        if (u == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
    }
    return to;
}

// The text as HTML (putEscaped), appended to `out`.
void appendEscaped(QByteArray& out, const QString& text) {
    const qsizetype at = out.size();
    out.resize(at + kEscapedBytes * text.size());
    out.resize(putEscaped(out.data() + at, text) - out.data());
}

// The most bytes of a length in points (putPt).
constexpr qsizetype kPtBytes = 24;

// Twips as CSS points: whole points, or two decimals.
char* putPt(char* to, int twips) {
    if (twips < 0) {
        to = put(to, QByteArray::number(twips / 20.0, 'f', twips % 20 == 0 ? 0 : 2));
    } else {
        to = std::to_chars(to, to + 16, twips / 20).ptr;
        if (const int hundredths = twips % 20 * 5) {
            *to++ = '.';
            *to++ = char('0' + hundredths / 10);
            *to++ = char('0' + hundredths % 10);
        }
    }
    return put(to, "pt");
}

void appendPt(QByteArray& out, int twips) {
    const qsizetype at = out.size();
    out.resize(at + kPtBytes);
    out.resize(putPt(out.data() + at, twips) - out.data());
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

QFont Control::twipsFont(double points) const {
    QFont f(fixedPitch ? fixedPitchFamily() : fontFamily);
    f.setStyleHint(styleHintOf(*this));
    f.setFixedPitch(fixedPitch);
    f.setPixelSize(std::max(1, int(std::lround(points * 20))));
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

namespace {

// The report's sections placed on pages in order: `sink.page()` opens each page, then
// `sink.band(band)` takes each of its bands (the page footer last), its top set. A sink may
// take the band's items away; the detail's band is otherwise used again for the next row.
template <class Sink>
void paginate(const Layout& frame, const QMargins& margins, const Recordset* data, Fill fill, Sink& sink) {
    enum { RH, PH, DT, PF, RF };
    const Section& pageFooter = frame.sections[PF];
    const Section& detail = frame.sections[DT];
    const int top = margins.top();
    const int footerHeight = pageFooter.visible ? pageFooter.height : 0;
    const int bottom = frame.pageSize.height() - margins.bottom() - footerHeight;
    const int firstRow = data && data->recordCount() > 0 ? 0 : -1;
    auto place1 = [&](int section, int row) {
        const Section& s = frame.sections[section];
        const std::vector<int> fields = fieldsOf(s, data);
        requireFields(s, data, fields);
        Band band;
        placeSection(band, s, section, data, row, fields, fill, nullptr);
        return band;
    };

    // The page footer is the same on every page; its page codes are read when it is drawn.
    const Band footer = place1(PF, firstRow);
    const Band header = place1(PH, firstRow);
    int y = top;
    auto put = [&](Band& band) {
        band.top = y;
        y += band.height;
        sink.band(band);
    };
    auto putHeader = [&] {
        Band h = header;
        put(h);
    };
    auto endPage = [&] {
        if (footerHeight <= 0) return;
        Band f = footer;
        f.top = bottom;
        sink.band(f);
    };
    sink.page();
    Band reportHeader = place1(RH, firstRow);
    put(reportHeader);
    putHeader();
    int pageStart = y;
    // A section goes on the current page when it fits, or when it is the first one under the
    // page header (one taller than a page is cut rather than never placed).
    auto place = [&](Band& band) {
        if (y + band.height > bottom && y > pageStart) {
            endPage();
            sink.page();
            y = top;
            putHeader();
            pageStart = y;
        }
        put(band);
    };
    if (data && detail.visible) {
        const int rows = data->recordCount();
        const std::vector<int> fields = fieldsOf(detail, data);
        if (rows > 0) requireFields(detail, data, fields);
        RowTexts before;
        before.stored.resize(fields.size());
        before.texts.resize(fields.size());
        before.storedAsShown.resize(fields.size());
        for (size_t i = 0; i < fields.size(); ++i)
            before.storedAsShown[i] = fields[i] >= 0 && showsStoredText(detail.controls[qsizetype(i)], *data, fields[i]);
        // The rows a little further on are asked of memory while this one is placed.
        constexpr int kCellsAhead = 16, kTextsAhead = 8;
        const bool reads = fill != Fill::Height;
        // Measured only, a detail none of whose controls grows is as tall for every row.
        const bool sameForEveryRow =
            fill == Fill::Height && std::none_of(detail.controls.begin(), detail.controls.end(),
                                                 [](const Control& c) { return c.visible && c.canGrow; });
        Band band;
        for (int r = 0; r < rows; ++r) {
            if (sameForEveryRow && r > 0) {
                place(band);
                continue;
            }
            if (reads) {
                data->prefetchAt(r + kCellsAhead, fields.data(), qsizetype(fields.size()), false);
                data->prefetchAt(r + kTextsAhead, fields.data(), qsizetype(fields.size()), true);
            }
            placeSection(band, detail, DT, data, r, fields, fill, &before);
            place(band);
        }
    }
    Band reportFooter = place1(RF, firstRow);
    place(reportFooter);
    endPage();
}

// Counts the pages.
struct PageCount {
    int pages = 0;
    void page() { ++pages; }
    void band(const Band&) {}
};

}  // namespace

Layout Report::emptyLayout() const {
    Layout out;
    const QSizeF mm = pageSize.size(QPageSize::Millimeter);
    QSize page(int(std::lround(mm.width() * 1440 / 25.4)), int(std::lround(mm.height() * 1440 / 25.4)));
    if (orientation == QPageLayout::Landscape) page.transpose();
    out.pageSize = page;
    out.left = margins.left();
    out.now = Clock::now();
    out.title = caption;
    out.sections = {reportHeader, pageHeader, detail, pageFooter, reportFooter};
    return out;
}

Layout Report::layout() const {
    Layout out = emptyLayout();
    struct Pages {
        Layout& out;
        Band previous;
        void page() { out.pages << Page{}; }
        void band(Band& band) {
            // A text equal to the row before's is that text: a long list where many rows
            // repeat a value (the same treasury, the same currencies) keeps it once.
            if (band.section == 2 && previous.section == 2 && band.items.size() == previous.items.size())
                for (qsizetype i = 0; i < band.items.size(); ++i) {
                    const QString& before = previous.items.at(i).text;
                    if (band.items.at(i).text == before) band.items[i].text = before;
                }
            if (band.section == 2) previous = band;
            out.pages.last().bands << std::move(band);
        }
    } pages{out, {}};
    paginate(out, margins, data_, Fill::Items, pages);
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
                painter.setFont(layout.font(band, item));
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
void writeStyle(QByteArray& out, const Layout& layout) {
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
}

// The pages after the style sheet, a band at a time, as the pager places them (`count` pages
// in all).
class BodyWriter {
public:
    BodyWriter(PageWriter& writer, const Layout& layout, int count) : writer_(writer), layout_(layout), count_(count) {
        writeStyle(writer.bytes(), layout);
        for (int s = 0; s < layout.sections.size(); ++s) {
            classes_.emplace_back();
            for (int i = 0; i < layout.sections[s].controls.size(); ++i)
                classes_.back().push_back("s" + QByteArray::number(s) + 'c' + QByteArray::number(i));
        }
    }
    void page() {
        QByteArray& out = writer_.bytes();
        if (p_ >= 0) out += "</DIV>\r\n";
        ++p_;
        out += "<DIV class=pg>\r\n";
    }
    void band(const Band& band) {
        if (band.items.isEmpty()) return;
        QByteArray& out = writer_.bytes();
        // Room is made for each piece before it is written; what is left over goes at the end.
        char* to = out.data() + out.size();
        auto room = [&](qsizetype n) {
            const qsizetype at = to - out.data();
            if (out.size() - at < n) out.resize(at + n + kRoom);
            to = out.data() + at;
        };
        room(64 + 2 * kPtBytes);
        to = put(to, "<DIV class=bd style=\"top:");
        to = putPt(to, band.top);
        to = put(to, ";height:");
        to = putPt(to, band.height);
        to = put(to, "\">");
        for (const PlacedItem& item : band.items) {
            const Control& c = layout_.control(band, item);
            const QByteArray& cls = classes_[size_t(band.section)][size_t(item.control)];
            room(64 + cls.size());
            // A text (a QString, or the stored bytes) escaped in its span; an empty one only
            // for its border.
            const auto span = [&](const auto& text) {
                if (text.isEmpty() && !c.border) return;
                room(64 + cls.size() + kEscapedBytes * text.size());
                to = put(to, "<SPAN class=");
                to = put(to, cls);
                to = put(to, ">");
                to = putEscaped(to, text);
                to = put(to, "</SPAN>");
            };
            switch (c.kind) {
            case Control::Kind::TextBox:
                if (!item.stored.isNull()) span(item.stored);
                else span(item.text);
                break;
            case Control::Kind::Label: span(expanded(item.text)); break;
            case Control::Kind::CheckBox:
                if (!c.boxed && !item.checked) break;
                to = put(to, "<SPAN class=");
                to = put(to, cls);
                to = put(to, ">");
                to = !c.boxed ? put(to, "X") : item.checked ? put(to, "&#9746;") : put(to, "&#9744;");
                to = put(to, "</SPAN>");
                break;
            case Control::Kind::Image:
                if (c.picture.isNull()) break;
                [[fallthrough]];
            case Control::Kind::Line:
            case Control::Kind::Shape:
                to = put(to, "<DIV class=");
                to = put(to, cls);
                to = put(to, "></DIV>");
                break;
            }
        }
        room(8);
        to = put(to, "</DIV>\r\n");
        out.resize(to - out.data());
        writer_.spill();
    }
    void finish() {
        if (p_ >= 0) writer_.bytes() += "</DIV>\r\n";
    }

private:
    // A caption with its codes expanded for the current page. Only the page number changes
    // from one page to the next: a caption without it is expanded once for the whole export.
    const QString& expanded(const QString& caption) {
        if (!caption.contains(u'%')) return caption;
        if (usesPageNumber(caption)) return pageText_ = expandCodes(caption, layout_.now, p_ + 1, count_, layout_.title);
        for (const auto& [from, to] : sameOnEveryPage_)
            if (from == caption) return to;
        sameOnEveryPage_.emplace_back(caption, expandCodes(caption, layout_.now, p_ + 1, count_, layout_.title));
        return sameOnEveryPage_.back().second;
    }
    // Whether expandCodes reads the page number in the caption: a "%p" that is not the second
    // character of a code.
    static bool usesPageNumber(const QString& caption) {
        for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != u'%') continue;
            const char16_t code = caption[i + 1].unicode();
            if (code == u'p') return true;
            if (QStringView(u"dDtTPi%").contains(QChar(code))) ++i;
        }
        return false;
    }

    PageWriter& writer_;
    const Layout& layout_;
    const int count_;
    int p_ = -1;
    // Bytes made room for at once beyond what a piece needs.
    static constexpr qsizetype kRoom = 4096;
    std::vector<std::vector<QByteArray>> classes_;  // "s<section>c<control>", made once
    std::deque<std::pair<QString, QString>> sameOnEveryPage_;  // captions and their texts
    QString pageText_;
};

// The pages of a layout.
void writeBody(PageWriter& writer, const Layout& layout) {
    BodyWriter body(writer, layout, int(layout.pages.size()));
    for (const Page& page : layout.pages) {
        body.page();
        for (const Band& band : page.bands) body.band(band);
    }
    body.finish();
}

// The HTML page of the export onto a device: the template with the title and the pages in
// place of its markers. False when a write failed.
template <class Body>
bool writePage(QIODevice& device, const ExportFormat& format, const Layout& layout, Body writeBody) {
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
        if (m.body) writeBody(writer);
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
    writePage(buffer, format, layout, [&](PageWriter& writer) { writeBody(writer, layout); });
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
    // The pages are counted first (the page codes need their number); the page is then made
    // a band at a time as they are placed again, and goes to the file as it is made.
    const Layout pages = emptyLayout();
    PageCount counted;
    paginate(pages, margins, data_, Fill::Height, counted);
    if (!jobGoesOn(start, reported)) return false;

    // The file takes its name only once it is whole.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    const bool existed = files::fileExists(path);
    const auto failed = [&] {
        return VbError(files::errnum::PathFileAccess, kSource,
                       QStringLiteral("Le fichier %1 ne peut pas être écrit : %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) throw failed();
    const auto body = [&](PageWriter& writer) {
        BodyWriter bands(writer, pages, counted.pages);
        paginate(pages, margins, data_, Fill::Export, bands);
        bands.finish();
    };
    const auto discard = [&] {
        file.cancelWriting();
        // Written in place (a folder where no other file can be made): what was not there goes.
        if (!existed && files::fileExists(path)) QFile::remove(path);
    };
    bool written = false;
    try {
        written = writePage(file, *format, pages, body);
    } catch (...) {
        discard();
        throw;
    }
    if (!written) {
        const VbError e = failed();
        discard();
        throw e;
    }
    if (!jobGoesOn(start, reported)) {
        discard();
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
