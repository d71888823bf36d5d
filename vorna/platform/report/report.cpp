#include "platform/report/report.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QSaveFile>

#include "platform/clock.h"
#include "platform/db/recordset.h"
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

struct FieldIndexes {
    QHash<QString, int> byName;
    int of(const Recordset* rs, const QString& name) {
        auto it = byName.find(name);
        if (it != byName.end()) return *it;
        const int i = rs ? rs->fieldIndex(name) : -1;
        byName.insert(name, i);
        return i;
    }
};

// A section for one row (`row` -1: no row), not yet given its place on a page.
Band placeSection(const Section& s, int sectionIndex, const Recordset* rs, int row, FieldIndexes& fields) {
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
            const int index = fields.of(rs, c.dataField);
            if (index < 0) {
                if (!c.dataField.isEmpty() && rs)
                    throw VbError(err::ItemNotFound, kSource,
                                  QStringLiteral("Le champ « %1 » n'existe pas dans la source des données.").arg(c.dataField));
                break;
            }
            if (row < 0) break;
            const Value v = rs->valueAt(row, index);
            if (c.kind == Control::Kind::TextBox) {
                item.text = fieldText(c, v);
                if (c.textOf) item.text = c.textOf(*rs, row, item.text);
            }
            else
                item.checked = v.toBool() == c.checkedWhen;
            break;
        }
        default: break;
        }
        item.fontSize = fittedSize(c, item.text);
        if (c.canGrow && !item.text.isEmpty()) {
            item.height = grownHeight(c, item.fontSize, item.text);
            out.height = std::max(out.height, c.rect.top() + item.height);
        }
        out.items << item;
    }
    return out;
}

QString htmlEscaped(const QString& text) {
    // Most texts of a report need nothing: they are returned as they are (shared, not copied).
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 128 || u == '&' || u == '<' || u == '>' || u == '"' || u == '\r' || u == '\n') {
            plain = false;
            break;
        }
    }
    if (plain) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += QLatin1String("<BR>");
            break;
        case '\n': out += QLatin1String("<BR>"); break;
        default:
            if (c.unicode() < 128) {
                out += c;
            } else if (c.isHighSurrogate() && i + 1 < text.size()) {
                out += QStringLiteral("&#%1;").arg(QChar::surrogateToUcs4(c, text[i + 1]));
                ++i;
            } else {
                // Character references keep the page plain ASCII: every browser reads the
                // accents the same, whatever encoding it guesses.
                out += QStringLiteral("&#%1;").arg(c.unicode());
            }
        }
    }
    return out;
}

// Twips as CSS points.
QString pt(int twips) { return QString::number(twips / 20.0, 'f', twips % 20 == 0 ? 0 : 2) + QLatin1String("pt"); }

QString cssAlignment(Qt::Alignment a) {
    if (a & Qt::AlignRight) return QStringLiteral("right");
    if (a & Qt::AlignHCenter) return QStringLiteral("center");
    return QStringLiteral("left");
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

    FieldIndexes fields;
    const int top = margins.top();
    const int footerHeight = pageFooter.visible ? pageFooter.height : 0;
    const int bottom = page.height() - margins.bottom() - footerHeight;
    const int firstRow = data_ && data_->recordCount() > 0 ? 0 : -1;

    // The page footer is the same on every page; its page codes are read when it is drawn.
    const Band footer = placeSection(pageFooter, PF, data_, firstRow, fields);
    const Band header = placeSection(pageHeader, PH, data_, firstRow, fields);
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
    put(placeSection(reportHeader, RH, data_, firstRow, fields));
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
        for (int r = 0; r < rows; ++r) place(placeSection(detail, DT, data_, r, fields));
    }
    place(placeSection(reportFooter, RF, data_, firstRow, fields));
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

QString Report::exportHtml(const ExportFormat& format, const Layout& layout) const {
    // Each control's place in its section and its font go once into a style sheet; a band is a
    // block placed on its page, and a control inside it names its class.
    QString body;
    body += QLatin1String("<STYLE>\r\n.pg{position:relative;page-break-after:always;width:") + pt(layout.pageSize.width()) +
            QLatin1String(";height:") + pt(layout.pageSize.height()) +
            QLatin1String("}\r\n.bd{position:absolute;left:") + pt(layout.left) + QLatin1String(";width:") +
            pt(layout.pageSize.width() - layout.left) + QLatin1String("}\r\n.bd>*{position:absolute;margin:0}\r\n");
    for (int s = 0; s < layout.sections.size(); ++s) {
        const QList<Control>& controls = layout.sections[s].controls;
        for (int i = 0; i < controls.size(); ++i) {
            const Control& c = controls[i];
            const QRect& r = c.rect;
            body += QStringLiteral(".s%1c%2{left:").arg(s).arg(i) + pt(r.left()) + QLatin1String(";top:") + pt(r.top()) +
                    QLatin1String(";width:") + pt(std::max(r.width(), 1));
            switch (c.kind) {
            case Control::Kind::Label:
            case Control::Kind::TextBox:
                body += QLatin1String(";height:") + pt(r.height()) + QLatin1String(";font-family:'") +
                        (c.fixedPitch ? QStringLiteral("Courier New") : c.fontFamily) +
                        QLatin1String(c.fixedPitch ? "',monospace" : "',sans-serif") + QLatin1String(";font-size:") +
                        QString::number(c.fontSize) + QLatin1String("pt;text-align:") + cssAlignment(c.alignment);
                if (c.bold) body += QLatin1String(";font-weight:bold");
                if (c.italic) body += QLatin1String(";font-style:italic");
                if (c.border) body += QLatin1String(";border:1px solid black");
                body += QLatin1String(c.canGrow ? ";white-space:pre-wrap;height:auto" : ";white-space:pre;overflow:hidden");
                break;
            case Control::Kind::Line: body += QLatin1String(";height:0;border-top:1px solid black"); break;
            case Control::Kind::Shape: body += QLatin1String(";height:") + pt(r.height()) + QLatin1String(";border:1px solid black"); break;
            case Control::Kind::CheckBox: body += QLatin1String(";height:") + pt(r.height()); break;
            case Control::Kind::Image:
                // The picture goes once into the style sheet, however many pages show it.
                body += QLatin1String(";height:") + pt(r.height());
                if (!c.picture.isNull()) {
                    QByteArray png;
                    QBuffer buffer(&png);
                    buffer.open(QIODevice::WriteOnly);
                    c.picture.save(&buffer, "PNG");
                    body += QLatin1String(";background:url(data:image/png;base64,") + QString::fromLatin1(png.toBase64()) +
                            QLatin1String(") 0 0/100% 100% no-repeat");
                }
                break;
            }
            body += QLatin1String("}\r\n");
        }
    }
    body += QLatin1String("</STYLE>\r\n");

    const int count = int(layout.pages.size());
    QList<QStringList> classes;  // "s<section>c<control>", made once
    qsizetype items = 0;
    for (int s = 0; s < layout.sections.size(); ++s) {
        classes << QStringList();
        for (int i = 0; i < layout.sections[s].controls.size(); ++i) classes.last() << QStringLiteral("s%1c%2").arg(s).arg(i);
    }
    for (const Page& page : layout.pages)
        for (const Band& band : page.bands) items += band.items.size();
    body.reserve(body.size() + items * 48 + count * 64);
    for (int p = 0; p < count; ++p) {
        body += QLatin1String("<DIV class=pg>\r\n");
        for (const Band& band : layout.pages[p].bands) {
            if (band.items.isEmpty()) continue;
            body += QLatin1String("<DIV class=bd style=\"top:") + pt(band.top) + QLatin1String(";height:") + pt(band.height) +
                    QLatin1String("\">");
            for (const PlacedItem& item : band.items) {
                const Control& c = layout.control(band, item);
                const QString& cls = classes[band.section][item.control];
                switch (c.kind) {
                case Control::Kind::Label:
                case Control::Kind::TextBox: {
                    const QString text = c.kind == Control::Kind::Label
                                             ? expandCodes(item.text, layout.now, p + 1, count, layout.title)
                                             : item.text;
                    if (text.isEmpty() && !c.border) break;
                    body += QLatin1String("<SPAN class=") + cls + u'>' + htmlEscaped(text) + QLatin1String("</SPAN>");
                    break;
                }
                case Control::Kind::CheckBox:
                    if (!c.boxed && !item.checked) break;
                    body += QLatin1String("<SPAN class=") + cls + u'>' +
                            QLatin1String(!c.boxed ? "X" : item.checked ? "&#9746;" : "&#9744;") + QLatin1String("</SPAN>");
                    break;
                case Control::Kind::Image:
                    if (!c.picture.isNull()) body += QLatin1String("<DIV class=") + cls + QLatin1String("></DIV>");
                    break;
                case Control::Kind::Line:
                case Control::Kind::Shape: body += QLatin1String("<DIV class=") + cls + QLatin1String("></DIV>"); break;
                }
            }
            body += QLatin1String("</DIV>\r\n");
        }
        body += QLatin1String("</DIV>\r\n");
    }

    QString page = format.pageTemplate;
    if (page.isEmpty())
        page = QStringLiteral("<HTML>\r\n<HEAD>\r\n<TITLE>") + kTitleMarker + QStringLiteral("</TITLE>\r\n</HEAD>\r\n<BODY>\r\n") +
               kBodyMarker + QStringLiteral("\r\n</BODY>\r\n</HTML>");
    // The template's own text is escaped as the body is (its accents become references); the
    // markers are then filled.
    QString out;
    out.reserve(page.size() + body.size() + layout.title.size() * 2);
    const qsizetype titleAt = page.indexOf(kTitleMarker);
    const qsizetype bodyAt = page.indexOf(kBodyMarker);
    auto templateText = [&](qsizetype from, qsizetype to) {
        QString part;
        for (qsizetype i = from; i < to; ++i) {
            const QChar c = page[i];
            part += c.unicode() < 128 ? QString(c) : QStringLiteral("&#%1;").arg(c.unicode());
        }
        return part;
    };
    struct Mark {
        qsizetype at;
        qsizetype length;
        QString with;
    };
    QList<Mark> marks;
    if (titleAt >= 0) marks << Mark{titleAt, kTitleMarker.size(), htmlEscaped(layout.title)};
    if (bodyAt >= 0) marks << Mark{bodyAt, kBodyMarker.size(), body};
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.at < b.at; });
    qsizetype from = 0;
    for (const Mark& m : marks) {
        out += templateText(from, m.at);
        out += m.with;
        from = m.at + m.length;
    }
    out += templateText(from, page.size());
    return out;
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
    const QByteArray bytes = exportHtml(*format, pages).toLatin1();  // plain ASCII, converted in place
    if (!jobGoesOn(start, reported)) return false;

    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw VbError(files::errnum::PathFileAccess, kSource,
                      QStringLiteral("Le fichier %1 ne peut pas être écrit : %2").arg(path, file.errorString()));
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
